' A high-score table kept in a file: written, appended to, read back, sorted and shown; the
' raw lines read back with LINE INPUT; the file removed with KILL.
F$ = "scores.tmp"
OPEN F$ FOR OUTPUT AS #1
PRINT #1, "ann,"; 120
PRINT #1, "bob,"; 75
CLOSE #1
OPEN F$ FOR APPEND AS #1
WRITE #1, "cy, jr", 300
CLOSE
DIM N$(10), S(10)
OPEN F$ FOR INPUT AS #2
DO UNTIL EOF(2)
    C = C + 1
    INPUT #2, N$(C), S(C)
LOOP
CLOSE #2
PRINT C; "scores"
FOR I = 1 TO C - 1
    FOR J = 1 TO C - I
        IF S(J) < S(J + 1) THEN SWAP S(J), S(J + 1): SWAP N$(J), N$(J + 1)
    NEXT J
NEXT I
FOR I = 1 TO C: PRINT N$(I); S(I): NEXT
OPEN F$ FOR INPUT AS #3
WHILE NOT EOF(3)
    LINE INPUT #3, L$
    PRINT "["; L$; "]"
WEND
CLOSE #3
KILL F$
ON ERROR GOTO Gone
OPEN F$ FOR INPUT AS #1
PRINT "still there"
END
Gone:
PRINT "gone"; ERR
RESUME Done
Done:
END
