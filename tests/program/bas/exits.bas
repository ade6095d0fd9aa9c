' Each way a program ends, chosen by COMMAND$: the test checks the exit status, the box and
' that the process ends cleanly (no crash, no hang) with the main thread as the one that exits.
W$ = COMMAND$
IF W$ = "first" THEN ERROR 5
PRINT "ready "; W$
SELECT CASE W$
    CASE "first"
        PRINT "after the box"
    CASE "critical"
        ERROR 256
    CASE "memory"
        ERROR 512
    CASE "recurse"
        ' Calls without end run out of stack space before the stack itself ends.
        PRINT Forever&(1)
    CASE "box"
        ERROR 9
        PRINT "after the box"
    CASE "zero", "opcode"
        ' MOV AX, 0: MOV DS, AX: MOV BYTE [0], 42, then a zero byte (exit with status 42),
        ' or an opcode the interpreter does not know (0F 05).
        IF W$ = "zero" THEN Code$ = "B800008ED8C60600002A00" ELSE Code$ = "0F05"
        DEF SEG = &H1000
        FOR I% = 0 TO LEN(Code$) \ 2 - 1
            POKE I%, VAL("&H" + MID$(Code$, 2 * I% + 1, 2))
        NEXT I%
        CALL ABSOLUTE(0)
        PRINT "returned"
    CASE "input"
        INPUT "Name"; N$
    CASE "chain13"
        ' _exits_chained takes an INTEGER where this program hands a string: error 13 there.
        Handed$ = "text"
        CHAIN "_exits_chained"
    CASE "shell"
        ' A command far longer than the test: closing the window must end it and the program.
        PRINT "shelling"
        SHELL "exec sleep 86397"
        PRINT "returned"
    CASE "timer"
        ' A handler that takes a fresh timer slot (the table grows under it) must keep firing.
        ON TIMER(0.05) GOSUB Tick
        TIMER ON
        DO: _DELAY 0.01: LOOP UNTIL N >= 5
        TIMER OFF
        ' Each tick took three slots after slot 0, the handler's own.
        IF S = 3 * N - 2 THEN PRINT "ticks"; N; "slots ok" ELSE PRINT "ticks"; N; "slots"; S
    CASE "display"
        ' The first _DISPLAY turns automatic refresh off; then each one shows a frame.
        SCREEN 13
        FOR F = 1 TO 30
            LINE (0, 0)-(319, 199), F, BF
            LOCATE 1, 1: PRINT "frame"; F
            _DISPLAY
        NEXT F
        PRINT "shown"
    CASE "frames"
        ' A frame _DISPLAY showed stays on screen, in its own palette, while the next one is
        ' drawn; a file named by KEL_DRAWN tells the test the next one is drawn.
        SCREEN 13
        PALETTE 1, 63
        LINE (0, 0)-(319, 199), 1, BF
        LOCATE 1, 1: PRINT "frame A"
        _DISPLAY
        PALETTE 1, 63 * 256
        LINE (160, 100)-(319, 199), 2, BF
        LOCATE 1, 1: PRINT "frame B"
        OPEN ENVIRON$("KEL_DRAWN") FOR OUTPUT AS #1: CLOSE #1
        DO: _DELAY 0.01: LOOP UNTIL INKEY$ <> ""
        _DISPLAY
        DO: _DELAY 0.01: LOOP UNTIL INKEY$ <> ""
END SELECT
END
COMMON Handed$

Tick: N = N + 1
S = _FREETIMER: T = _FREETIMER: U = _FREETIMER
RETURN

FUNCTION Forever& (N AS LONG)
    IF N > 0 THEN Forever& = Forever&(N + 1) + 1
END FUNCTION
