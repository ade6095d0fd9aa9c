' Balls in a box as an array of TYPE records updated by a SUB taking the array: each element
' copied into a local record, moved with gravity, bounced off the walls (IF/ELSEIF), slowed
' when SQR of its speed squared is too high, and copied back. 600 balls, 1,000 frames.
TYPE Ball
    X AS SINGLE
    Y AS SINGLE
    DX AS SINGLE
    DY AS SINGLE
    Hits AS INTEGER
END TYPE
DECLARE SUB StepAll (B() AS Ball, N%)
CONST NB = 600
DIM Balls(1 TO NB) AS Ball
FOR I% = 1 TO NB
    Balls(I%).X = (I% * 37) MOD 320: Balls(I%).Y = (I% * 11) MOD 200
    Balls(I%).DX = (I% MOD 9 - 4) * .75: Balls(I%).DY = (I% MOD 5 - 2) * .5
    Balls(I%).Hits = 0
NEXT I%
FOR F% = 1 TO 1000
    StepAll Balls(), NB
NEXT F%
Sum& = 0
FOR I% = 1 TO NB
    Sum& = Sum& + Balls(I%).Hits * 3 + INT(Balls(I%).X) + INT(Balls(I%).Y)
NEXT I%
DEF SEG = 0
POKE &H600, Sum& AND 255: POKE &H601, (Sum& \ 256) AND 255
POKE &H602, (Sum& \ 65536) AND 255: POKE &H603, (Sum& \ 16777216) AND 255
DEF SEG

SUB StepAll (B() AS Ball, N%)
    DIM T AS Ball
    FOR I% = 1 TO N%
        T = B(I%)
        T.DY = T.DY + .1
        T.X = T.X + T.DX: T.Y = T.Y + T.DY
        IF T.X < 0 THEN
            T.X = -T.X: T.DX = -T.DX: T.Hits = T.Hits + 1
        ELSEIF T.X > 319 THEN
            T.X = 638 - T.X: T.DX = -T.DX: T.Hits = T.Hits + 1
        END IF
        IF T.Y > 199 THEN
            T.Y = 398 - T.Y: T.DY = -T.DY * .9: T.Hits = T.Hits + 1
        ELSEIF T.Y < 0 THEN
            T.Y = -T.Y: T.DY = -T.DY
        END IF
        Speed! = SQR(T.DX * T.DX + T.DY * T.DY)
        IF Speed! > 6 THEN T.DX = T.DX * .8: T.DY = T.DY * .8
        B(I%) = T
    NEXT I%
END SUB
