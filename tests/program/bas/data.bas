' Arrays, strings and the string statements.
DIM A(5), B%(1 TO 3, 1 TO 2), N$(3)
FOR I = 0 TO 5: A(I) = I * I: NEXT
PRINT "A:"; A(0); A(5)
FOR I = 1 TO 3: FOR J = 1 TO 2: B%(I, J) = I * 10 + J: NEXT: NEXT
PRINT "B:"; B%(3, 2); B%(1, 1)
N$(1) = "x": N$(2) = N$(1) + "y": N$(3) = N$(2) + N$(2)
PRINT "N:"; N$(3); LEN(N$(3))
C(3) = 7: PRINT "C:"; C(3); C(10)
S$ = "Hello, World"
PRINT LEFT$(S$, 5); "|"; RIGHT$(S$, 5); "|"; MID$(S$, 8, 3); "|"; UCASE$(S$)
PRINT INSTR(S$, "o"); INSTR(6, S$, "o"); LEN(S$); ASC("A"); CHR$(66); STR$(-3); VAL("12.5")
T$ = "abcdef": MID$(T$, 2, 3) = "XYZ": PRINT T$
DIM F AS STRING * 5: F = "ab": PRINT "["; F; "]"
LSET F = "xy": PRINT "["; F; "]": RSET F = "xy": PRINT "["; F; "]"
P$ = "1": Q$ = "2": SWAP P$, Q$: PRINT P$; Q$; " :'"
A% = 5: A! = 2.5: PRINT A%; A!
IF "abc" < "abd" AND "b" > "a" THEN PRINT "less" ELSE PRINT "more"
