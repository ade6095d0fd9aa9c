' Loops in SUBs: an array parameter indexed with by-reference values (checked as before, error 9
' past its end), and a local array with a SHARED one in a loop the checked-once copy takes.
DEFINT A-Z
DECLARE SUB Fill2 (A() AS INTEGER, N AS INTEGER, Shift AS INTEGER)
DECLARE SUB Local1 (N AS INTEGER)
DIM SHARED G(20)
DIM B(30)
ON ERROR GOTO Report
Fill2 B(), 10, 20
PRINT "b"; B(21); B(30)
Fill2 B(), 12, 20
PRINT "b2"; B(30)
Local1 15
PRINT "g"; G(1); G(15); G(16)
END
Report:
  PRINT "err"; ERR
  RESUME NEXT
SUB Fill2 (A() AS INTEGER, N AS INTEGER, Shift AS INTEGER)
  FOR I = 1 TO N
    A(I + Shift) = I
  NEXT I
END SUB
SUB Local1 (N AS INTEGER)
  DIM L(N)
  FOR I = 0 TO N
    L(I) = I * 2
    G(I) = L(I) + 1
  NEXT I
END SUB
