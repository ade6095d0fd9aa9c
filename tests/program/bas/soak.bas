' Strings assigned, appended, sliced and built COMMAND$ times over. The string heap must
' compact and reuse its space rather than grow with the number of rounds.
N& = VAL(COMMAND$)
A$ = ""
S& = 0
FOR I& = 1 TO N&
    A$ = A$ + CHR$(65 + I& MOD 26)
    IF LEN(A$) > 2000 THEN A$ = MID$(A$, 1001)
    B$ = LEFT$(A$, 7) + RIGHT$(A$, 5)
    C$ = STRING$(I& MOD 300, "x") + B$
    S& = (S& + ASC(B$) + LEN(C$) + ASC(RIGHT$(C$, 1))) MOD 1000003
NEXT
PRINT "done"; LEN(A$); S&
END
