' Files: about 10 MB of text lines written with PRINT # and read back with LINE INPUT #, then
' 10 MB of 64-byte records written with PUT and read back with GET on a RANDOM file, in the
' folder named by KELBENCH_DIR. The lengths, numbers and fields read back make the result.
TYPE Rec
    Id AS LONG
    Value AS DOUBLE
    Label AS STRING * 52
END TYPE
DIM R AS Rec
Dir$ = ENVIRON$("KELBENCH_DIR")
IF Dir$ = "" THEN Dir$ = "."
Pad$ = "abcdefghijklmnopqrstuvwxyz0123456789-abcdefgh"
OPEN Dir$ + "/lines.txt" FOR OUTPUT AS #1
FOR I& = 1 TO 190000
    PRINT #1, I&; Pad$
NEXT I&
CLOSE #1
Total& = 0: Chk& = 0
OPEN Dir$ + "/lines.txt" FOR INPUT AS #1
DO WHILE NOT EOF(1)
    LINE INPUT #1, L$
    Total& = Total& + LEN(L$)
    Chk& = Chk& XOR VAL(L$)
LOOP
CLOSE #1
KILL Dir$ + "/lines.txt"
OPEN Dir$ + "/records.dat" FOR RANDOM AS #2 LEN = LEN(R)
FOR I& = 1 TO 163840
    R.Id = I& * 3: R.Value = I& / 8#: R.Label = MID$(Pad$, 1 + I& MOD 20, 20)
    PUT #2, I&, R
NEXT I&
FOR I& = 1 TO 163840
    GET #2, I&, R
    Total& = Total& + R.Id MOD 7 + ASC(R.Label)
    IF R.Value * 8 <> I& THEN ERROR 5
NEXT I&
CLOSE #2
KILL Dir$ + "/records.dat"
Result& = (Total& AND &H7FFFFFFF) XOR Chk&
' The result, for the benchmark to compare with its own: four bytes at 0000:0600.
DEF SEG = 0
POKE &H600, Result& AND 255: POKE &H601, (Result& \ 256) AND 255
POKE &H602, (Result& \ 65536) AND 255: POKE &H603, (Result& \ 16777216) AND 255
DEF SEG
