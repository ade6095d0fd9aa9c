' Each file error provoked and caught by the handler, which prints ERR and goes on.
ON ERROR GOTO Handler
PRINT #9, "x"
OPEN "nofile.tmp" FOR INPUT AS #1
OPEN "e.tmp" FOR OUTPUT AS #1
INPUT #1, A
OPEN "e.tmp" FOR OUTPUT AS #1
CLOSE #1
OPEN "e2.tmp" FOR OUTPUT AS #2: CLOSE #2
NAME "e.tmp" AS "e2.tmp"
OPEN "e.tmp" FOR INPUT AS #1
INPUT #1, A
CLOSE #1
OPEN "" FOR INPUT AS #1
OPEN "nodir/x.tmp" FOR OUTPUT AS #1
OPEN "." FOR INPUT AS #1
KILL "e.tmp": KILL "e2.tmp"
KILL "e.tmp"
PRINT
PRINT "end"
END
Handler:
PRINT ERR;
RESUME NEXT
