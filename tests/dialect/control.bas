' Control flow: ON n GOTO and ON n GOSUB, SELECT CASE, nested exits, WHILE, labels and
' line numbers together, single-line IF with several statements, ? and continued lines.
FOR N = 0 TO 4
  ON N GOTO One, Two, Three
  PRINT "none"; N; "|";
  GOTO NextN
One: PRINT "one|";
  GOTO NextN
Two: PRINT "two|";
  GOTO NextN
Three: PRINT "three|";
NextN:
NEXT N
PRINT

FOR N = 3 TO 0 STEP -1
  ON N GOSUB SubA, SubB
  PRINT N;
NEXT N
PRINT

FOR V = -2 TO 12 STEP 2
  SELECT CASE V
    CASE IS < 0: PRINT "neg ";
    CASE 0: PRINT "zero ";
    CASE 1 TO 4, 10: PRINT "low ";
    CASE 5 TO 8: PRINT "mid ";
    CASE 6: PRINT "never ";
    CASE ELSE: PRINT "high ";
  END SELECT
NEXT V
PRINT

FOR C = 1 TO 4
  W$ = MID$("aMz5", C, 1)
  SELECT CASE W$
    CASE "a" TO "m"
      PRINT "lo ";
    CASE "n" TO "z"
      PRINT "hi ";
    CASE "A" TO "Z"
      PRINT "UP ";
    CASE ELSE
      PRINT "? ";
  END SELECT
NEXT C
PRINT

FOR I = 1 TO 3
  FOR J = 1 TO 3
    IF J > I THEN EXIT FOR
    PRINT I * 10 + J;
  NEXT J
NEXT I
PRINT

K = 0
DO
  K = K + 1
  M = 0
  DO
    M = M + 1
    IF M = K THEN EXIT DO
  LOOP
  PRINT M;
LOOP UNTIL K = 3
PRINT

FOR I = 1 TO 10
  DO WHILE I > 3
    EXIT FOR
  LOOP
NEXT I
PRINT "I="; I

A = 1
WHILE A <= 3
  B = 0
  WHILE B < A: B = B + 1: PRINT "*";: WEND
  PRINT "/";
  A = A + 1
WEND
PRINT

FOR X = 1 TO 2 STEP .5: PRINT X;: NEXT X
FOR I = 5 TO 1: PRINT "never";: NEXT I
PRINT "I="; I

GOTO 100
PRINT "skipped"
100 PRINT "at 100";
GOSUB 200
GOTO Finish
200 PRINT " in 200";
RETURN
Finish:
PRINT " done"

C = 0
300 C = C + 1
IF C < 4 THEN 300 ELSE PRINT "C="; C

Q = 1: IF Q THEN R = 1: S = 2 ELSE R = 3: S = 4
PRINT "IF:"; R; S;
Q = 0: IF Q THEN R = 5: S = 6 ELSE R = 7: S = 8
PRINT R; S

? "Q:"; 2 + 3
PRINT "con"; _
  "tin"; _
  "ued"
Z = 10
DO: Z = Z + 1: LOOP WHILE Z < 5
PRINT "DO:"; Z
PRINT "end"
END

SubA: PRINT "a";
RETURN
SubB: PRINT "b";
RETURN
