' Event statements inside procedures: a SUB sets up ON TIMER and ON PLAY with module labels
' as handlers, and they run while the program waits inside a FUNCTION; a FUNCTION switches
' the timer off again.
DEFINT A-Z
DECLARE SUB Arm ()
DECLARE FUNCTION WaitFor (Ticks, Plays)
DECLARE FUNCTION Disarm ()
Arm
PRINT "both ran"; WaitFor(3, 1)
PRINT "disarmed"; Disarm
END

Tick: T = T + 1: RETURN
Drained: P = P + 1: RETURN

SUB Arm
  ON TIMER(.05) GOSUB Tick
  TIMER ON
  ON PLAY(1) GOSUB Drained
  PLAY ON
  PLAY "MB T255 L64 CE"
END SUB

FUNCTION WaitFor (Ticks, Plays)
  SHARED T, P
  Start! = TIMER
  DO: E! = TIMER - Start!: IF E! < 0 THEN E! = E! + 86400      ' across midnight
  LOOP UNTIL (T >= Ticks AND P >= Plays) OR E! > 120
  WaitFor = T >= Ticks AND P = Plays
END FUNCTION

FUNCTION Disarm
  TIMER OFF: PLAY OFF
  ON PLAY(1) GOSUB 0
  Disarm = -1
END FUNCTION
