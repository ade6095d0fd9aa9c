' FOR loops with a step written out, which the checked-once copy steps by: 0 (for ever, left
' by EXIT FOR), 3 past the end, -2 down to below the start, and 2.0 written as a decimal; and
' steps in variables, worked out when the loop starts: 4, -5, and 0 (left by EXIT FOR).
DEFINT A-Z
N = 40: DIM A(100)
FOR I = 1 TO N STEP 0
  A(I) = A(I) + 1
  C = C + 1
  IF C = 25 THEN EXIT FOR
NEXT I
PRINT "zero"; I; A(1); C
FOR I = 1 TO N STEP 3: A(I) = I: NEXT I
PRINT "three"; I; A(1); A(4); A(40); A(2)
FOR I = N TO 1 STEP -2: A(I) = -I: NEXT I
PRINT "minus"; I; A(40); A(38); A(1); A(2)
FOR I = 1 TO N STEP 2.0: A(I) = 7: NEXT I
PRINT "float"; I; A(39)
S = 4
FOR I = 2 TO N STEP S: A(I) = 9: S = 1: NEXT I
PRINT "var"; I; A(2); A(6); A(38); A(39); A(40)
S = -5
FOR I = N TO 1 STEP S: A(I) = 8: NEXT I
PRINT "varminus"; I; A(40); A(35); A(5); A(36)
S = 0: C = 0
FOR I = 1 TO N STEP S: A(I) = 6: C = C + 1: IF C = 30 THEN EXIT FOR
NEXT I
PRINT "varzero"; I; A(1); C
END
