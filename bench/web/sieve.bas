' bench/basic/sieve.bas timed by TIMER, for the browser build's speed against the native one:
' the milliseconds go to kernel.txt beside the program.
T0# = TIMER
'$INCLUDE: '..\basic\sieve.bas'
T1# = TIMER
IF T1# < T0# THEN T1# = T1# + 86400
OPEN "kernel.txt" FOR OUTPUT AS #1
PRINT #1, USING "######.#"; (T1# - T0#) * 1000
CLOSE #1
SYSTEM
