' A recursive FUNCTION of two parameters: Ackermann's function, written the usual way, so that
' some calls hand their numbers as expressions and some hand a parameter itself. A(2, N) and
' A(3, N) for small N, repeated; the sum of the values and the calls made is the result.
DECLARE FUNCTION Ack& (M AS INTEGER, N AS INTEGER)
DIM SHARED Calls AS LONG
Total& = 0
FOR Rep% = 1 TO 30
    FOR N% = 1 TO 6
        Total& = Total& + Ack&(2, N%) + Ack&(3, N%)
    NEXT N%
NEXT Rep%
Total& = Total& + Calls
' The result, for the benchmark to compare with its own: four bytes at 0000:0600.
DEF SEG = 0
POKE &H600, Total& AND 255: POKE &H601, (Total& \ 256) AND 255
POKE &H602, (Total& \ 65536) AND 255: POKE &H603, (Total& \ 16777216) AND 255
DEF SEG

FUNCTION Ack& (M AS INTEGER, N AS INTEGER)
    Calls = Calls + 1
    IF M = 0 THEN
        Ack& = N + 1
    ELSEIF N = 0 THEN
        Ack& = Ack&(M - 1, 1)
    ELSE
        Ack& = Ack&(M - 1, Ack&(M, N - 1))
    END IF
END FUNCTION
