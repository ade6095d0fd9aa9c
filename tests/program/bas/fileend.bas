' Ends while a file's last data cannot be written (the test limits the size of a file): by
' END, SYSTEM or a closed window, the first word of COMMAND$; the second is the file's name.
' A second, small file completes. END and SYSTEM come after a key, so the test can see the
' program running first.
C$ = COMMAND$
S% = INSTR(C$, " ")
W$ = LEFT$(C$, S% - 1)
F$ = MID$(C$, S% + 1)
OPEN F$ FOR OUTPUT AS #1
PRINT #1, STRING$(6000, "x")
OPEN F$ + ".ok" FOR OUTPUT AS #2
PRINT #2, "fine"
PRINT "written "; W$
SELECT CASE W$
    CASE "end"
        K$ = INPUT$(1)
        END
    CASE "system"
        K$ = INPUT$(1)
        SYSTEM
    CASE "close"
        DO: _DELAY 0.05: LOOP
END SELECT
