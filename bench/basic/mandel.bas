' A single-precision Mandelbrot set, 160 by 100 points, at most 64 steps each: the steps summed.
Total& = 0
FOR Y% = 0 TO 99
    FOR X% = 0 TO 159
        CR! = X% * .01875 - 2!: CI! = Y% * .02 - 1!
        ZR! = 0: ZI! = 0: K% = 0
        DO WHILE K% < 64 AND ZR! * ZR! + ZI! * ZI! < 4!
            T! = ZR! * ZR! - ZI! * ZI! + CR!
            ZI! = 2! * ZR! * ZI! + CI!
            ZR! = T!
            K% = K% + 1
        LOOP
        Total& = Total& + K%
    NEXT
NEXT
' The result, for the benchmark to compare with its own: four bytes at 0000:0600.
DEF SEG = 0
POKE &H600, Total& AND 255: POKE &H601, (Total& \ 256) AND 255
POKE &H602, (Total& \ 65536) AND 255: POKE &H603, (Total& \ 16777216) AND 255
DEF SEG
