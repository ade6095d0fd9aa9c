' Lines and records a program has written but not closed: a command SHELL runs reads them all,
' and what the command changes the program reads afterwards. Records of 100 bytes lie across
' every block the runtime keeps; read back backwards and by jumps they are what was put.
DIM R AS STRING * 4
OPEN "held.txt" FOR OUTPUT AS #1
PRINT #1, "first"; STR$(12)
OPEN "held.dat" FOR RANDOM AS #2 LEN = 4
FOR I = 1 TO 3: R = "rec" + CHR$(48 + I): PUT #2, I, R: NEXT
GET #2, 1, R
SHELL "cat held.txt held.dat > both.txt; printf NEW1 > held.dat"
OPEN "both.txt" FOR INPUT AS #3
LINE INPUT #3, L$: PRINT L$
LINE INPUT #3, L$: PRINT L$
CLOSE #3
GET #2, 1, R: PRINT R; LOF(2); EOF(2)
GET #2, 2, R: PRINT EOF(2)
CLOSE
KILL "held.txt": KILL "held.dat": KILL "both.txt"
TYPE Big
    Id AS LONG
    Pad AS STRING * 96
END TYPE
DIM B AS Big
OPEN "big.dat" FOR RANDOM AS #1 LEN = LEN(B)
FOR I& = 1 TO 3000
    B.Id = I& * 7: B.Pad = STRING$(96, 65 + I& MOD 26)
    PUT #1, I&, B
NEXT I&
Bad& = 0
FOR I& = 3000 TO 1 STEP -1
    GET #1, I&, B
    IF B.Id <> I& * 7 OR B.Pad <> STRING$(96, 65 + I& MOD 26) THEN Bad& = Bad& + 1
NEXT I&
FOR K& = 0 TO 2999
    I& = 1 + (K& * 1031) MOD 3000
    GET #1, I&, B
    IF B.Id <> I& * 7 THEN Bad& = Bad& + 1
NEXT K&
PRINT "wrong records:"; Bad&; LOF(1); LOC(1)
CLOSE #1
OPEN "big.dat" FOR BINARY AS #1
PRINT "on disk:"; LOF(1)
CLOSE #1
KILL "big.dat"
END
