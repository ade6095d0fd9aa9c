' Module variables seen by everything that may look at them: a timer's handler, SUBs with
' SHARED variables, parameters by reference, DEF FN, GOSUB, the error handler and CLEAR, and
' loops whose body spans many statements; FOR with written steps of either sign.
DECLARE SUB AddK ()
DECLARE SUB Bump (X AS INTEGER)
DECLARE FUNCTION Inc% (V AS INTEGER)
DIM SHARED Total&, K%
DEF FNScaled (X) = X * Scale
FOR K% = 1 TO 10: AddK: NEXT
PRINT "shared"; Total&; K%
N% = 0
FOR I% = 1 TO 5: Bump N%: NEXT
PRINT "byref"; N%;
FOR I% = 1 TO 10: Bump I%: PRINT I%;: NEXT
PRINT
Scale = 2
FOR I = 1 TO 3: PRINT FNScaled(I);: Scale = Scale + 1: NEXT
PRINT
Limit% = 3: G% = 0
FOR J% = 1 TO Limit%
  GOSUB Grow
NEXT
PRINT "gosub"; G%; J%
ON ERROR GOTO Handler
FOR I% = 1 TO 3
  V% = 10 \ (I% - 2)
  PRINT V%;
NEXT
PRINT
' A call that changes a loop's number, then an error in the same statement.
M% = 0
FOR I% = 1 TO 3
  M% = M% + 0
  W = Inc%(M%) + 1 / 0
NEXT
PRINT "call then error"; M%
ON ERROR GOTO 0
FOR X = 1 TO 0 STEP -.25: PRINT X;: NEXT: PRINT
FOR I% = 5 TO 1 STEP -2: PRINT I%;: NEXT: PRINT I%
C% = 0
FOR I = 1 TO 3 STEP 0: C% = C% + 1: IF C% = 4 THEN EXIT FOR
NEXT
PRINT "step 0"; C%; I
FOR I = 5 TO 1 STEP 0: PRINT "never": NEXT
FOR I = 2 TO 4 STEP -0: C% = C% + 1: IF C% = 6 THEN EXIT FOR
NEXT
PRINT "step -0"; C%
FOR I& = 2147483600 TO 2147483620 STEP 20: PRINT I&;: NEXT: PRINT
FOR S = 1 TO 3
  SELECT CASE S
    CASE 1: PRINT "one";
    CASE 2 TO 3: PRINT "more";
  END SELECT
NEXT
PRINT
T% = 0
FOR I% = 1 TO 3
  T% = T% + 1: T% = T% + 1: T% = T% + 1: T% = T% + 1: T% = T% + 1: T% = T% + 1: T% = T% + 1: T% = T% + 1: T% = T% + 1: T% = T% + 1
  T% = T% + 1: T% = T% + 1: T% = T% + 1: T% = T% + 1: T% = T% + 1: T% = T% + 1: T% = T% + 1: T% = T% + 1: T% = T% + 1: T% = T% + 1
  T% = T% + 1: T% = T% + 1: T% = T% + 1: T% = T% + 1: T% = T% + 1: T% = T% + 1: T% = T% + 1: T% = T% + 1: T% = T% + 1: T% = T% + 1
  T% = T% + 1: T% = T% + 1: T% = T% + 1: T% = T% + 1: T% = T% + 1: T% = T% + 1: T% = T% + 1: T% = T% + 1: T% = T% + 1: T% = T% + 1
  T% = T% + 1: T% = T% + 1: T% = T% + 1: T% = T% + 1: T% = T% + 1: T% = T% + 1: T% = T% + 1: T% = T% + 1: T% = T% + 1: T% = T% + 1
  T% = T% + 1: T% = T% + 1: T% = T% + 1: T% = T% + 1: T% = T% + 1: T% = T% + 1: T% = T% + 1: T% = T% + 1: T% = T% + 1: T% = T% + 1
  T% = T% + 1: T% = T% + 1: T% = T% + 1: T% = T% + 1: T% = T% + 1: T% = T% + 1: T% = T% + 1: T% = T% + 1: T% = T% + 1: T% = T% + 1
  T% = T% + 1: T% = T% + 1: T% = T% + 1: T% = T% + 1: T% = T% + 1: T% = T% + 1: T% = T% + 1: T% = T% + 1: T% = T% + 1: T% = T% + 1
  T% = T% + 1: T% = T% + 1: T% = T% + 1: T% = T% + 1: T% = T% + 1: T% = T% + 1: T% = T% + 1: T% = T% + 1: T% = T% + 1: T% = T% + 1
  T% = T% + 1: T% = T% + 1: T% = T% + 1: T% = T% + 1: T% = T% + 1: T% = T% + 1: T% = T% + 1: T% = T% + 1: T% = T% + 1: T% = T% + 1
  T% = T% + 1: T% = T% + 1: T% = T% + 1: T% = T% + 1: T% = T% + 1: T% = T% + 1: T% = T% + 1: T% = T% + 1: T% = T% + 1: T% = T% + 1
  T% = T% + 1: T% = T% + 1: T% = T% + 1: T% = T% + 1: T% = T% + 1: T% = T% + 1: T% = T% + 1: T% = T% + 1: T% = T% + 1: T% = T% + 1
  T% = T% + 1: T% = T% + 1: T% = T% + 1: T% = T% + 1: T% = T% + 1: T% = T% + 1: T% = T% + 1: T% = T% + 1: T% = T% + 1: T% = T% + 1
NEXT
PRINT "long body"; T%; I%
ON TIMER(1) GOSUB Tick
TIMER ON
' A DOUBLE counter: a LONG one could overflow while a loaded machine is slow to fire the timer.
Spins# = 0
DO
  Spins# = Spins# + 1
LOOP UNTIL Ticked%
TIMER OFF
PRINT "tick"; Seen# > 0; Spins# >= Seen#
A% = 5: B# = 2.5
CLEAR
PRINT "clear"; A%; B#
END

Grow:
  G% = G% + J%: Limit% = 4
RETURN

Handler:
  IF ERR = 11 AND M% > 0 THEN RESUME NEXT
  PRINT "err"; ERR; "at"; I%;
  V% = -1
  RESUME NEXT

Tick:
  Seen# = Spins#: Ticked% = 1
RETURN

SUB AddK
  Total& = Total& + K%
END SUB

SUB Bump (X AS INTEGER)
  X = X + 1
END SUB

FUNCTION Inc% (V AS INTEGER)
  V = V + 1
  Inc% = V
END FUNCTION
