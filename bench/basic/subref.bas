' SUBs with parameters by reference called in loops: a bubble sort of 1,800 INTEGERs that
' swaps through SUB Swap2 (array elements passed by reference), then the sorted values folded
' into a LONG through SUB Accum. The fold is the result.
DEFINT A-Z
DECLARE SUB Swap2 (A AS INTEGER, B AS INTEGER)
DECLARE SUB Accum (T&, V%)
CONST N = 1800
DIM D(1 TO N)
Seed& = 7
FOR I = 1 TO N
    Seed& = (Seed& * 1103 + 12345) MOD 65536
    D(I) = Seed& \ 2 - 16384
NEXT I
FOR I = 1 TO N - 1
    Done = -1
    FOR J = 1 TO N - I
        IF D(J) > D(J + 1) THEN Swap2 D(J), D(J + 1): Done = 0
    NEXT J
    IF Done THEN EXIT FOR
NEXT I
Sum& = 0
FOR Rep = 1 TO 20
    FOR I = 1 TO N
        Accum Sum&, D(I)
    NEXT I
NEXT Rep
' The result, for the benchmark to compare with its own: four bytes at 0000:0600.
DEF SEG = 0
POKE &H600, Sum& AND 255: POKE &H601, (Sum& \ 256) AND 255
POKE &H602, (Sum& \ 65536) AND 255: POKE &H603, (Sum& \ 16777216) AND 255
DEF SEG

SUB Accum (T&, V%)
    T& = (T& * 31 + V%) AND &HFFFFFF
END SUB

SUB Swap2 (A AS INTEGER, B AS INTEGER)
    T = A: A = B: B = T
END SUB
