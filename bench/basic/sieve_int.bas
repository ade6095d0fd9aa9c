' An INTEGER sieve the way hobby programs write one: flags in an INTEGER array set to -1 (true),
' INTEGER loop counters, the multiples walked with a LONG counter (their sums pass 32767), the
' whole sieve repeated for several passes: the primes counted over all passes.
DEFINT A-Z
CONST N = 30000
DIM F%(N)
Total& = 0
FOR Pass% = 1 TO 120
    FOR I% = 2 TO N: F%(I%) = -1: NEXT I%
    Count% = 0
    FOR I% = 2 TO N
        IF F%(I%) THEN
            Count% = Count% + 1
            FOR J& = CLNG(I%) * I% TO N STEP I%
                F%(J&) = 0
            NEXT J&
        END IF
    NEXT I%
    Total& = Total& + Count%
NEXT Pass%
' The result, for the benchmark to compare with its own: four bytes at 0000:0600.
DEF SEG = 0
POKE &H600, Total& AND 255: POKE &H601, (Total& \ 256) AND 255
POKE &H602, (Total& \ 65536) AND 255: POKE &H603, (Total& \ 16777216) AND 255
DEF SEG
