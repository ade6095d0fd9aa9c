' Errors in loop statements whose checks run first in a fast form: the statement's own run
' raises the error at its own line with every variable the loop holds up to date, a handler's
' changes are what the statement sees when RESUME runs it again, and RESUME NEXT goes on after
' it with the loop's counters as they were.
DEFINT A-Z
DIM G(1 TO 4, 1 TO 3), V(1 TO 5)
ON ERROR GOTO Fix
' A subscript past the bound in a two-dimensional store: S is the running sum at that point.
S = 0
FOR I = 1 TO 6
  S = S + I
  G(I, 2) = S
NEXT I
PRINT "sums"; G(1, 2); G(2, 2); G(3, 2); G(4, 2); "S"; S; "I"; I
' A division by a variable the handler mends: RESUME runs the statement again with the new value.
D = 0: T& = 0
FOR K = 1 TO 3
  Q = 60 \ D
  T& = T& + Q
NEXT K
PRINT "quotients"; T&; "D"; D
' Overflow of an INTEGER kept in a register, the handler halving it each time.
N = 30000
FOR K = 1 TO 8
  N = N + 1000
  V((K - 1) MOD 5 + 1) = N
NEXT K
PRINT "n"; N; V(1); V(2); V(3); V(4); V(5)
' A GOSUB routine copied into the loop raising inside, with the counters intact after.
C = 0
FOR K = 1 TO 5
  GOSUB Bump
NEXT K
PRINT "bumped"; C; "K"; K; V(1); V(2); V(3); V(4); V(5)
' A loop keeping more numbers than a call preserves registers for, whose slow paths work on
' the variables themselves: the handler sees each as the loop left it.
A = 1: B = 2: E = 3: F = 4: H = 5: J = 6: Many = -1
FOR K = 1 TO 7
  A = A + 1: B = B + A: E = E + B: F = F - 1: H = H + F: J = J + H
  G(K, 1) = A + B
NEXT K
PRINT "many"; A; B; E; F; H; J; G(4, 1)
END
Bump:
  C = C + 1
  V(C * 2 - 1) = C * 10
  RETURN
Fix:
  SELECT CASE ERR
    CASE 9
      IF Many THEN PRINT "e9 K"; K; A; B; E; F; H; J: RESUME NEXT
      PRINT "e9 S"; S; "I"; I; "C"; C: RESUME NEXT
    CASE 11: PRINT "e11 K"; K: D = D + 4: RESUME
    CASE 6: PRINT "e6 N"; N; "K"; K: N = N \ 2: RESUME
  END SELECT
  PRINT "unexpected"; ERR
  END
