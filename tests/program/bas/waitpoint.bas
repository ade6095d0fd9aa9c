' Reaches one of the game thread's wait points, named on the command line, after printing a
' marker: the test closes the window there and expects the program to end at once. "sleeps"
' pauses three times for a script that ends each pause with a key.
W$ = COMMAND$
PRINT "waiting at "; W$
SELECT CASE W$
    CASE "input"
        INPUT "Name"; N$
    CASE "sleep"
        SLEEP 600
    CASE "sound"
        ' The second tone waits for the first, which lasts minutes.
        SOUND 440, 9000
        SOUND 660, 9000
    CASE "play"
        PLAY "MF T32 L1 O3 C C C C C C C C"
    CASE "sleeps"
        ' Three pauses that only keys end in time; each key stays in the buffer.
        SLEEP 600
        PRINT "one"
        SLEEP 600
        PRINT "two"
        SLEEP
        PRINT "keys "; INKEY$; INKEY$; INKEY$
END SELECT
PRINT "past the wait"
END
