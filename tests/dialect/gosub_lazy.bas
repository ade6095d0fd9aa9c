' Return points of short routines run where their GOSUBs are: errors inside a routine put right
' by RESUME NEXT, a timer whose handler runs while routines are under way, and an error whose
' handler leaves by RETURN, which must find the routine's return point on the stack.
ON ERROR GOTO Handler
ON TIMER(1) GOSUB Tick
GOTO Start
Risky:
  Q = 100 \ D
  Done = Done + 1
  RETURN
Count:
  N& = N& + 1
  RETURN
Start:
FOR I = 1 TO 3: D = I - 2: GOSUB Risky: PRINT Q; : NEXT
PRINT "loop"; Done; I
TIMER ON
T! = TIMER
DO: GOSUB Count: LOOP UNTIL Ticks > 0 OR TIMER - T! > 5
TIMER OFF
PRINT "ticks"; Ticks; N& > 0
Leave = -1: D = 0: Q = 7: GOSUB Risky: PRINT "back"; Q; Done
END
Handler:
  PRINT "error"; ERR; "at"; ERL;
  IF Leave THEN RETURN
  RESUME NEXT
Tick:
  Ticks = Ticks + 1
  RETURN
