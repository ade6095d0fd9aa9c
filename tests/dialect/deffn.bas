' DEF FN functions, single-line and multi-line, and DEFtype defaults chosen by first letter.
DEFINT I-K
DEFLNG L
DEFDBL D
DEFSTR S

DEF FNSq (X) = X * X
DEF FNHyp (A, B) = SQR(A * A + B * B)
DEF FNTwice$ (T$) = T$ + T$
X = 100
PRINT FNSq(7); FNHyp(3, 4); FNSq(FNSq(2)); X
PRINT FNTwice$("ab")

Rate = 3
DEF FNCost (N) = N * Rate
PRINT FNCost(10);
Rate = 4
PRINT FNCost(10)

DEF FNMax (A, B)
  IF A > B THEN FNMax = A ELSE FNMax = B
END DEF
PRINT FNMax(3, 9); FNMax(9, 3); FNMax(-1, -2)

DEF FNSign$ (N)
  FNSign$ = "zero"
  IF N = 0 THEN EXIT DEF
  IF N > 0 THEN FNSign$ = "plus" ELSE FNSign$ = "minus"
END DEF
PRINT FNSign$(0); " "; FNSign$(5); " "; FNSign$(-5)

DEF FNNext
  Cnt = Cnt + 1
  FNNext = Cnt * 10
END DEF
PRINT FNNext; FNNext; Cnt

I = 7.9
K = 20 / 3
PRINT I; K; I%
I! = 2.5
PRINT I!; I
L = 123456789
D = 1# / 3
PRINT L; D
S = "abc"
S2 = S + "d"
PRINT S2; LEN(S2)
END
