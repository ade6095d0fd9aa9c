' The spectral norm of the infinite matrix A(i, j) = 1 / ((i + j - 2)(i + j - 1) / 2 + i), cut to
' 200 by 200: ten products by A and its transpose, each element from a FUNCTION of its two
' INTEGER subscripts called in the inner loop. The norm, times 10^9, rounded.
DEFINT I-N
DECLARE FUNCTION A# (I AS INTEGER, J AS INTEGER)
N = 200
DIM U#(N), V#(N), T#(N)
FOR I = 1 TO N: U#(I) = 1: NEXT
FOR Rep = 1 TO 5
    ' V = At(A(U)), then U = At(A(V))
    FOR Pass = 1 TO 2
        FOR I = 1 TO N
            S# = 0
            FOR J = 1 TO N: S# = S# + A#(I, J) * U#(J): NEXT J
            T#(I) = S#
        NEXT I
        FOR I = 1 TO N
            S# = 0
            FOR J = 1 TO N: S# = S# + A#(J, I) * T#(J): NEXT J
            V#(I) = S#
        NEXT I
        FOR I = 1 TO N: SWAP U#(I), V#(I): NEXT I
    NEXT Pass
NEXT Rep
' After the last pass U holds A'A of V.
VBV# = 0: VV# = 0
FOR I = 1 TO N: VBV# = VBV# + U#(I) * V#(I): VV# = VV# + V#(I) * V#(I): NEXT I
Result& = CLNG(SQR(VBV# / VV#) * 1000000000#)
' The result, for the benchmark to compare with its own: four bytes at 0000:0600.
DEF SEG = 0
POKE &H600, Result& AND 255: POKE &H601, (Result& \ 256) AND 255
POKE &H602, (Result& \ 65536) AND 255: POKE &H603, (Result& \ 16777216) AND 255
DEF SEG

FUNCTION A# (I AS INTEGER, J AS INTEGER)
    A# = 1# / ((I + J - 2#) * (I + J - 1#) / 2 + I)
END FUNCTION
