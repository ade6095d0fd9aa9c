' Arrays and strings on their quick paths and off them: subscripts at the bounds and one past,
' after REDIM, with an error pending, undeclared arrays; CHR$ appended in place and elsewhere,
' bad codes, one-character results that are later changed, INSTR of one character.
ON ERROR GOTO Trap
DIM A(1 TO 3) AS INTEGER
FOR I = 1 TO 3: A(I) = I * 10: NEXT
PRINT A(1); A(3); A(1) + A(2) + A(3)
A(0) = 5
A(4) = 5
PRINT A(1); A(3)
X = A(-32768)
N& = -2147483647 - 1: X = A(N&)
A(2) = 1 / 0
PRINT "A(2)"; A(2)
REDIM B(5) AS LONG
B(5) = 123456
PRINT "B(5)"; B(5)
REDIM B(2) AS LONG
X = B(5)
B(2) = 7: PRINT "B(2)"; B(2); UBOUND(B)
C(10) = 3: PRINT "C(10)"; C(10)
C(11) = 1
S$ = ""
FOR I = 65 TO 70: S$ = S$ + CHR$(I): NEXT
T$ = "x"
S$ = S$ + CHR$(33)
S$ = S$ + CHR$(300)
S$ = S$ + CHR$(10 \ 0)
PRINT S$; LEN(S$); T$
M$ = MID$(S$, 2, 1) + MID$(S$, 3, 1)
M$ = M$ + M$
PRINT M$; " "; UCASE$(MID$("abc", 2, 1)); LCASE$(CHR$(66)); CHR$(66)
Q$ = CHR$(66)
MID$(Q$, 1, 1) = "Z"
PRINT Q$; CHR$(66); RIGHT$(S$, 1); LEFT$(S$, 1)
PRINT INSTR(3, "abcabc", "a"); INSTR(7, "abcabc", "a"); INSTR("abc", CHR$(0)); INSTR(1, "", "a")
END

Trap:
  PRINT "err"; ERR
  RESUME NEXT
