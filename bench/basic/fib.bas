' A recursive FUNCTION: Fibonacci numbers the slow way, Fib&(N% - 1) + Fib&(N% - 2), for N% up
' to 27, each computed afresh: their sum.
DECLARE FUNCTION Fib& (N%)
Total& = 0
FOR Rep% = 1 TO 4
    FOR I% = 1 TO 27
        Total& = Total& + Fib&(I%)
    NEXT I%
NEXT Rep%
' The result, for the benchmark to compare with its own: four bytes at 0000:0600.
DEF SEG = 0
POKE &H600, Total& AND 255: POKE &H601, (Total& \ 256) AND 255
POKE &H602, (Total& \ 65536) AND 255: POKE &H603, (Total& \ 16777216) AND 255
DEF SEG

FUNCTION Fib& (N%)
    IF N% < 2 THEN
        Fib& = N%
    ELSE
        Fib& = Fib&(N% - 1) + Fib&(N% - 2)
    END IF
END FUNCTION
