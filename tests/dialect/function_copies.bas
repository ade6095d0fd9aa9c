' FUNCTIONs and DEF FNs short enough for the translated code to write out at their calls,
' called from loops, from other procedures and inside each other: arguments that are
' variables, array elements, record fields and expressions; errors inside them (ERL their own
' line, RESUME NEXT and RESUME), with the handler reading the caller's variables as they are;
' SIN in one; a DEF FN that reads the module's variables; and a function of strings, which
' stays a call, inside string expressions whose temporaries must outlive it.
DEFINT I-N
DECLARE FUNCTION Tri& (I AS INTEGER, J AS INTEGER)
DECLARE FUNCTION Half! (X AS SINGLE)
DECLARE FUNCTION Wave# (T AS DOUBLE)
DECLARE FUNCTION Cap% (V AS INTEGER)
DECLARE FUNCTION Digits% (X AS INTEGER)
DECLARE SUB Sums (N AS INTEGER, T AS LONG)
TYPE Pt
  X AS INTEGER
  Y AS INTEGER
END TYPE
DIM A(10), P(3) AS Pt
Scale% = 3
30 DEF FNScaled% (X%) = X% * Scale% + Offset%
ON ERROR GOTO Fix
FOR I = 1 TO 10: A(I) = I * I: NEXT
Total& = 0
FOR I = 1 TO 40
  FOR J = 1 TO 40
    Total& = Total& + Tri&(I, J)
  NEXT
NEXT
PRINT "tri"; Total&
S! = 0
FOR I = 1 TO 10: S! = S! + Half!(A(I)) + Half!(I + 0.5): NEXT
PRINT "half"; S!
H! = Half!(S!): PRINT "bare"; H!
P(2).X = 7: P(2).Y = 9
PRINT "field"; Tri&(P(2).X, P(2).Y); Tri&(Tri&(2, 3) \ 10, 4)
W# = 0
FOR K = 0 TO 20: W# = W# + Wave#(K / 10#): NEXT
PRINT USING "wave ##.######"; W#
Offset% = 1
PRINT "fn"; FNScaled%(2); FNScaled%(A(3))
Scale% = 16000
Seen = 0
FOR I = 1 TO 3
  R = FNScaled%(I)
  PRINT "scaled"; I; R; Seen
NEXT
M = 30000: PRINT "cap"; Cap%(M);
M = 100: PRINT Cap%(M); M; Cap%(5); Fixes
CALL Sums(50, T&)
PRINT "sums"; T&
B$ = "abc"
C$ = LEFT$(B$ + STR$(7), 5) + MID$(STR$(Digits%(123)), 2) + UCASE$(B$ + "x")
D$ = STR$(Digits%(5)) + LCASE$(MID$(B$ + "QQ", 2)) + STR$(Digits%(77))
PRINT C$; "|"; D$
END

Fix:
  Fixes = Fixes + 1: Seen = I
  PRINT "err"; ERR; ERL
  IF ERR = 11 THEN M = 300: RESUME
  RESUME NEXT

SUB Sums (N AS INTEGER, T AS LONG)
  T = 0
  FOR K = 1 TO N: T = T + Tri&(K, K + 1): NEXT
END SUB

FUNCTION Tri& (I AS INTEGER, J AS INTEGER)
40 Tri& = (I + J) * (I + J + 1&) \ 2 + J
END FUNCTION

FUNCTION Half! (X AS SINGLE)
  Half! = X / 2
END FUNCTION

FUNCTION Wave# (T AS DOUBLE)
  Wave# = SIN(T) * 2 + T
END FUNCTION

FUNCTION Cap% (V AS INTEGER)
10 Cap% = V * 2
20 Cap% = 1000 \ (V - 100) + V
END FUNCTION

FUNCTION Digits% (X AS INTEGER)
  Digits% = LEN(STR$(X)) + LEN(HEX$(X))
END FUNCTION
