' Key traps: F1, Up and two user keys (Ctrl+C, Shift+F2) trapped, held with STOP, switched
' OFF; the handler of Up is not entered again while it runs. Each phase prints "ready N" and
' waits for a letter, so the script's keys arrive in a known order.
DEFINT A-Z
DECLARE SUB SetupUserKeys ()
CLS
ON KEY(1) GOSUB OnF1
ON KEY(11) GOSUB OnUp
KEY(1) ON: KEY(11) ON
SetupUserKeys
Log$ = ""

PRINT "ready 1"
W$ = "a": GOSUB WaitFor
PRINT "1: "; Log$; " passed"; LEN(Seen$)

KEY(1) STOP
Log$ = "": PRINT "ready 2"
W$ = "b": GOSUB WaitFor
PRINT "2: stopped ["; Log$; "] passed"; LEN(Seen$)
KEY(1) ON
PRINT "2: on ["; Log$; "]"

KEY(1) STOP
Log$ = "": PRINT "ready 3"
W$ = "c": GOSUB WaitFor
KEY(1) OFF: KEY(1) ON
PRINT "3: off then on ["; Log$; "]"

KEY(1) OFF
PRINT "ready 4"
W$ = "d": GOSUB WaitFor
PRINT "4: passed"; LEN(Seen$); ASC(MID$(Seen$, 2)); " ["; Log$; "]"

Log$ = "": Depth = 0: MaxDepth = 0
PRINT "ready 5"
DO: LOOP UNTIL UpCount >= 3
PRINT "ready 6"
W$ = "g": GOSUB WaitFor
PRINT "5: "; Log$; " ups"; UpCount; " deepest"; MaxDepth
ON KEY(11) GOSUB 0
PRINT "ready 7"
W$ = "h": GOSUB WaitFor
PRINT "7: passed"; LEN(Seen$); ASC(MID$(Seen$, 2)); " ups"; UpCount
END

' Reads keys until W$ comes; the others are kept in Seen$.
WaitFor:
Seen$ = ""
DO
  K$ = INKEY$
  IF K$ <> "" AND K$ <> W$ THEN Seen$ = Seen$ + K$
LOOP UNTIL K$ = W$
RETURN

OnF1: Log$ = Log$ + "F1 ": RETURN

OnUp:
Depth = Depth + 1: IF Depth > MaxDepth THEN MaxDepth = Depth
UpCount = UpCount + 1
Log$ = Log$ + "Up "
IF UpCount = 2 THEN
  PRINT "in up"
  DO: LOOP UNTIL INKEY$ = "e"
END IF
Depth = Depth - 1
RETURN

OnCtrlC: Log$ = Log$ + "^C ": RETURN
OnShiftF2: Log$ = Log$ + "sF2 ": RETURN

SUB SetupUserKeys
  KEY 15, CHR$(&H4) + CHR$(46)
  KEY 16, CHR$(&H1) + CHR$(60)
  ON KEY(15) GOSUB OnCtrlC
  ON KEY(16) GOSUB OnShiftF2
  KEY(15) ON: KEY(16) ON
END SUB
