' A DOUBLE matrix product, C#() = A#() * B#() over 90 by 90 matrices in two-dimensional arrays,
' with INTEGER subscripts (DEFINT I-N) and the sums in a DOUBLE: C#'s trace and a corner element,
' scaled and rounded.
DEFINT I-N
N = 90
DIM A#(N, N), B#(N, N), C#(N, N)
FOR I = 1 TO N
    FOR J = 1 TO N
        A#(I, J) = (I + J) / 7#
        B#(I, J) = (I - 2 * J) / (N + 1#)
    NEXT J
NEXT I
FOR Rep = 1 TO 5
    FOR I = 1 TO N
        FOR J = 1 TO N
            S# = 0
            FOR K = 1 TO N
                S# = S# + A#(I, K) * B#(K, J)
            NEXT K
            C#(I, J) = S# / Rep
        NEXT J
    NEXT I
NEXT Rep
Tr# = 0
FOR I = 1 TO N: Tr# = Tr# + C#(I, I): NEXT I
Result& = CLNG(ABS(Tr#) * 10) + CLNG(ABS(C#(N, 1)))
' The result, for the benchmark to compare with its own: four bytes at 0000:0600.
DEF SEG = 0
POKE &H600, Result& AND 255: POKE &H601, (Result& \ 256) AND 255
POKE &H602, (Result& \ 65536) AND 255: POKE &H603, (Result& \ 16777216) AND 255
DEF SEG
