' The sieve of Eratosthenes over a 2,000,000-element INTEGER array: how many primes below it.
REDIM Flags(2000000) AS INTEGER
N& = 2000000
Count& = 0
FOR I& = 2 TO N&: Flags(I&) = 1: NEXT
FOR I& = 2 TO N&
    IF Flags(I&) THEN
        Count& = Count& + 1
        FOR J& = I& + I& TO N& STEP I&: Flags(J&) = 0: NEXT
    END IF
NEXT
IF Count& <> 148933 THEN ERROR 5
' The result, for the benchmark to compare with its own: four bytes at 0000:0600.
DEF SEG = 0
POKE &H600, Count& AND 255: POKE &H601, (Count& \ 256) AND 255
POKE &H602, (Count& \ 65536) AND 255: POKE &H603, (Count& \ 16777216) AND 255
DEF SEG
