' Conditions made of comparisons joined by AND, OR, XOR, EQV and NOT, beside the same
' expressions whose values are not only -1 and 0: a condition needs only whether its value is
' nonzero, and both operands of AND and OR are always worked out (an error in the second one
' is raised even when the first already decides).
ON ERROR GOTO Trouble
DEFINT A-Z
A = 3: B = 5: Z = 0
FOR K = 0 TO 15
  P = (K AND 1) <> 0: Q = (K AND 2) <> 0: R = (K AND 4) <> 0: S = (K AND 8) <> 0
  M$ = ""
  IF P AND Q THEN M$ = M$ + "a" ELSE M$ = M$ + "-"
  IF P OR Q THEN M$ = M$ + "o" ELSE M$ = M$ + "-"
  IF (A < B) = P XOR Q THEN M$ = M$ + "x" ELSE M$ = M$ + "-"
  IF (K > 7) EQV R THEN M$ = M$ + "e" ELSE M$ = M$ + "-"
  IF NOT (K < 4) AND NOT S THEN M$ = M$ + "n" ELSE M$ = M$ + "-"
  IF K > 2 AND K < 9 OR K = 14 THEN M$ = M$ + "r" ELSE M$ = M$ + "-"
  PRINT M$; " ";
NEXT
PRINT
' Values other than -1 and 0 keep their bits: NOT 5 is -6 (true), 4 AND 2 is 0 (false),
' (A < B) AND 2 is 2 (true), NOT (A < B) AND 6 is 0, NOT 2 = -3.
T$ = ""
IF NOT 5 THEN T$ = T$ + "1" ELSE T$ = T$ + "0"
IF 4 AND 2 THEN T$ = T$ + "1" ELSE T$ = T$ + "0"
IF (A < B) AND 2 THEN T$ = T$ + "1" ELSE T$ = T$ + "0"
IF NOT (A < B) AND 6 THEN T$ = T$ + "1" ELSE T$ = T$ + "0"
IF NOT A = -4 THEN T$ = T$ + "1" ELSE T$ = T$ + "0"
IF (A > B) OR 8 THEN T$ = T$ + "1" ELSE T$ = T$ + "0"
IF NOT ((A < B) XOR 1) THEN T$ = T$ + "1" ELSE T$ = T$ + "0"
PRINT T$
' In loops and with longs and singles mixed in.
N& = 0: X! = 0
DO WHILE N& < 50000 AND NOT X! > 100.5
  N& = N& + 1: X! = X! + .25
LOOP
PRINT N&; X!
I = 0
WHILE NOT (I >= 10 OR I * I > 50)
  I = I + 1
WEND
PRINT I
' The second operand's error is raised though the first is false (or true for OR).
IF A > B AND 10 \ Z > 0 THEN PRINT "not here"
PRINT "after and"
IF A < B OR 10 \ Z > 0 THEN PRINT "then"
PRINT "after or"
E& = 32767
IF A = 3 AND E& + 1 > 0 THEN PRINT "long fine"
IF A = 0 AND A + 32767 + 1 > 0 THEN PRINT "no"
PRINT "done"
END
Trouble:
  PRINT "error"; ERR; "at line after"; ERL
  RESUME NEXT
