' Errors raised by the checks inside loops, whose statements test only their own failures:
' each names its own line, RESUME NEXT goes on after it (after a NEXT whose counter overflowed:
' out of the loop), RESUME runs the statement again once the handler has mended its cause.
DEFINT A-Z
DIM F(10)
ON ERROR GOTO Report
100 FOR I = 8 TO 12
110   F(I) = I: S = S + 1
120 NEXT I
PRINT "S="; S; "F(10)="; F(10)
200 A = 32760
210 FOR I = 1 TO 3
220   A = A + 5: B = B + 1
230 NEXT I
PRINT "A="; A; "B="; B
300 FOR K = 32765 TO 32767
310   C = C + 1
320 NEXT K
PRINT "C="; C
ON ERROR GOTO Mend
J = 20
400 WHILE W < 3
410   F(J + W) = W: W = W + 1
420 WEND
PRINT "F(0..2)="; F(0); F(1); F(2); "J="; J
ON ERROR GOTO Report
500 DO
510   Q = 100 \ Z: N = N + 1
520 LOOP UNTIL N = 2
PRINT "N="; N; "Q="; Q
600 X! = 1E+10: Y = X!: M = 1
PRINT "M="; M
700 L& = 2147483000
710 DO WHILE L& > 0 AND T < 5
720   L& = L& + 300: T = T + 1
730 LOOP
PRINT "L&="; L&; "T="; T
END
Report:
PRINT "err"; ERR; "line"; ERL
RESUME NEXT
Mend:
PRINT "mend"; ERR; ERL
J = 0
RESUME
