' PSET and POINT in loops of statements that raise only through their own checks: a colour
' out of range is error 6 at its own line, RESUME NEXT goes on with the next pixel, and
' POINT reads back what was drawn and -1 outside the view.
SCREEN 13
ON ERROR GOTO Report
FOR X% = 0 TO 5
810 PSET (X%, 3), X% * 1E+09
NEXT X%
FOR X% = -1 TO 6
  C% = POINT(X%, 3)
  S$ = S$ + STR$(C%)
NEXT X%
PRINT S$
END
Report:
  PRINT "err"; ERR; "line"; ERL; "x"; X%
  RESUME NEXT
