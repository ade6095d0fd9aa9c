' REDIM PRESERVE keeps the elements that still fit when a dynamic array grows or shrinks.
REDIM A(1 TO 3) AS INTEGER
FOR I = 1 TO 3
  A(I) = I * 11
NEXT I
REDIM PRESERVE A(1 TO 5) AS INTEGER
PRINT A(1); A(3); A(4); A(5); UBOUND(A)
A(5) = 55
REDIM PRESERVE A(1 TO 2) AS INTEGER
PRINT A(1); A(2); UBOUND(A)
REDIM PRESERVE A(1 TO 6) AS INTEGER
PRINT A(2); A(3); A(6); UBOUND(A)
REDIM N$(1 TO 2)
N$(1) = "one": N$(2) = "two"
REDIM PRESERVE N$(1 TO 4)
N$(4) = "four"
FOR I = 1 TO 4
  PRINT "["; N$(I); "]";
NEXT I
PRINT
REDIM A(1 TO 2) AS INTEGER
PRINT A(1); A(2)
END
