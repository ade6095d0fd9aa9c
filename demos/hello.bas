' Demo: SCREEN 13, a coloured title, and the codes of every key read with INKEY$.
' F5 raises error 5 to show the error box; Esc ends through END.
SCREEN 13
COLOR 14: LOCATE 2, 15: PRINT "Kestravelle"
COLOR 11: LOCATE 4, 2: PRINT "Press keys to see their codes."
LOCATE 5, 2: PRINT "F5 shows an error box, Esc ends."
COLOR 15: LOCATE 7, 1
NextKey: K$ = INKEY$: IF K$ = "" THEN _DELAY 0.01: GOTO NextKey
IF K$ = CHR$(27) THEN END
IF K$ = CHR$(0) + CHR$(63) THEN ERROR 5
IF LEN(K$) = 2 THEN PRINT "Key: 0"; ASC(K$, 2) ELSE PRINT "Key:"; ASC(K$)
GOTO NextKey
