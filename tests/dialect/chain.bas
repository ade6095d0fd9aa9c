' CHAIN hands the blank COMMON's values to another program by position and keeps files open;
' the other program's own variables start cleared and the screen stays as it was.
TYPE Point
    X AS INTEGER
    Y AS INTEGER
END TYPE
COMMON SHARED Count%, Who$, Total#
COMMON Extra&, Spot AS Point
DIM Scores(1 TO 3)
Scores(2) = 8.5
Count% = 3: Who$ = "Ana": Total# = 2.5: Extra& = 100000
Spot.X = 4: Spot.Y = -2
Local = 9
OPEN "chain.tmp" FOR OUTPUT AS #1
PRINT #1, "first line"
PRINT "chaining from"; Count%; Who$
GOSUB Away
PRINT "not reached"
END
Away:
    CHAIN "_Chain_Part"
    RETURN
' A COMMON after the CHAIN counts too, an array with it.
COMMON Scores()
