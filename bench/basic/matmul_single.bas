' A matrix product in SINGLE through a SUB taking the three arrays and the size, called twelve
' times with the product scaled back into the first matrix between calls (two-dimensional
' arrays, suffixed names, NEXT with several counters). The rounded trace and a corner.
DECLARE SUB MatMul (A() AS SINGLE, B() AS SINGLE, C() AS SINGLE, N AS INTEGER)
CONST SIZE = 80
DIM A!(1 TO SIZE, 1 TO SIZE), B!(1 TO SIZE, 1 TO SIZE), C!(1 TO SIZE, 1 TO SIZE)
FOR I% = 1 TO SIZE
    FOR J% = 1 TO SIZE
        A!(I%, J%) = (I% + J%) / 10
        B!(I%, J%) = (I% - J%) / 7
    NEXT J%, I%
FOR Rep% = 1 TO 12
    MatMul A!(), B!(), C!(), SIZE
    FOR I% = 1 TO SIZE
        FOR J% = 1 TO SIZE
            A!(I%, J%) = C!(I%, J%) / 1000 + 1
        NEXT J%
    NEXT I%
NEXT Rep%
Tr! = 0
FOR I% = 1 TO SIZE: Tr! = Tr! + C!(I%, I%): NEXT I%
Result& = CLNG(ABS(Tr!) / 10) + CLNG(ABS(C!(SIZE, 1)))
DEF SEG = 0
POKE &H600, Result& AND 255: POKE &H601, (Result& \ 256) AND 255
POKE &H602, (Result& \ 65536) AND 255: POKE &H603, (Result& \ 16777216) AND 255
DEF SEG

SUB MatMul (A() AS SINGLE, B() AS SINGLE, C() AS SINGLE, N AS INTEGER)
    FOR I% = 1 TO N
        FOR J% = 1 TO N
            S! = 0
            FOR K% = 1 TO N
                S! = S! + A(I%, K%) * B(K%, J%)
            NEXT K%
            C(I%, J%) = S!
        NEXT J%
    NEXT I%
END SUB
