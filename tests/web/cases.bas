' Browser test cases, one per COMMAND$: each draws, waits for keys and draws again, so the
' canvas can be compared with the native build's snap after the same keys.
C$ = COMMAND$
SELECT CASE C$
CASE "gfx12": GOSUB GFX12
CASE "gfx13": GOSUB GFX13
CASE "input": GOSUB ASK
CASE "error": GOSUB BOX
CASE "sound": GOSUB NOISE
CASE "timing": GOSUB CLOCK
CASE "files": GOSUB DISK
CASE "clip": GOSUB CLIP
CASE "modes": GOSUB MODES
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
BEEP
T1# = TIMER
IF T1# < T0# THEN T1# = T1# + 86400
' The two tones take a second before PLAY may start; PLAY and BEEP then return at their last notes.
IF T1# - T0# >= 1 THEN PRINT "SOUND and PLAY took their time" ELSE PRINT "too quick"
PRINT "PLAY(0) is"; PLAY(0)
PRINT "Done"
RETURN

' SLEEP n, _DELAY and TIMER: each wait at least as long as asked (lower bounds only, so a slow
' machine cannot fail them); ON TIMER's handler runs five times and then switches itself off.
CLOCK:
PRINT "Timing"
T0# = TIMER(.001)
_DELAY .25
T1# = TIMER(.001)
IF T1# < T0# THEN T1# = T1# + 86400
IF CLNG((T1# - T0#) * 1000) >= 250 THEN PRINT "_DELAY .25 waited" ELSE PRINT "_DELAY short"; T1# - T0#
SLEEP 1
T2# = TIMER(.001)
IF T2# < T1# THEN T2# = T2# + 86400
IF CLNG((T2# - T1#) * 1000) >= 1000 THEN PRINT "SLEEP 1 waited" ELSE PRINT "SLEEP short"; T2# - T1#
S! = TIMER
IF S! >= T0# + 1 OR S! < T0# THEN PRINT "TIMER advanced" ELSE PRINT "TIMER stood"; S!; T0#
Ticks% = 0
T3# = TIMER(.001)
ON TIMER(.2) GOSUB TICK
TIMER ON
DO: _LIMIT 200: LOOP UNTIL Ticks% >= 5
T4# = TIMER(.001)
IF T4# < T3# THEN T4# = T4# + 86400
' Half a second more: a timer switched off stays quiet.
DO: _LIMIT 200: T5# = TIMER(.001): LOOP UNTIL T5# - T4# >= .5 OR T5# < T4#
PRINT "ON TIMER ran"; Ticks%; "times";
IF CLNG((T4# - T3#) * 1000) >= 990 THEN PRINT ", 0.2 s apart" ELSE PRINT ", too soon"; T4# - T3#
PRINT "Done"
RETURN
TICK:
Ticks% = Ticks% + 1
IF Ticks% = 5 THEN TIMER OFF
RETURN

' Files written and read back in every mode, a missing file's error, and a data file that was
' put beside the program (in the page: preloaded by kelc --web, which finds its name here).
DISK:
ON ERROR GOTO DISKERR
OPEN "notes.txt" FOR OUTPUT AS #1
PRINT #1, "first line"
WRITE #1, "quoted, text", 42, -1.5
PRINT #1, USING "##.##"; 3.14159
CLOSE #1
OPEN "notes.txt" FOR APPEND AS #1: PRINT #1, "appended": CLOSE #1
OPEN "notes.txt" FOR INPUT AS #1
LINE INPUT #1, A$: PRINT "["; A$; "]"
INPUT #1, B$, N%, X!: PRINT "["; B$; "]"; N%; X!
LINE INPUT #1, C$: LINE INPUT #1, D$: PRINT "["; C$; "] ["; D$; "]"
PRINT "EOF"; EOF(1); "LOF"; LOF(1)
CLOSE #1
OPEN "data.bin" FOR BINARY AS #2
V& = 123456789: W$ = "bytes"
PUT #2, , V&: PUT #2, , W$
SEEK #2, 1: GET #2, , U&: R$ = SPACE$(5): GET #2, , R$
PRINT U&; R$; LOF(2); LOC(2)
CLOSE #2
OPEN "recs.dat" FOR RANDOM AS #3 LEN = 8
FIELD #3, 4 AS F1$, 4 AS F2$
FOR I = 1 TO 3: LSET F1$ = MKL$(I * 1000): LSET F2$ = "r" + STR$(I): PUT #3, I: NEXT
GET #3, 2: PRINT CVL(F1$); "["; F2$; "]"; LOF(3)
CLOSE #3
NAME "data.bin" AS "moved.bin"
KILL "moved.bin"
OPEN "moved.bin" FOR INPUT AS #4
PRINT "the preloaded file:"
OPEN "preloaded.txt" FOR INPUT AS #5
DO UNTIL EOF(5): LINE INPUT #5, L$: PRINT " "; L$: LOOP
CLOSE #5
PRINT "Done"
K$ = INPUT$(1)
SYSTEM
DISKERR:
PRINT "error"; ERR; "at"; ERL
RESUME NEXT

' A WAV clip through the sound module: opened with its length, played while the program goes
' on (as the game plays its haiku), waited for until it has ended, then a SOUND on the queue.
CLIP:
PRINT "A clip: press a key"
K$ = INPUT$(1)
H& = _SNDOPEN("C4.wav", "sync,vol,len")
IF H& = 0 THEN PRINT "no clip": RETURN
L# = _SNDLEN(H&)
PRINT "length"; INT(L# * 10) / 10
T0# = TIMER(.001)
_SNDPLAY H&
PRINT "playing"; _SNDPLAYING(H&)
DO WHILE _SNDPLAYING(H&): _LIMIT 100: LOOP
T1# = TIMER(.001)
IF T1# < T0# THEN T1# = T1# + 86400
' At least half its length: an audio clock catching up after a stall may play faster for a while.
IF T1# - T0# >= L# / 2 THEN PRINT "played to its end" ELSE PRINT "ended early"; T1# - T0#; L#
SOUND 440, 3
PRINT "then SOUND"
_SNDCLOSE H&
PRINT "Done"
RETURN

' Every screen mode in turn: text and its colours, lines, a box, a circle and a palette
' change where the mode has one, each shown until a key.
MODES:
RESTORE MODELIST
FOR I = 1 TO 10
  READ M, Colours, Pal
  SCREEN M
  IF M = 0 THEN
    WIDTH 80, 25
    FOR C = 0 TO 15: COLOR C, 15 - C: PRINT " colour"; C; : NEXT C
    COLOR 7, 0
  ELSE
    FOR C = 1 TO Colours - 1
      LINE (C * 4, 20)-(C * 4 + 30, 60), C MOD Colours
    NEXT C
    LINE (100, 70)-(150, 100), Colours - 1, BF
    CIRCLE (200, 80), 30, 1 MOD Colours
    IF Pal >= 0 THEN PALETTE 1, Pal
  END IF
  LOCATE 1, 1: PRINT "mode" + STR$(M) + ": a key"
  K$ = INPUT$(1)
NEXT I
SCREEN 0: WIDTH 80, 25
PRINT "Done"
RETURN
MODELIST:
' mode, colours to draw with, a palette value for attribute 1 (-1: none)
DATA 0, 16, -1, 1, 4, 2, 2, 2, -1, 7, 16, 4, 8, 16, 5, 9, 16, 44, 10, 4, -1, 11, 2, -1
DATA 12, 16, 4128, 13, 256, 63
