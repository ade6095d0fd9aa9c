' Strings built and searched in FOR loops. A string at the end of string space takes room as it
' grows there, and strings made after it lie past that room; a loop made only of such string
' statements runs as the checked-once copy, its counter's sums and products unchecked once the
' entry test has covered them. Errors inside those loops name their own line, RESUME NEXT goes
' on after them, RESUME runs the statement again, and a timer still fires in a long one.
DEFINT A-Z
ON ERROR GOTO Report
Forty = 40: Top = 30000
' Grown at the end of string space, then a string made after it, then grown past its room.
A$ = "": FOR I = 1 TO 20: A$ = A$ + CHR$(64 + I): NEXT I
B$ = "b" + STR$(7)
FOR I = 1 TO 30: A$ = A$ + "x": NEXT I
C$ = "c" + B$: A$ = A$ + "!"
PRINT LEFT$(A$, 22); RIGHT$(A$, 3); LEN(A$); B$; " "; C$
' Two strings grown in turn by views, each made last in turn.
D$ = "": E$ = ""
FOR I = 1 TO Forty: D$ = D$ + MID$("abcdef", I MOD 6 + 1, 2): E$ = E$ + RIGHT$(D$, 1) + "-": NEXT I
PRINT LEN(D$); LEN(E$); LEFT$(D$, 8); " "; LEFT$(E$, 8); " "; RIGHT$(E$, 4)
' String space nearly full of other strings: the room stops at its end, then the string moves.
DIM Big$(45)
FOR I = 1 TO 45: Big$(I) = STRING$(22000, 48 + I MOD 10): NEXT I
F$ = ""
FOR L& = 1 TO Top: F$ = F$ + CHR$(48 + (L& * 3) MOD 10): NEXT L&
K& = 0
FOR I = 1 TO 45: K& = K& + ASC(MID$(Big$(I), I * 400, 1)) * I + LEN(Big$(I)) - ASC(RIGHT$(Big$(I), 1)): NEXT I
PRINT "full"; LEN(F$); MID$(F$, 29991, 10); K&; INSTR(F$, "8"); INSTR(29999, F$, "0")
ERASE Big$
' The counter's product overflows only near the end: the entry test sends the loop to its
' checks, and each pass past 4681 is error 6 at its line (4682 * 7 > 32767).
ON ERROR GOTO Count
Last = 4685
G$ = "": Errs = 0
FOR I = 4670 TO Last
810 G$ = G$ + CHR$(65 + (I * 7) MOD 26)
NEXT I
PRINT "ovf"; LEN(G$); G$; Errs; LastErr; LastErl; I
' A step down with a negative factor: the far end is the one that overflows (-22 * -1500).
NegEnd = -30: Errs = 0: H$ = ""
FOR I = 0 TO NegEnd STEP -1
820 H$ = H$ + CHR$(65 + (I * -1500) MOD 26)
NEXT I
PRINT "neg"; LEN(H$); LEFT$(H$, 6); Errs; LastErr; LastErl; I
' CHR$ of the counter fails inside the copy from 256 on: error 5 each time, the loop goes on.
Errs = 0: J$ = ""
ChrEnd = 270
FOR C = 250 TO ChrEnd
830 J$ = J$ + CHR$(C)
NEXT C
PRINT "chr"; LEN(J$); ASC(J$); ASC(RIGHT$(J$, 1)); Errs; LastErr; LastErl; C
' ASC of a cut past the end: the handler doubles the text and RESUME runs the statement again.
ON ERROR GOTO Mend
T$ = "abcdefghij": S& = 0
FOR I = 1 TO Forty
840 S& = S& + ASC(MID$(T$, I * 3 - 2, 1)) * I
NEXT I
PRINT "resume"; S&; LEN(T$)
' A loop around a string loop, its sum of both counters' values multiplied: W is set in the
' outer loop, so the outer entry test cannot cover the product and the inner loop keeps its own
' test each time; it overflows from W + K = 47 on (90 passes of 320).
ON ERROR GOTO Count
Errs = 0: Q$ = ""
OutEnd = 16: InEnd = 20
FOR I = 1 TO OutEnd
  W = I * 3
  FOR K = 1 TO InEnd
870 Q$ = Q$ + CHR$(65 + ((W + K) * 700) MOD 26)
  NEXT K
NEXT I
PRINT "nest"; LEN(Q$); Errs; LastErr; LastErl; LEFT$(Q$, 5)
' INSTR of one character in a longer text: found within the next 16 characters, at the last of
' them, just after them, at the end, or not at all; bytes over 127 and CHR$(0) too.
V$ = STRING$(15, "a") + "b" + "c" + STRING$(20, "a") + CHR$(200) + CHR$(0)
PRINT "near"; INSTR(V$, "b"); INSTR(V$, "c"); INSTR(2, V$, "a"); INSTR(V$, CHR$(200)); INSTR(V$, CHR$(0)); INSTR(V$, "z");
W& = INSTR(V$, "c") * 100& + INSTR(LEFT$(V$, 16), "b") + INSTR(23, V$, CHR$(0)) * 10000&
PRINT INSTR(22, V$, "b"); INSTR(LEFT$(V$, 16), "b"); INSTR(LEFT$(V$, 16), "c"); INSTR(23, V$, CHR$(200)); INSTR(23, V$, CHR$(0)); W&
' Views in a statement that fails: the variable keeps its value.
ON ERROR GOTO Report
Bad = 300: X = 5: Y = 6
850 X = LEN(MID$(T$, 2)) + ASC(CHR$(Bad)) + INSTR(T$, "c")
860 Y = (MID$(T$, 1, 2) = CHR$(Bad)) + LEN(LEFT$(T$, 3))
PRINT "kept"; X; Y
' A long loop of string statements that only the timer's handler ends.
U$ = "the quick brown fox jumps over the lazy dog"
ON TIMER(1) GOSUB Tick
TIMER ON
FOR N& = 1 TO 2000000000
  Found& = (Found& + INSTR(1 + (N& AND 15), U$, CHR$(97 + (N& AND 15)))) AND 65535
  IF Ticked THEN EXIT FOR
NEXT N&
TIMER OFF
PRINT "timer"; Ticked; N& < 2000000000; Found& > 0
END

Report:
  PRINT "err"; ERR; "line"; ERL
  RESUME NEXT
Count:
  Errs = Errs + 1: LastErr = ERR: LastErl = ERL
  RESUME NEXT
Mend:
  PRINT "mend"; ERR; "line"; ERL; LEN(T$)
  T$ = T$ + T$
  RESUME
Tick:
  Ticked = 1
  RETURN
