' Where names live: fresh locals at each call, STATIC variables and a STATIC SUB, SHARED in a
' procedure, DIM SHARED in the module, module names hidden from procedures, module CONSTs seen
' everywhere, GOSUB inside a procedure.
DECLARE SUB Fresh ()
DECLARE SUB Keep ()
DECLARE SUB AllKept ()
DECLARE SUB SeeShared ()
DECLARE SUB NoShare ()
DECLARE SUB AddTotal (N AS INTEGER)
DECLARE SUB UseGosub (R)
DECLARE FUNCTION NextId% ()
DECLARE SUB LocalArray ()
CONST Limit = 3
DIM SHARED Total AS INTEGER
Lvl = 99
Hidden = 42

FOR K = 1 TO Limit
  Fresh
NEXT K
PRINT
FOR K = 1 TO Limit
  Keep
NEXT K
PRINT
FOR K = 1 TO Limit
  AllKept
NEXT K
PRINT
SeeShared
PRINT "module Lvl:"; Lvl
NoShare
PRINT "module Lvl:"; Lvl; "Hidden:"; Hidden
AddTotal 5
AddTotal 7
PRINT "Total:"; Total
CALL UseGosub(V)
PRINT "gosub:"; V
PRINT "ids:"; NextId%; NextId%; NextId%
LocalArray
LocalArray
PRINT
PRINT "K:"; K
END

SUB Fresh
  N = N + 1
  PRINT "fresh"; N;
END SUB

SUB Keep
  STATIC N
  N = N + 1
  PRINT "kept"; N;
END SUB

SUB AllKept STATIC
  N = N + 1
  M$ = M$ + "x"
  PRINT N; M$;
END SUB

SUB SeeShared
  SHARED Lvl
  PRINT "shared:"; Lvl
  Lvl = Lvl + 1
END SUB

SUB NoShare
  PRINT "local:"; Lvl; Hidden
  Lvl = 5
  Hidden = 6
END SUB

SUB AddTotal (N AS INTEGER)
  Total = Total + N
END SUB

SUB UseGosub (R)
  R = 1
  GOSUB Triple
  GOSUB Triple
  EXIT SUB
Triple:
  R = R * 3
  RETURN
END SUB

FUNCTION NextId%
  STATIC Id AS INTEGER
  Id = Id + Limit
  NextId% = Id
END FUNCTION

SUB LocalArray
  DIM L(1 TO 2)
  L(1) = L(1) + 1
  FOR K = 1 TO Limit
    L(2) = L(2) + K
  NEXT K
  PRINT L(1); L(2);
END SUB
