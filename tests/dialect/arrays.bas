' Arrays: explicit bounds, negative bounds, two dimensions, OPTION BASE 1, LBOUND and UBOUND
' per dimension, dynamic arrays with REDIM and ERASE, ERASE of a static array, a subscript out
' of range caught by ON ERROR.
OPTION BASE 1
DIM St(3) AS INTEGER
DIM A(1 TO 10)
FOR I = 1 TO 10
  A(I) = I * I
NEXT I
PRINT LBOUND(A); UBOUND(A); A(1); A(10)
DIM B(-5 TO 5) AS INTEGER
FOR I = -5 TO 5
  B(I) = I * 2
NEXT I
PRINT LBOUND(B); UBOUND(B); B(-5); B(0); B(5)
DIM M(1 TO 3, 2 TO 4)
FOR I = 1 TO 3
  FOR J = 2 TO 4
    M(I, J) = I * 10 + J
  NEXT J
NEXT I
PRINT LBOUND(M, 1); UBOUND(M, 1); LBOUND(M, 2); UBOUND(M, 2); M(1, 2); M(3, 4); LBOUND(M)
DIM G(4, 2)
PRINT LBOUND(G); UBOUND(G); LBOUND(G, 2); UBOUND(G, 2); LBOUND(St); UBOUND(St)
St(1) = 5: St(3) = 7
ERASE St
PRINT St(1); St(3); UBOUND(St)

'$DYNAMIC
DIM D(1 TO 5) AS INTEGER
D(3) = 7
PRINT D(3); UBOUND(D);
REDIM D(1 TO 8) AS INTEGER
PRINT D(3); UBOUND(D)
ERASE D
REDIM D(2 TO 3) AS INTEGER
D(2) = 4
PRINT LBOUND(D); UBOUND(D); D(2); D(3)
N = 4
REDIM E$(N)
E$(N) = "last"
PRINT LBOUND(E$); UBOUND(E$); E$(4)

ON ERROR GOTO Oops
A(11) = 5
PRINT "A(11) skipped"
M(1, 1) = 5
PRINT "M(1, 1) skipped"
PRINT "end"
END

Oops:
PRINT "error"; ERR
RESUME NEXT
