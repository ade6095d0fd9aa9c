' RUN starts the program again with its variables cleared, its files closed and its DATA read
' from the start; RUN n starts it at line n; RUN "name" starts another program. A file
' counts the runs, since the variables cannot.
10 READ D
20 N = 0
30 OPEN "runs.tmp" FOR APPEND AS #1: CLOSE #1
40 OPEN "runs.tmp" FOR INPUT AS #1
50 DO UNTIL EOF(1): LINE INPUT #1, L$: N = N + 1: LOOP
60 CLOSE #1
70 PRINT "start: runs"; N; "seen"; Seen; "data"; D
80 Seen = 5
90 OPEN "runs.tmp" FOR APPEND AS #2: PRINT #2, "x"
100 IF N = 0 THEN RUN
110 IF N = 1 THEN GOSUB 400
120 PRINT "not reached"
130 DATA 11
300 PRINT "at 300: seen"; Seen; "runs"; N
310 OPEN "runs.tmp" FOR INPUT AS #2
320 DO UNTIL EOF(2): LINE INPUT #2, L$: C = C + 1: LOOP
330 CLOSE #2
340 PRINT "lines written:"; C
350 KILL "runs.tmp"
360 RUN "_run_next"
400 RUN 300
