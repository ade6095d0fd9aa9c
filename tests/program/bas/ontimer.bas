' ON TIMER: a one-second handler counts on row 2 while the main loop waits for a key inside
' a GOSUB; then a slot from _FREETIMER, held with STOP, runs twice once switched ON and frees
' itself.
CLS
PRINT "waiting"
ON TIMER(1) GOSUB Tick
TIMER ON
WaitKey: GOSUB Idle: K$ = INKEY$: IF K$ = "" THEN GOTO WaitKey
TIMER OFF
LOCATE 3, 1: PRINT "key "; K$; " after"; N; "ticks"
T = _FREETIMER
ON TIMER(T, 1) GOSUB Tock
TIMER(T) STOP
_DELAY 0.2
LOCATE 4, 1: PRINT "held"; M
TIMER(T) ON
WaitTock: GOSUB Idle: IF M < 2 THEN GOTO WaitTock
LOCATE 6, 1: PRINT "done"; M; W
END

Idle: W = W + 1: _DELAY 0.01: RETURN

Tick: N = N + 1
LOCATE 2, 1: PRINT "tick"; N
RETURN

Tock: M = M + 1: LOCATE 5, 1: PRINT "tock"; M
IF M = 2 THEN TIMER(T) FREE
RETURN
