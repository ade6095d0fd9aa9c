' Records in a random-access file: written, one updated in place, read back; FIELD with LSET;
' a binary file with positions.
TYPE Entry
    Nm AS STRING * 6
    Pts AS INTEGER
END TYPE
DIM R AS Entry
F$ = "rand.tmp"
OPEN F$ FOR RANDOM AS #1 LEN = LEN(R)
FOR I = 1 TO 3
    R.Nm = CHR$(64 + I) + "x": R.Pts = I * 10
    PUT #1, I, R
NEXT
PRINT LOF(1); LEN(R)
GET #1, 2, R
R.Pts = R.Pts + 5
PUT #1, 2, R
GET #1, 2, R
PRINT "["; R.Nm; "]"; R.Pts
GET #1, 3, R
PRINT LOC(1); R.Pts
CLOSE #1
OPEN F$ FOR RANDOM AS #2 LEN = 8
FIELD #2, 6 AS A$, 2 AS B$
GET #2, 1
PRINT "["; A$; "]"; ASC(B$)
LSET A$ = "Zed"
PUT #2, 1
CLOSE #2
OPEN F$ FOR RANDOM AS #1 LEN = LEN(R)
GET #1, 1, R
PRINT "["; R.Nm; "]"; R.Pts
CLOSE #1
KILL F$
OPEN "bin.tmp" FOR BINARY AS #3
X$ = "hello"
PUT #3, 1, X$
SEEK #3, 2
Y$ = SPACE$(3)
GET #3, , Y$
PRINT Y$; SEEK(3); LOF(3)
CLOSE #3
KILL "bin.tmp"
END
