' Soft keys: KEY n, text$ for some keys, KEY ON's line on the last row (it stays while PRINT
' scrolls and after CLS), KEY LIST; an untrapped F2 types its text, F5 without a text gives
' its own code. Waits for x before END, whose prompt takes the last row.
CLS
KEY 1, "LIST "
KEY 2, "RUN" + CHR$(13)
KEY 3, "LOAD" + CHR$(34) + "GAME.BAS" + CHR$(34)
KEY 10, "SCREEN 0,0,0" + CHR$(13)
KEY ON
FOR I = 1 TO 30: PRINT "line"; I: NEXT
CLS
KEY LIST
KEY 4, "DIR"
PRINT "typed";
DO: K$ = INKEY$: LOOP UNTIL K$ = "?"
DO
  K$ = INKEY$
  IF K$ = "!" THEN EXIT DO
  IF LEN(K$) = 1 AND K$ >= " " THEN PRINT " "; K$;
  IF LEN(K$) = 1 AND K$ < " " THEN PRINT ASC(K$);
  IF LEN(K$) = 2 THEN PRINT " 0+"; ASC(MID$(K$, 2));
LOOP
PRINT
PRINT "done"
DO: LOOP UNTIL INKEY$ = "x"
END
