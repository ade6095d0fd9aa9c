' Arrays of fixed bounds inside TYPE, read and written through record variables, elements of
' record arrays and record parameters; field names written with their type's suffix.
TYPE RGBType
  red AS STRING * 4
  green AS INTEGER
END TYPE
CONST MAXE = 3
TYPE Poly
  n AS INTEGER
  Elems(MAXE) AS SINGLE
  Names(1 TO 3) AS STRING * 8
  Grid(1, 2) AS INTEGER
  tag AS LONG
END TYPE
DECLARE SUB Scale (r AS Poly, f AS SINGLE)
DIM p AS Poly, q AS Poly
DIM arr(2) AS Poly
DIM c AS RGBType
FOR i = 0 TO MAXE: p.Elems(i) = i * 1.5: NEXT
p.Names(2) = "second"
p.tag = 99
PRINT p.Elems(3); p.Elems(1); "["; p.Names(2); "]"; p.tag
arr(1).Elems(2) = 7.25
arr(1).Names(3) = "third"
arr(1).Grid(1, 2) = 12: arr(1).Grid(0, 0) = 1
PRINT arr(1).Elems(2); arr(1).Names(3); arr(1).Grid(1, 2); arr(1).Grid(0, 0); arr(1).Grid(1, 1)
q = p
Scale q, 2
PRINT q.Elems(3); q.tag; p.Elems(3)
PRINT LEN(p)
c.red$ = "ff": c.green% = 200
PRINT "["; c.red$; "]"; c.green%; c.green
ON ERROR GOTO Bad
p.Elems(4) = 1
PRINT "after"
' A field's assignment whose value fails leaves the field as it was, in a loop of such
' statements and alone; a bad element's store goes nowhere.
arr(2).tag = 2147483600: arr(2).Elems(0) = 5
FOR i = 1 TO 3
  arr(2).tag = arr(2).tag + 20: arr(2).Elems(0) = arr(2).Elems(0) / (2 - i)
NEXT i
PRINT arr(2).tag; arr(2).Elems(0)
arr(3).n = 1
PRINT "kept"; arr(2).tag
END
Bad:
PRINT "error"; ERR
RESUME NEXT

SUB Scale (r AS Poly, f AS SINGLE)
  FOR k = 0 TO MAXE
    r.Elems(k) = r.Elems(k) * f
  NEXT
END SUB
