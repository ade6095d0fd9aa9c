' Arrays whose shape changes while a loop uses them: a SUB, a GOSUB, an error handler and a
' timer's handler REDIM or ERASE them in the middle of loops made only of flag-tested
' statements, and an undeclared array is given its implicit DIM by its first use in a loop.
' Every later access must see the new shape: the new bounds, the new storage.
DEFINT A-Z
REDIM SHARED A(5)
' A SUB called in the loop makes the array larger: stores up to 12 then fit.
FOR I = 1 TO 12
  A(I) = I * 2
  IF I = 3 THEN Grow
NEXT I
PRINT "grown"; UBOUND(A); A(1); A(4); A(12)
' The GOSUB's REDIM makes it smaller: the store to 6 is then error 9.
ON ERROR GOTO Report
FOR I = 1 TO 7
300   A(I) = I
  IF I = 2 THEN GOSUB Shrink
NEXT I
PRINT "shrunk"; UBOUND(A); A(1); A(3); A(5)
' The error handler mends the array and RESUME stores again, into the larger one.
ON ERROR GOTO Mend
REDIM B(4)
FOR I = 1 TO 9
  B(I) = 100 + I
NEXT I
PRINT "mended"; UBOUND(B); B(4); B(5); B(9)
' ERASE and REDIM in the loop: the stores after each go to the array as it now is.
ON ERROR GOTO Report
REDIM C(3)
FOR I = 0 TO 5
500   C(I MOD 4) = I
  IF I = 1 THEN ERASE C
  IF I = 3 THEN REDIM C(3)
NEXT I
PRINT "erased"; C(0); C(1); C(2); C(3)
' An undeclared array, DIMmed by its first use inside the loop; 11 is outside it.
FOR I = 0 TO 11
600   D(I) = I * I: S& = S& + D(I)
NEXT I
PRINT "implicit"; UBOUND(D); S&
' A two-dimensional array made larger by the timer's handler while a loop counts in it: the
' pass after the handler counts in the new (cleared) storage.
REDIM SHARED G(2, 2)
ON TIMER(1) GOSUB Regrow
TIMER ON
DO
  G(1, 2) = (G(1, 2) + 1) AND 1023
LOOP UNTIL Regrown
TIMER OFF
PRINT "timer"; UBOUND(G, 1); UBOUND(G, 2); G(1, 2); G(7, 7)
END

Shrink:
  REDIM A(5)
  RETURN
Report:
  PRINT "err"; ERR; "line"; ERL
  RESUME NEXT
Mend:
  PRINT "mend"; ERR
  REDIM PRESERVE B(20)
  RESUME
Regrow:
  REDIM G(8, 8)
  Regrown = 1
  RETURN

SUB Grow
  REDIM PRESERVE A(20)
END SUB
