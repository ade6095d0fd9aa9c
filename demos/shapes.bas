' Demo: shapes in SCREEN 13 with CIRCLE, PAINT and DRAW: a target of painted rings, a
' flattened ellipse, a pie slice cut by negative arc angles and a pentagram whose middle
' is painted through DRAW's P command. A key ends it.
SCREEN 13
FOR R% = 50 TO 20 STEP -15
  CIRCLE (70, 100), R%, 15
NEXT R%
PAINT (70, 100), 2, 15
PAINT (70 + 27, 100), 14, 15
PAINT (70 + 42, 100), 4, 15
CIRCLE (200, 50), 40, 11, , , 0.5
PAINT (200, 50), 3, 11
CIRCLE (200, 140), 30, 13, -0.5, -2.5
PAINT (200, 125), 5, 13
DRAW "C10 BM280,80 M262,134 M309,101 M251,101 M298,134 M280,80"
DRAW "BM280,110 P10,10"
COLOR 15: LOCATE 1, 2: PRINT "CIRCLE, PAINT and DRAW"
LOCATE 24, 2: PRINT "Press a key";
WaitKey: IF INKEY$ = "" THEN _DELAY 0.01: GOTO WaitKey
END
