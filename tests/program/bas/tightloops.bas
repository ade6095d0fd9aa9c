' Loops made only of statements that need no event test of their own (numbers, arrays, checks):
' events from outside still come at each jump back. Chosen by COMMAND$.
DEFINT A-Z
DECLARE FUNCTION Deep% (N AS INTEGER)
DIM SHARED Ticks
DIM F(100)
W$ = COMMAND$
IF W$ = "timer" THEN
    ON TIMER(0.05) GOSUB Tick
    TIMER ON
    FOR I& = 1 TO 2000000000
        F(I& AND 63) = (F(I& AND 63) + 7) AND 1023
        IF Ticks >= 1 THEN EXIT FOR
    NEXT
    PRINT "for"
    WHILE Ticks < 2: Y& = (Y& + 1) AND 65535: WEND
    PRINT "while"
    DO: Z& = (Z& + 1) AND 65535: LOOP WHILE Ticks < 3
    PRINT "do"
    DO UNTIL Ticks >= 4: Z& = (Z& - 1) AND 65535: LOOP
    PRINT "until"
10  IF Ticks < 5 THEN Q& = (Q& + 1) AND 65535: GOTO 10
    PRINT "goto"
    ' A FUNCTION that ends by calling itself (a tail call, made a jump) still sees the timer
    ' inside: some call finds the sixth tick before it has counted down to 0.
    DO: R = Deep%(30000): LOOP UNTIL R > 0
    PRINT "tail"
    TIMER OFF
    PRINT "fired"; Ticks
ELSEIF W$ = "spin" THEN
    PRINT "spinning"
    DO: N& = (N& + 1) AND 65535: F(N& AND 63) = N& AND 255: LOOP
END IF
END

Tick:
    Ticks = Ticks + 1
    RETURN

FUNCTION Deep% (N AS INTEGER)
    IF Ticks >= 6 OR N = 0 THEN Deep% = N ELSE Deep% = Deep%(N - 1)
END FUNCTION
