' Statements in loops that go through the same arrays one after another: when a check fails
' in the middle of such a stretch, the failing statement raises its error at its own line,
' RESUME NEXT goes on with the statement after it, the statements after it still store what
' they should, and the next pass runs as before. In the module's loops, in a SUB's loop, and
' in a GOSUB routine run from a loop.
DEFINT A-Z
DECLARE SUB Fill (N)
DIM SHARED A(1 TO 10), B(1 TO 10), InSub
ON ERROR GOTO 900
100 FOR I = 1 TO 12
110   A(I) = I * 3: B(I MOD 10 + 1) = A(I MOD 10 + 1) + I: S = S + B(I MOD 10 + 1) - A(I MOD 10 + 1)
120   C = C + 1
140 NEXT I
PRINT "bounds"; S; C; A(10); B(1); B(2); B(3)
PRINT Log$
Log$ = ""
200 FOR I = 1 TO 4
210   A(I) = 10000 * I: B(I) = A(I) + A(I): A(I) = A(I) \ 2 + B(I)
220   IF I = 3 THEN B(4) = 32767: B(4) = B(4) + 1: B(4) = B(4) - 1
240 NEXT I
PRINT "overflow"; A(1); A(2); A(3); A(4); B(2); B(3); B(4)
PRINT Log$
Log$ = ""
InSub = 1
Fill 11
InSub = 0
T = 0
FOR I = 1 TO 10: T = T + A(I): NEXT I
PRINT "sub"; T; B(10)
PRINT Log$
Log$ = ""
300 FOR I = 9 TO 11
310   P = I: GOSUB 800
320 NEXT I
PRINT "gosub"; A(9); A(10); B(9); B(10)
PRINT Log$
END

800 B(P) = P: A(P) = B(P) + A(P): RETURN

900 IF InSub THEN Log$ = Log$ + STR$(ERR) ELSE Log$ = Log$ + STR$(ERR) + "@" + MID$(STR$(ERL), 2)
RESUME NEXT

SUB Fill (N)
  FOR K = 1 TO N
    A(K) = K: B(K) = A(K) * 2: A(K) = A(K) + B(K)
  NEXT K
END SUB
