' FOR loops inside FOR loops over arrays: every element the nest reaches is read and written
' as in a loop checked at each step, whatever the inner loop's range does as the outer counter
' moves, and an error, a timer or a handler that shrinks an array is seen where it happens.
DEFINT A-Z
DIM A(20), B(20, 20), T&(10)
ON ERROR GOTO Report
' A triangle whose last row is empty (J from N + 1 to N).
N = 20
FOR I = 1 TO N
  FOR J = I + 1 TO N
    B(I, J) = I * 100 + J
  NEXT J
NEXT I
S& = 0
FOR I = 1 TO N: FOR J = 1 TO N: S& = S& + B(I, J): NEXT J: NEXT I
PRINT "triangle"; S&
' The other triangle, and the counters past their ends afterwards.
S& = 0
FOR I = 1 TO 10
  FOR J = 1 TO I
    T&(J) = T&(J) + I * J
  NEXT J
NEXT I
FOR J = 1 TO 10: S& = S& + T&(J): NEXT J
PRINT "lower"; S&; I; J
' A subscript out of range at one corner only: error 9 at its own line, once for each pass
' past the bound, and RESUME NEXT goes on with the next.
Errs = 0
FOR I = 1 TO 12
  FOR J = 1 TO 10
900 A(I + J) = A(I + J) + 1
  NEXT J
NEXT I
S& = 0
FOR K = 0 TO 20: S& = S& + A(K) * K: NEXT K
PRINT "corner"; S&; Errs; ErrLine
' The inner counter read after its loop, in the outer loop: it is past the inner end.
Errs = 0
FOR I = 1 TO 3
  FOR J = 1 TO N
    A(J) = A(J) + J
  NEXT J
910 A(J) = 1
NEXT I
PRINT "after"; A(18); A(20); Errs; ErrLine
' An inner first value that overflows as the outer counter grows: error 6 at the FOR's line.
Errs = 0
FOR I = 30 TO 34
920 FOR J = I * 1000 TO 32767 STEP 2000
    A(I - 20) = A(I - 20) + 1
  NEXT J
NEXT I
PRINT "overflow"; A(10); A(12); A(13); A(14); Errs; ErrLine
' Steps other than one, both ways.
S& = 0
FOR I = 20 TO 1 STEP -3
  FOR J = 1 TO I STEP 2
    S& = S& + B(J, I) - B(I, J)
  NEXT J
NEXT I
PRINT "steps"; S&
' A timer whose handler shrinks the array the nest is filling: the next element past the new
' bound is error 9, on the line of the assignment, and it ends the nest.
ON TIMER(1) GOSUB Shrink
TIMER ON
Errs = 0
FOR R& = 1 TO 2000000000
  FOR I = 1 TO 20
    FOR J = 1 TO 20
930   B(I, J) = I + J
    NEXT J
  NEXT I
NEXT R&
TimerDone:
TIMER OFF
PRINT "timer"; Shrunk; Errs; ErrLine; UBOUND(B, 1); UBOUND(B, 2)
END

Report:
  Errs = Errs + 1: ErrLine = ERL
  IF Shrunk THEN RESUME TimerDone
  IF ERR = 6 OR ERR = 9 THEN RESUME NEXT
  PRINT "error"; ERR; "line"; ERL: END
Shrink:
  Shrunk = 1
  REDIM B(5, 5)
  RETURN
