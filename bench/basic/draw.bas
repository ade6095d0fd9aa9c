' LINE and CIRCLE in SCREEN 13 for 40 frames: each frame cleared with a filled box, then 60
' lines, 60 boxes, 60 filled boxes and 60 circles at places and in colours computed from the
' frame and the shape's number. The result is what the shapes' coordinates add up to; the
' benchmark compares the pages as well, allowing for the different pixel walks.
SCREEN 13
Sum& = 0
FOR F% = 1 TO 40
    LINE (0, 0)-(319, 199), 0, BF
    FOR I% = 0 TO 59
        X1% = (I% * 37 + F% * 11) MOD 320: Y1% = (I% * 23 + F% * 7) MOD 200
        X2% = (I% * 101 + F% * 3) MOD 320: Y2% = (I% * 53 + F% * 13) MOD 200
        C% = (I% + F%) MOD 15 + 1
        LINE (X1%, Y1%)-(X2%, Y2%), C%
        LINE (X1% \ 2, Y1% \ 2)-(X1% \ 2 + 40, Y1% \ 2 + 30), C% + 16, B
        LINE (X2% \ 2 + 100, Y2% \ 2)-STEP(12, 9), C% + 32, BF
        R% = 5 + (I% * 7) MOD 40
        CIRCLE (X1%, Y1%), R%, C% + 48
        Sum& = Sum& + X1% + Y1% + X2% + Y2% + R% + C%
    NEXT I%
NEXT F%
' The result, for the benchmark to compare with its own: four bytes at 0000:0600.
DEF SEG = 0
POKE &H600, Sum& AND 255: POKE &H601, (Sum& \ 256) AND 255
POKE &H602, (Sum& \ 65536) AND 255: POKE &H603, (Sum& \ 16777216) AND 255
DEF SEG
