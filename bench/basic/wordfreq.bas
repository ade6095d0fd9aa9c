' Word frequencies: 20,000 words drawn from a DATA list by a LONG generator, some capitalised
' with UCASE$(LEFT$(...)) + MID$(...), are looked up with LCASE$ in a SHARED array of strings
' by a FUNCTION's linear search and counted; then sorted by count (ties by the words) with
' SWAP on both arrays. Counts and first letters weighted by rank make the result.
DEFINT A-Z
DECLARE FUNCTION FindWord (W$)
DIM SHARED Words$(1 TO 50), Counts(1 TO 50), NWords
DIM Pool$(1 TO 24)
FOR I = 1 TO 24: READ Pool$(I): NEXT I
Seed& = 99
FOR I = 1 TO 20000
    Seed& = (Seed& * 1103 + 12345) MOD 65536
    W$ = Pool$(1 + (Seed& \ 7) MOD 24)
    IF (I AND 3) = 0 THEN W$ = UCASE$(LEFT$(W$, 1)) + MID$(W$, 2)
    K = FindWord(LCASE$(W$))
    IF K = 0 THEN NWords = NWords + 1: K = NWords: Words$(K) = LCASE$(W$)
    Counts(K) = Counts(K) + 1
NEXT I
FOR I = 1 TO NWords - 1
    FOR J = I + 1 TO NWords
        IF Counts(J) > Counts(I) OR (Counts(J) = Counts(I) AND Words$(J) < Words$(I)) THEN
            SWAP Counts(I), Counts(J)
            SWAP Words$(I), Words$(J)
        END IF
    NEXT J
NEXT I
Result& = 0
FOR I = 1 TO NWords
    Result& = Result& + CLNG(Counts(I)) * I + ASC(Words$(I)) * I + LEN(Words$(I))
NEXT I
DEF SEG = 0
POKE &H600, Result& AND 255: POKE &H601, (Result& \ 256) AND 255
POKE &H602, (Result& \ 65536) AND 255: POKE &H603, (Result& \ 16777216) AND 255
DEF SEG
DATA apple, river, stone, cloud, ember, frost, grove, harbor, island, jungle, kettle, lantern
DATA meadow, nectar, orchard, pebble, quarry, raven, saddle, thistle, umber, valley, willow, yonder

FUNCTION FindWord (W$)
    FOR I = 1 TO NWords
        IF Words$(I) = W$ THEN FindWord = I: EXIT FUNCTION
    NEXT I
    FindWord = 0
END FUNCTION
