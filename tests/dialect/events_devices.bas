' The devices this machine lacks: no joystick (STICK and STRIG give 0), no light pen (PEN 0),
' no serial ports and no second printer (OPEN of COM1: or LPT2: fails with 68; LPT1: is the printer file), IOCTL only for devices
' (5 for a disk file, 52 for a number not open). The traps of these devices translate and
' switch; nothing here raises their events.
DEFINT A-Z
ON ERROR GOTO Oops
S$ = "": T$ = "": P$ = ""
FOR I = 0 TO 3: S$ = S$ + STR$(STICK(I)): NEXT
FOR I = 0 TO 7: T$ = T$ + STR$(STRIG(I)): NEXT
FOR I = 0 TO 9: P$ = P$ + STR$(PEN(I)): NEXT
PRINT "stick"; S$
PRINT "strig"; T$
PRINT "pen"; P$
Where$ = "stick 4": X = STICK(4)
Where$ = "strig 8": X = STRIG(-1)
Where$ = "pen 10": X = PEN(10)
Where$ = "com1": OPEN "COM1:9600,N,8,1" FOR RANDOM AS #1
Where$ = "com2": OPEN "com2:" FOR OUTPUT AS #2
Where$ = "lpt2": OPEN "O", #3, "LPT2:"
PRINT "free"; FREEFILE
Where$ = "ioctl 4": IOCTL #4, "B9600"
F = FREEFILE
OPEN "ioctl.tmp" FOR OUTPUT AS #F
Where$ = "ioctl disk": IOCTL #F, "B9600"
Where$ = "ioctl$ disk": R$ = IOCTL$(#F)
Where$ = "ioctl$ 0": R$ = IOCTL$(0)
CLOSE #F: KILL "ioctl.tmp"

ON STRIG(0) GOSUB Fired: STRIG(0) ON
ON STRIG(6) GOSUB Fired: STRIG(6) STOP
ON PEN GOSUB Fired: PEN ON
ON COM(1) GOSUB Fired: COM(1) ON: COM(2) OFF
ON UEVENT GOSUB Fired: UEVENT ON
Where$ = "strig 1": ON STRIG(1) GOSUB Fired
Where$ = "com 3": COM(3) ON
STRIG(0) OFF: PEN OFF: COM(1) STOP: UEVENT OFF
PRINT "fired"; N
END

Fired: N = N + 1: RETURN

Oops:
PRINT Where$; " error"; ERR
RESUME NEXT
