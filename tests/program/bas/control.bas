' Loops, nested blocks, SELECT CASE, GOSUB and GOTO.
PRINT "FOR:";
FOR I% = 1 TO 3: FOR J = 10 TO 0 STEP -5: PRINT I% * J;: NEXT J, I%
PRINT
PRINT "I%="; I%
N = 0
DO WHILE N < 3: N = N + 1: LOOP
PRINT "DO:"; N;
DO: N = N - 1: LOOP UNTIL N <= 0
PRINT N;
DO UNTIL N >= 2: N = N + 1: LOOP
PRINT N;
DO
  N = N + 1
  IF N = 5 THEN EXIT DO
LOOP
PRINT N
W = 1: WHILE W < 100: W = W * 3: WEND: PRINT "WHILE:"; W
FOR K = 1 TO 4
  IF K = 1 THEN
    PRINT "one";
  ELSEIF K = 2 THEN
    PRINT "two";
  ELSE
    IF K = 3 THEN PRINT "three"; ELSE PRINT "four";
  END IF
NEXT
PRINT
FOR K = 1 TO 7
  SELECT CASE K
    CASE 1: PRINT "a";
    CASE 2, 3: PRINT "b";
    CASE 4 TO 5: PRINT "c";
    CASE IS >= 7: PRINT "e";
    CASE ELSE: PRINT "d";
  END SELECT
  IF K = 6 THEN EXIT FOR
NEXT
PRINT K
S$ = "pear"
SELECT CASE S$
  CASE "apple": PRINT "A"
  CASE "plum", "pear": PRINT "P"
END SELECT
X = 1: GOSUB Twice: GOSUB Twice: PRINT "GOSUB:"; X
GOTO Done
Twice: X = X * 2: GOSUB AddOne: RETURN
AddOne:
X = X + 1
RETURN
Done:
10 C = C + 1: IF C < 3 THEN 10
PRINT "GOTO:"; C
