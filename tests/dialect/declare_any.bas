' AS ANY in a DECLARE takes any type for that parameter: the definition's own type decides.
DECLARE SUB Show (label$, x AS ANY)
DECLARE FUNCTION Twice# (v AS ANY)
TYPE Pt
  x AS INTEGER
  y AS INTEGER
END TYPE
DECLARE SUB ShowPt (p AS ANY)
DIM n AS INTEGER, q AS Pt
n = 21
Show "n", n
PRINT Twice#(1.25)
q.x = 3: q.y = 4
ShowPt q
END

SUB Show (label$, x AS INTEGER)
  PRINT label$; " ="; x
END SUB

FUNCTION Twice# (v AS DOUBLE)
  Twice# = v * 2
END FUNCTION

SUB ShowPt (p AS Pt)
  PRINT p.x; p.y
END SUB
