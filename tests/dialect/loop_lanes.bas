' Nested loops whose outer passes run side by side: a product of matrices whose INTEGER
' column numbers reach near the top of their range, and a SINGLE one taking its columns by a
' computed subscript; each checked against the same sums made one element at a time.
DEFINT A-Z
M = 3: Lo = 32755: Hi = 32766: Kn = 4
DIM A!(1 TO M, 1 TO 4), B!(1 TO 4, Lo TO Hi), C!(1 TO M, Lo TO Hi)
FOR I = 1 TO 3: FOR K = 1 TO 4: A!(I, K) = I * 10 + K: NEXT K, I
FOR K = 1 TO 4: FOR J = 32755 TO 32766: B!(K, J) = (J - 32750) * K - 7: NEXT J, K
FOR I = 1 TO M
  FOR J = Lo TO Hi
    S! = 0
    FOR K = 1 TO Kn
      S! = S! + A!(I, K) * B!(K, J)
    NEXT K
    C!(I, J) = S!
  NEXT J
NEXT I
Bad = 0
FOR I = 1 TO 3
  FOR J = 32755 TO 32766
    T! = 0
    K = 1
    DO WHILE K <= 4: T! = T! + A!(I, K) * B!(K, J): K = K + 1: LOOP
    IF T! <> C!(I, J) THEN Bad = Bad + 1
  NEXT J
NEXT I
PRINT "top"; C!(1, 32755); C!(3, 32766); Bad
N = 9
DIM P!(1 TO N, 1 TO N), Q!(1 TO N, 0 TO N + 3), R!(1 TO N, 1 TO N)
FOR I = 1 TO N: FOR J = 1 TO N: P!(I, J) = (I + J) / 4: NEXT J, I
FOR I = 1 TO N: FOR J = 0 TO N + 3: Q!(I, J) = (I - J) / 8: NEXT J, I
FOR I = 1 TO N
  FOR J = 1 TO N
    S! = 0
    FOR K = 1 TO N
      S! = S! + P!(I, K) * Q!(K, J + 2)
    NEXT K
    R!(I, J) = S!
  NEXT J
NEXT I
Bad = 0
FOR I = 1 TO N
  FOR J = 1 TO N
    T! = 0
    K = 1
    DO WHILE K <= N: T! = T! + P!(I, K) * Q!(K, J + 2): K = K + 1: LOOP
    IF T! <> R!(I, J) THEN Bad = Bad + 1
  NEXT J
NEXT I
PRINT "single"; R!(1, 1); R!(N, N); Bad
