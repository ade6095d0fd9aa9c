' A 2,000-character string built a character at a time, then searched for each of 26 letters
' after every position it has: the found positions summed.
A$ = ""
FOR I% = 1 TO 2000
    A$ = A$ + CHR$(65 + (I% * 7) MOD 26)
NEXT
Sum& = 0
FOR I% = 1 TO 2000 STEP 50
    FOR C% = 65 TO 90
        Sum& = Sum& + INSTR(I%, A$, CHR$(C%))
    NEXT
NEXT
IF LEN(A$) <> 2000 THEN ERROR 5
' The result, for the benchmark to compare with its own: four bytes at 0000:0600.
DEF SEG = 0
POKE &H600, Sum& AND 255: POKE &H601, (Sum& \ 256) AND 255
POKE &H602, (Sum& \ 65536) AND 255: POKE &H603, (Sum& \ 16777216) AND 255
DEF SEG
