' PSET, PRESET and POINT in loops whose statements raise only through their own checks: the
' view clips, the colour and the graphics cursor are the page's, an overflow in a coordinate is
' error 6 at its own line with RESUME NEXT going on with the next pixel, and a timer's handler
' that changes the view, the colour and the active page is seen by the rest of the loop.
SCREEN 7
ON ERROR GOTO Report
' A view: only its columns are drawn, and POINT reads -1 outside it.
VIEW SCREEN (10, 2)-(20, 4)
FOR X% = 0 TO 319
  PSET (X%, 3), (X% * 3) AND 15
NEXT X%
Drawn% = 0: Sum& = 0
FOR X% = 0 TO 319
  C% = POINT(X%, 3)
  IF C% >= 0 THEN Drawn% = Drawn% + 1: Sum& = Sum& + C% ELSE Sum& = Sum& - 1
NEXT X%
Out$ = "view" + STR$(Drawn%) + STR$(Sum&)
VIEW
' No colour given: the foreground for PSET, the background for PRESET.
COLOR 9, 2
FOR X% = 0 TO 99
  PSET (X%, 10)
  PRESET (X% + 100, 10)
NEXT X%
Sum& = 0
FOR X% = 0 TO 199
  Sum& = Sum& + POINT(X%, 10)
NEXT X%
Out$ = Out$ + " colours" + STR$(Sum&) + STR$(POINT(0)) + STR$(POINT(1))
' An overflow in a coordinate: the pixels from there on are skipped, the cursor stays at the
' last one drawn.
FOR X% = 0 TO 49
820 PSET (X%, (X% * 1000) \ 1000 + 20), 14
NEXT X%
Sum& = 0
FOR X% = 0 TO 49
  Sum& = Sum& + POINT(X%, X% + 20)
NEXT X%
Out$ = Out$ + " overflow" + STR$(Sum&) + STR$(POINT(0)) + STR$(POINT(1))
' A timer's handler clears the page, narrows the view, changes the colour and the active page;
' a thousand passes later the loop ends. Only the new view's columns on the new page are drawn.
ON TIMER(1) GOSUB Tick
TIMER ON
FOR N& = 0 TO 2000000000
  PSET (N& MOD 320, 50)
  IF Ticked THEN After% = After% + 1: IF After% > 1000 THEN EXIT FOR
NEXT N&
TIMER OFF
Drawn% = 0: Other% = 0
FOR X% = 0 TO 319
  IF POINT(X%, 50) = 12 THEN Drawn% = Drawn% + 1 ELSE IF POINT(X%, 50) <> 0 THEN Other% = Other% + 1
NEXT X%
SCREEN 7, , 0, 0
Page0% = 0
FOR X% = 0 TO 319
  IF POINT(X%, 50) = 12 THEN Page0% = Page0% + 1
NEXT X%
Out$ = Out$ + " timer" + STR$(Ticked) + STR$(Drawn%) + STR$(Other%) + STR$(Page0%)
SCREEN 0
PRINT Out$
PRINT "errors"; Errs%; "line"; ErrLine%; "first x"; FirstX%
END

Report:
  IF Errs% = 0 THEN FirstX% = X%
  Errs% = Errs% + 1: ErrLine% = ERL
  IF ERR <> 6 THEN PRINT "error"; ERR: END
  RESUME NEXT
Tick:
  Ticked = 1
  TIMER OFF
  SCREEN 7, , 1, 0
  COLOR 15, 0
  CLS
  VIEW SCREEN (100, 0)-(109, 60)
  COLOR 12
  RETURN
