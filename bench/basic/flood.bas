' Flood fill of a 100 x 60 grid of walls and open cells, a two-dimensional INTEGER array with
' a wall border, from a start near the centre with an explicit stack in two arrays; the
' neighbours are pushed by a GOSUB with computed subscripts. Thirty-two fills with new colours over
' the same region, then a weighted sum of the grid.
DEFINT A-Z
CONST W = 100, H = 60
DIM G(0 TO W + 1, 0 TO H + 1)
DIM SX(1 TO 25000), SY(1 TO 25000)
GOTO Start
Push:
    IF G(NX, NY) >= 0 AND G(NX, NY) <> Colour THEN
        SP = SP + 1: SX(SP) = NX: SY(SP) = NY
    END IF
    RETURN
Start:
FOR Y = 0 TO H + 1
    FOR X = 0 TO W + 1
        IF X = 0 OR Y = 0 OR X = W + 1 OR Y = H + 1 THEN
            G(X, Y) = -1
        ELSEIF (X * 7 + Y * 11) MOD 13 = 0 THEN
            G(X, Y) = -1
        ELSEIF X MOD 10 = 5 AND Y MOD 6 <> 3 THEN
            G(X, Y) = -1
        ELSE
            G(X, Y) = 0
        END IF
    NEXT X
NEXT Y
Filled& = 0
FOR Colour = 1 TO 32
    SP = 1: SX(1) = W \ 2 + 1: SY(1) = H \ 2
    DO WHILE SP > 0
        X = SX(SP): Y = SY(SP): SP = SP - 1
        IF G(X, Y) <> Colour AND G(X, Y) >= 0 THEN
            G(X, Y) = Colour: Filled& = Filled& + 1
            NX = X + 1: NY = Y: GOSUB Push
            NX = X - 1: GOSUB Push
            NX = X: NY = Y + 1: GOSUB Push
            NY = Y - 1: GOSUB Push
        END IF
    LOOP
NEXT Colour
Sum& = 0
FOR Y = 1 TO H
    FOR X = 1 TO W
        Sum& = Sum& + G(X, Y) * ((X + Y) MOD 7)
    NEXT X
NEXT Y
Result& = (Filled& * 5 + Sum&) AND &H7FFFFFFF
DEF SEG = 0
POKE &H600, Result& AND 255: POKE &H601, (Result& \ 256) AND 255
POKE &H602, (Result& \ 65536) AND 255: POKE &H603, (Result& \ 16777216) AND 255
DEF SEG
