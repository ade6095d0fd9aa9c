' SUB and FUNCTION: declared and undeclared, CALL and bare calls, arguments by reference and
' by value, arrays and array elements as arguments, typed parameters, EXIT SUB and EXIT FUNCTION.
DECLARE SUB AddOne (N)
DECLARE SUB Bump (N AS INTEGER)
DECLARE SUB Fill (A() AS INTEGER, V AS INTEGER)
DECLARE SUB Bounds (A() AS INTEGER)
DECLARE SUB Clip (N AS INTEGER)
DECLARE SUB Greet ()
DECLARE SUB Attach (S$, T AS STRING)
DECLARE SUB Two (A, B)
DECLARE FUNCTION Twice% (X%)
DECLARE FUNCTION Rev$ (S$)
DECLARE FUNCTION Avg! (A AS LONG, B&)
DECLARE FUNCTION FirstNeg% (A() AS INTEGER)
DECLARE FUNCTION Inc% (N AS INTEGER)

X = 5
CALL AddOne(X)
PRINT "call:"; X
AddOne X
PRINT "bare:"; X
CALL AddOne((X))
AddOne (X)
AddOne X + 1
PRINT "by value:"; X

DIM A(1 TO 4) AS INTEGER
Bump A(2)
CALL Bump(A(2))
PRINT "element:"; A(1); A(2)
Fill A(), 3
PRINT "array:"; A(1); A(2); A(3); A(4)
DIM B(-2 TO 6) AS INTEGER
Bounds B()
CALL Bounds(A())

N% = 7
PRINT "twice:"; Twice%(21); Twice%(N%)
PRINT Rev$("stressed")
L& = 10
PRINT Avg!(3, 4); Avg!(L&, 5)
A(3) = -9
PRINT "neg at:"; FirstNeg%(A());
A(3) = 1
PRINT FirstNeg%(A())
C% = 4: Clip C%
D% = 40: CALL Clip(D%)
PRINT "clip:"; C%; D%
Greet
CALL Greet
PRINT
W$ = "ab"
Attach W$, "cd"
PRINT W$
X = 7
Two X, X
PRINT "alias:"; X
PRINT "inc:"; Inc%(N%); N%
PRINT "undeclared: ";
CALL Shout("x")
CALL Shout("y")
PRINT Half(9)
END

SUB AddOne (N)
  N = N + 1
END SUB

SUB Bump (N AS INTEGER)
  N = N + 1
END SUB

SUB Fill (A() AS INTEGER, V AS INTEGER)
  FOR I = LBOUND(A) TO UBOUND(A)
    A(I) = V * I
  NEXT I
END SUB

SUB Bounds (A() AS INTEGER)
  PRINT "bounds:"; LBOUND(A); UBOUND(A)
END SUB

SUB Clip (N AS INTEGER)
  IF N <= 10 THEN EXIT SUB
  N = 10
END SUB

SUB Greet
  PRINT "hi ";
END SUB

SUB Attach (S$, T AS STRING)
  S$ = S$ + T
END SUB

SUB Two (A, B)
  A = A + 1
  B = B + 10
END SUB

FUNCTION Twice% (X%)
  Twice% = X% * 2
END FUNCTION

FUNCTION Rev$ (S$)
  R$ = ""
  FOR I = LEN(S$) TO 1 STEP -1
    R$ = R$ + MID$(S$, I, 1)
  NEXT I
  Rev$ = R$
END FUNCTION

FUNCTION Avg! (A AS LONG, B&)
  Avg! = (A + B&) / 2
END FUNCTION

FUNCTION FirstNeg% (A() AS INTEGER)
  FOR I = LBOUND(A) TO UBOUND(A)
    IF A(I) < 0 THEN FirstNeg% = I: EXIT FUNCTION
  NEXT I
END FUNCTION

FUNCTION Inc% (N AS INTEGER)
  N = N + 1
  Inc% = N * 100
END FUNCTION

SUB Shout (S$)
  PRINT S$; " ";
END SUB

FUNCTION Half (N)
  Half = N / 2
END FUNCTION
