' Background music: PLAY(0) counts the notes still to play and CLEAR empties the queue. ON
' PLAY(2) runs its handler each time the queue drops below two notes; the handler refills it
' twice, so it runs three times, never while it is running already.
DEFINT A-Z
PLAY "MB T32 L1 CDE"
PRINT "queued"; PLAY(0); PLAY(1)
CLEAR
PRINT "after clear"; PLAY(0)
ON PLAY(2) GOSUB Low
PLAY ON
PLAY "MB T255 L32 CDEFG"
Start! = TIMER
' Two minutes at most (counted across midnight), far more than the notes take.
DO: E! = TIMER - Start!: IF E! < 0 THEN E! = E! + 86400
LOOP UNTIL Fired >= 3 OR E! > 120
DO: E! = TIMER - Start!: IF E! < 0 THEN E! = E! + 86400
LOOP UNTIL PLAY(0) = 0 OR E! > 120
PLAY OFF
PRINT "fired"; Fired; "below two"; Below; "deepest"; Deepest; "left"; PLAY(0)
ON ERROR GOTO Oops
ON PLAY(0) GOSUB Low
ON PLAY(33) GOSUB Low
END

Low:
Depth = Depth + 1: IF Depth > Deepest THEN Deepest = Depth
Fired = Fired + 1
IF PLAY(0) < 2 THEN Below = Below + 1
IF Fired < 3 THEN PLAY "CDEFG"
Depth = Depth - 1
RETURN

Oops: PRINT "error"; ERR: RESUME NEXT
