' String scanning: a text of about 9,000 characters built from words cut with MID$ out of a
' phrase, then scanned again and again: words counted by INSTR for the spaces, letters
' weighted by ASC of MID$ over LEN, vowels found with INSTR in a short string.
DEFINT A-Z
Phrase$ = "the quick brown fox jumps over the lazy dog while cats sleep"
T$ = ""
FOR I = 1 TO 2000
    W$ = MID$(Phrase$, 1 + (I * 7) MOD 50, 1 + I MOD 6)
    T$ = T$ + LTRIM$(W$) + " "
NEXT I
Words& = 0: Sum& = 0: Vowels& = 0
FOR Pass = 1 TO 40
    P = 1
    DO
        Q = INSTR(P, T$, " ")
        IF Q = 0 THEN EXIT DO
        IF Q > P THEN Words& = Words& + 1
        P = Q + 1
    LOOP
    FOR I = 1 TO LEN(T$)
        C = ASC(MID$(T$, I, 1))
        IF C >= 97 AND C <= 122 THEN Sum& = Sum& + (C - 96) * (I MOD 13)
        IF INSTR("aeiou", MID$(T$, I, 1)) > 0 THEN Vowels& = Vowels& + 1
    NEXT I
NEXT Pass
Result& = Words& + Sum& + Vowels&
' The result, for the benchmark to compare with its own: four bytes at 0000:0600.
DEF SEG = 0
POKE &H600, Result& AND 255: POKE &H601, (Result& \ 256) AND 255
POKE &H602, (Result& \ 65536) AND 255: POKE &H603, (Result& \ 16777216) AND 255
DEF SEG
