' FOR loops made only of flag-tested statements run as a copy whose subscripts are checked
' once, at the loop's entry, for the whole range of the counter. Everything the checked loop
' does must still happen in the copy: an error names its own line and RESUME NEXT goes on
' after it, RESUME runs the statement again, a subscript that leaves the bounds only at the
' end of the range is still error 9 there, a counter at the top of its type still overflows,
' and a timer still fires inside a long loop. The loops' ends are variables: a loop of a few
' passes written out gets no copy.
DEFINT A-Z
Ten = 10: Five = 5: Twelve = 12: Fifty = 50
ON ERROR GOTO Report
' An overflow in the copy (I * 4000 from I = 9), reported at its line, twice.
DIM A(10)
FOR I = 1 TO Ten
710 A(I) = I * 4000
NEXT I
PRINT "ovf"; A(8); A(9); I
' Division by zero at I = 3: the handler mends D and RESUME runs the statement again.
ON ERROR GOTO Mend
DIM Q(5)
FOR I = 1 TO Five
720 Q(I) = 100 \ (D + I - 3)
NEXT I
PRINT "resume"; Q(1); Q(2); Q(3); Q(4); Q(5)
ON ERROR GOTO Report
' The bounds are left only at the range's end: 10 stores, then error 9 for 11 and 12.
DIM E(10)
FOR I = 1 TO Twelve
730 E(I) = I
NEXT I
PRINT "end"; E(1); E(10); I
' A counter at the top of INTEGER: the last step overflows, and the loop is left.
DIM F(100)
Top = 32767
FOR I = 32760 TO Top
740 F(I - 32700) = I - 32700
NEXT I
PRINT "top"; F(60); F(67); I
' A subscript read from another array is checked in the copy: B(7) = 99 is error 9.
DIM P(20), B(10)
FOR I = 1 TO 10: B(I) = 11 - I: NEXT I
B(7) = 99
FOR I = 1 TO Ten
750 P(2 * I - 1) = P(B(I)) + I
NEXT I
PRINT "via"; P(1); P(7); P(11); P(13); P(15); P(19)
' A LONG counter stepping down by 3 over 5,000 elements (several blocks of passes).
DIM H&(5000)
FOR J& = 5000 TO 1 STEP -3
  H&(J&) = J& * 2
NEXT J&
PRINT "down"; J&; H&(5000); H&(4997); H&(2); H&(1)
' EXIT FOR from inside, with the IF's own jumps.
DIM S(50)
FOR I = 1 TO Fifty
  IF I MOD 2 = 0 THEN S(I) = 1 ELSE S(I) = -1
  IF I = 37 THEN EXIT FOR
NEXT I
PRINT "exit"; I; S(36); S(37); S(38)
' A variable of the subscript that the loop changes, and a counter the loop changes.
DIM Z(20)
W = 0
FOR I = 1 TO Five
  Z(I + W) = I
  W = W + 1
NEXT I
FOR I = 1 TO 10
  I = I + 1
  Z(I) = -I
NEXT I
PRINT "moving"; Z(1); Z(3); Z(9); Z(2); Z(10); I
' A two-dimensional sum with a product of the counter and a value set before the loop.
DIM M#(3, 9)
Cols = 2
FOR I = 0 TO 3
  FOR K = 0 TO Five - 1
    M#(I, Cols * K + 1) = I * 10 + K
  NEXT K
NEXT I
T# = 0
FOR I = 0 TO 3
  FOR K = 0 TO Five - 1
    T# = T# + M#(I, Cols * K + 1) * (K + 1)
  NEXT K
NEXT I
PRINT "matrix"; T#
' The same in a SUB, on its own array.
Fill 100
' A long loop that only the timer's handler ends (each pass waits for the store eight passes
' before it, so the two billion passes take seconds); the handler runs between statements.
DIM V(10)
ON TIMER(1) GOSUB Tick
TIMER ON
FOR N& = 1 TO 2000000000
  V(N& AND 7) = (V(N& AND 7) * 3 + 1) AND 1023
  V(9) = V(9) XOR 1
  IF Ticked THEN EXIT FOR
NEXT N&
TIMER OFF
PRINT "timer"; Ticked; N& < 2000000000
END

Report:
  PRINT "err"; ERR; "line"; ERL
  RESUME NEXT
Mend:
  PRINT "mend"; ERR; "line"; ERL
  D = 1
  RESUME
Tick:
  Ticked = 1
  RETURN

SUB Fill (N)
  DIM L(N)
  FOR I = 0 TO N
    L(I) = I * I
  NEXT I
  PRINT "sub"; L(N); L(N \ 2); L(0)
END SUB
