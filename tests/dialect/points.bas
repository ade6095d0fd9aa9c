' POINT and PSET at whole-number coordinates and off that path: off the page, single-precision
' coordinates, integer and long variables, VIEW SCREEN clipping, huge coordinates; POINT on a
' text screen is an error.
ON ERROR GOTO Trap
V = POINT(1, 1)
SCREEN 13
PRINT "text screen err"; E%
PSET (10, 180), 4
X% = 11: Y& = 180: PSET (X%, Y&), 5
PRINT POINT(10, 180); POINT(X%, Y&); POINT(12, 180); POINT(-1, 0); POINT(320, 0); POINT(0, 200)
PRINT POINT(10.4, 180); POINT(10.6, 180); POINT(2147483647, 0); POINT(-2147483647 - 1, 5)
PSET (-5, -5), 7: PSET (400, 10), 7
PRINT POINT(-5, -5); POINT(319, 199)
VIEW SCREEN (100, 100)-(150, 150)
PSET (120, 120), 9: PSET (99, 120), 9
PRINT POINT(120, 120); POINT(99, 120); POINT(151, 150)
VIEW
PRINT POINT(99, 120); POINT(120, 120)
PSET (5, 190): PRINT POINT(5, 190)
COLOR 12: PSET (6, 190): PRESET (7, 190): PRINT POINT(6, 190); POINT(7, 190)
LINE (0, 96)-(319, 199), 0, BF   ' the test pixels go, leaving only text on the screen
END

Trap:
  E% = ERR
  RESUME NEXT
