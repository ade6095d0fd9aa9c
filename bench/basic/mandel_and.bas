' A single-precision Mandelbrot set over 640 by 400 points, up to 100 steps each, its loop test
' an AND of an INTEGER count and a SINGLE magnitude as hobby programs write it: the steps summed.
Total& = 0
FOR Py% = 0 TO 399
    Ci! = -1.2 + Py% * .006
    FOR Px% = 0 TO 639
        Cr! = -2.2 + Px% * .005
        Zr! = 0: Zi! = 0: N% = 0
        DO WHILE N% < 100 AND Zr! * Zr! + Zi! * Zi! < 4
            T! = Zr! * Zr! - Zi! * Zi! + Cr!
            Zi! = 2 * Zr! * Zi! + Ci!
            Zr! = T!
            N% = N% + 1
        LOOP
        Total& = Total& + N%
    NEXT Px%
NEXT Py%
' The result, for the benchmark to compare with its own: four bytes at 0000:0600.
DEF SEG = 0
POKE &H600, Total& AND 255: POKE &H601, (Total& \ 256) AND 255
POKE &H602, (Total& \ 65536) AND 255: POKE &H603, (Total& \ 16777216) AND 255
DEF SEG
