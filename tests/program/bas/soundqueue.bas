' The sound queue under the real main loop: each statement's return is timed with TIMER and
' printed in milliseconds, one result a row, for the test to compare with the music's length.
CLS
' The first SOUND also waits out the mixer's lead silence; timing starts once it sounds.
SOUND 440, 9.1
T1 = TIMER(.001)
' Returns when its own tone starts, so only after the half-second 440 Hz tone has played.
SOUND 660, 9.1
T2 = TIMER(.001)
' Queued behind the rest of the 660 Hz tone; returns once its own half second has played.
PLAY "MF T120 L4 O4 C"
T3 = TIMER(.001)
' Two seconds of background music: returns at once.
PLAY "MB T120 L4 O4 C D E F"
T4 = TIMER(.001)
' Held until the background music has played and this tone starts.
SOUND 880, 1
T5 = TIMER(.001)
PLAY "MF"
PRINT "second sound"; INT((T2 - T1) * 1000 + .5)
PRINT "foreground play"; INT((T3 - T2) * 1000 + .5)
PRINT "background play"; INT((T4 - T3) * 1000 + .5)
PRINT "sound after background"; INT((T5 - T3) * 1000 + .5)
PRINT "done"
END
