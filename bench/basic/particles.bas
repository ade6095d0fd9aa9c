' An array of 1,000 TYPE records updated for 3,000 frames: each live particle falls under
' gravity, bounces off the sides and the floor, losing speed at the floor, and dies when it
' comes to rest there; a dead one is thrown up again from the middle. The positions rounded
' and summed with the live count.
TYPE Particle
    X AS SINGLE
    Y AS SINGLE
    VX AS SINGLE
    VY AS SINGLE
    Alive AS INTEGER
END TYPE
CONST NP = 1000
DIM P(1 TO NP) AS Particle
FOR I% = 1 TO NP
    P(I%).X = (I% * 17) MOD 320: P(I%).Y = (I% * 29) MOD 200
    P(I%).VX = ((I% MOD 13) - 6) / 4: P(I%).VY = ((I% MOD 7) - 3) / 2
    P(I%).Alive = -1
NEXT I%
FOR Frame% = 1 TO 3000
    FOR I% = 1 TO NP
        IF P(I%).Alive THEN
            P(I%).VY = P(I%).VY + .05
            P(I%).X = P(I%).X + P(I%).VX
            P(I%).Y = P(I%).Y + P(I%).VY
            IF P(I%).X < 0 OR P(I%).X > 319 THEN P(I%).VX = -P(I%).VX: P(I%).X = P(I%).X + P(I%).VX
            IF P(I%).Y > 199 THEN
                P(I%).Y = 199: P(I%).VY = -P(I%).VY * .8
                IF ABS(P(I%).VY) < .3 THEN P(I%).Alive = 0
            END IF
        ELSE
            P(I%).X = 160: P(I%).Y = 100
            P(I%).VX = ((I% + Frame%) MOD 11 - 5) / 3: P(I%).VY = -2 - (Frame% MOD 5)
            P(I%).Alive = -1
        END IF
    NEXT I%
NEXT Frame%
Sum& = 0
FOR I% = 1 TO NP
    Sum& = Sum& + CINT(P(I%).X) + CINT(P(I%).Y) - P(I%).Alive
NEXT I%
' The result, for the benchmark to compare with its own: four bytes at 0000:0600.
DEF SEG = 0
POKE &H600, Sum& AND 255: POKE &H601, (Sum& \ 256) AND 255
POKE &H602, (Sum& \ 65536) AND 255: POKE &H603, (Sum& \ 16777216) AND 255
DEF SEG
