' DATA and READ: numbers, quoted and unquoted strings, mixed types, RESTORE to a label and to a
' line number, reading the same items again.
READ A, B, C
PRINT A; B; C
READ S$, T$, U$
PRINT "["; S$; "]["; T$; "]["; U$; "]"
READ N%, W$, V#, Big&
PRINT N%; W$; V#; Big&
READ Z$, Q$
PRINT "["; Z$; "]["; Q$; "]"
RESTORE Colors
READ C1$, C2$
RESTORE Colors
READ C3$
PRINT C1$; " "; C2$; " "; C3$
RESTORE 500
READ P, P2
PRINT P; P2;
RESTORE
READ A
PRINT A
FOR I = 1 TO 3
  RESTORE Colors
  READ C1$
  PRINT C1$;
NEXT I
PRINT
RESTORE Colors
Total = 0
FOR I = 1 TO 2
  READ C1$
NEXT I
DO
  READ V
  IF V < 0 THEN EXIT DO
  Total = Total + V
LOOP
PRINT "sum:"; Total
END

DATA 10, -3, 2.5
DATA "Hello, world",   plain text  ,"x"
DATA 7, seven, 0.125, 100000
DATA 42, "  kept  "
Colors:
DATA red, green
DATA 1, 2, 3, 4, -1
500 DATA 5, -6
