' The program chain.bas chains to: its COMMON lists take chain.bas's values by position,
' under names of its own; its other variables start cleared.
TYPE Place
    Across AS INTEGER
    Down AS INTEGER
END TYPE
TYPE Point
    X AS INTEGER
    Y AS INTEGER
END TYPE
COMMON SHARED N%, Name$
COMMON Sum#, Big&, P AS Point, Marks()
PRINT "arrived:"; N%; Name$; Sum#; Big&; P.X; P.Y
PRINT "array:"; LBOUND(Marks); UBOUND(Marks); Marks(2)
PRINT "own variable:"; Local; "["; Other$; "]"
PRINT #1, "second line"
CLOSE #1
OPEN "chain.tmp" FOR INPUT AS #1
DO UNTIL EOF(1): LINE INPUT #1, L$: PRINT L$: LOOP
CLOSE #1: KILL "chain.tmp"
Report
END

SUB Report
    PRINT "shared in a SUB:"; N%; Name$
END SUB
