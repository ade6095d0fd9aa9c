' Short GOSUB routines, which the translated code writes out again at each GOSUB: routines
' before and after their callers, numbered lines and ERL inside one, a GOSUB into the middle of
' a routine, an IF block with its own labels, errors put right by RESUME and RESUME NEXT, a
' routine read under other DEF types than its caller's, the trace of TRON, and a timer that
' fires while a loop does nothing but call a routine.
ON ERROR GOTO Fix
GOTO Start
Before:
  Hits = Hits + 1: Sum = Sum + Hits * 2
  RETURN
100 Q = 1000 \ D
110 W = W + Q
120 RETURN
Clamp:
  IF X > 10 THEN
    X = 10: Clamped = Clamped + 1
  ELSEIF X < 0 THEN
    X = 0: Clamped = Clamped + 1
  END IF
Middle:
  Y = Y + X
  RETURN
Half:
  H = 7 / 2
  RETURN
Start:
FOR I = 1 TO 1000: GOSUB Before: GOSUB After: NEXT
PRINT "sums"; Hits; Sum; Afters; I
D = 4: GOSUB 100: D = 0: GOSUB 100: D = 5: GOSUB 100
PRINT "divided"; W; Q; Fixes; ErrLine
Big% = 32767: GOSUB Grow: PRINT "grown"; Big%; Fixes; ErrLine; Grown
FOR K = -5 TO 15 STEP 5: X = K: GOSUB Clamp: NEXT
PRINT "clamped"; Clamped; Y
X = 3: GOSUB Middle: PRINT "middle"; Y
DEFINT H
GOSUB Half
PRINT "half"; H; H!
TRON
GOSUB 100
TROFF
PRINT
PRINT "traced"; W
ON TIMER(1) GOSUB Tick
TIMER ON
DO
  GOSUB Count
LOOP UNTIL Ticks > 0
TIMER OFF
PRINT "ticked"; Ticks; Counts > 0
END
After:
  Afters = Afters + 1
  RETURN
Grow:
200 Big% = Big% + 1
210 Grown = Grown + 1
  RETURN
Count:
  Counts = Counts + 1
  RETURN
Tick:
  Ticks = Ticks + 1
  RETURN
Fix:
  Fixes = Fixes + 1: ErrLine = ERL
  IF ERR = 11 THEN D = 8: RESUME
  RESUME NEXT
