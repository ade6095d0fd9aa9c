' Browser test cases, one per COMMAND$: each draws, waits for keys and draws again, so the
' canvas can be compared with the native build's snap after the same keys.
C$ = COMMAND$
SELECT CASE C$
CASE "gfx12": GOSUB GFX12
CASE "gfx13": GOSUB GFX13
CASE "input": GOSUB ASK
CASE "error": GOSUB BOX
CASE "sound": GOSUB NOISE
CASE ELSE: PRINT "no case "; C$
END SELECT
END

GFX12:
SCREEN 12
LINE (10, 10)-(629, 469), 15, B
FOR I = 0 TO 15
    LINE (20 + I * 36, 40)-(50 + I * 36, 120), I, BF
NEXT I
CIRCLE (320, 260), 100, 14
PAINT (320, 260), 4, 14
CIRCLE (160, 300), 60, 10, , , 0.5
LINE (400, 200)-(600, 400), 11
LOCATE 28, 3: PRINT "SCREEN 12: press a key"
K$ = INPUT$(1)
PALETTE 4, 63
CIRCLE (500, 300), 40, 13
PAINT (500, 300), 2, 13
LOCATE 28, 3: PRINT "key "; K$; " read, palette 4 changed  "
RETURN

GFX13:
SCREEN 13
FOR I = 0 TO 255
    LINE (I + 32, 0)-(I + 32, 40), I
NEXT I
CIRCLE (80, 120), 50, 40
PAINT (80, 120), 44, 40
DRAW "BM200,80 C50 R40 D40 L40 U40 BF5 P52,50"
LOCATE 20, 1: PRINT STR$(1 / 3); STR$(2# / 3); STR$(1E+20)
PRINT USING "##.### ####.# +#.##^^^^"; 3.14159; -27.25; 12345.678#
PRINT VAL("1.5E-3") * 2; 1D+100; -0.1#
K$ = INPUT$(1)
FOR Y = 50 TO 90 STEP 4
    LINE (250, Y)-(310, Y), Y
NEXT Y
LOCATE 24, 1: PRINT "after "; K$;
RETURN

ASK:
INPUT "Your name"; N$
INPUT "A number"; X#
PRINT "Hello, "; N$; "."
PRINT "Three times"; X#; "is"; X# * 3; "and its root"; SQR(ABS(X#))
LINE INPUT "A line: "; L$
PRINT "["; L$; "]"; LEN(L$)
RETURN

BOX:
PRINT "Before the error"
ERROR 5
PRINT "After the error, going on"
RETURN

NOISE:
PRINT "Sound and play: press a key"
K$ = INPUT$(1)
T0# = TIMER
SOUND 440, 9.1
SOUND 660, 9.1
PLAY "T120 L8 C D E C"
T1# = TIMER
IF T1# < T0# THEN T1# = T1# + 86400
' The two tones take a second before PLAY may start; PLAY then returns at its last note.
IF T1# - T0# >= 1 THEN PRINT "SOUND and PLAY took their time" ELSE PRINT "too quick"
PRINT "PLAY(0) is"; PLAY(0)
PRINT "Done"
RETURN
