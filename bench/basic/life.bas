' Conway's Life on an 80 by 60 INTEGER grid with a dead border, 150 generations: each cell's
' eight neighbours summed from the two-dimensional array, the next generation built in a
' second array and copied back. The live cells of every generation summed.
DEFINT A-Z
CONST W = 80, H = 60
DIM G(W + 1, H + 1), N(W + 1, H + 1)
FOR Y = 1 TO H
    FOR X = 1 TO W
        IF (X * 7 + Y * 13) MOD 5 = 0 OR X MOD 7 = Y MOD 3 THEN G(X, Y) = 1
    NEXT X
NEXT Y
Alive& = 0
FOR Gen = 1 TO 150
    FOR Y = 1 TO H
        FOR X = 1 TO W
            S = G(X - 1, Y - 1) + G(X, Y - 1) + G(X + 1, Y - 1) + G(X - 1, Y) + G(X + 1, Y) _
                + G(X - 1, Y + 1) + G(X, Y + 1) + G(X + 1, Y + 1)
            IF S = 3 OR (S = 2 AND G(X, Y) = 1) THEN N(X, Y) = 1 ELSE N(X, Y) = 0
        NEXT X
    NEXT Y
    FOR Y = 1 TO H
        FOR X = 1 TO W
            G(X, Y) = N(X, Y)
            Alive& = Alive& + G(X, Y)
        NEXT X
    NEXT Y
NEXT Gen
' The result, for the benchmark to compare with its own: four bytes at 0000:0600.
DEF SEG = 0
POKE &H600, Alive& AND 255: POKE &H601, (Alive& \ 256) AND 255
POKE &H602, (Alive& \ 65536) AND 255: POKE &H603, (Alive& \ 16777216) AND 255
DEF SEG
