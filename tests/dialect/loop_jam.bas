' Loops around a loop that run several of their passes at once: each pass keeps its own sums,
' the statements after the inner loop run pass by pass with their own errors, a product stored
' into the array it reads, sizes passed by reference, a parameter that names an element of the
' array the loop stores into, and the passes a block of four leaves over.
DEFINT I-N
DECLARE SUB MatMul (A() AS SINGLE, B() AS SINGLE, C() AS SINGLE, N AS INTEGER)
DECLARE SUB Slow (A() AS SINGLE, B() AS SINGLE, C() AS SINGLE, N AS INTEGER)
DECLARE SUB Spread (A() AS INTEGER, N AS INTEGER)
DECLARE FUNCTION Sum# (C() AS SINGLE, N AS INTEGER)
DIM A!(1 TO 9, 1 TO 9), B!(1 TO 9, 1 TO 9), C!(1 TO 9, 1 TO 9), P!(1 TO 9, 1 TO 9), X!(1 TO 9, 1 TO 9)
FOR I = 1 TO 9: FOR J = 1 TO 9
  A!(I, J) = (I * 3 + J) MOD 7 - 2: B!(I, J) = (I + J * 5) MOD 11 - 4
NEXT J, I
' Sizes of two blocks and a pass, of one block, of less than a block, of one pass.
FOR T = 1 TO 4
  N = 9: IF T = 2 THEN N = 4 ELSE IF T = 3 THEN N = 3 ELSE IF T = 4 THEN N = 1
  MatMul A!(), B!(), C!(), N
  Slow A!(), B!(), P!(), N
  Bad = 0
  FOR I = 1 TO N: FOR J = 1 TO N: IF C!(I, J) <> P!(I, J) THEN Bad = Bad + 1
  NEXT J, I
  PRINT "size"; N; "sum"; Sum#(C!(), N); "differ"; Bad
NEXT T
' The product into the first matrix itself: each row is read after its own earlier stores.
FOR I = 1 TO 9: FOR J = 1 TO 9: X!(I, J) = A!(I, J): NEXT J, I
MatMul X!(), B!(), X!(), 9
Slow A!(), B!(), A!(), 9
Bad = 0
FOR I = 1 TO 9: FOR J = 1 TO 9: IF X!(I, J) <> A!(I, J) THEN Bad = Bad + 1
NEXT J, I
PRINT "in place sum"; Sum#(X!(), 9); "differ"; Bad
' A term each pass works out in the inner loop before it adds it, read again after the loop
' with the inner counter, in DOUBLE.
DIM V#(1 TO 6, 1 TO 5), W#(1 TO 7, 1 TO 5), R#(1 TO 6, 1 TO 7)
FOR I = 1 TO 6: FOR K = 1 TO 5: V#(I, K) = I * K - 7: NEXT K, I
FOR J = 1 TO 7: FOR K = 1 TO 5: W#(J, K) = J - K * 2: NEXT K, J
NI = 6: NJ = 7: NK = 5
FOR I = 1 TO NI
  FOR J = 1 TO NJ
    S# = 0
    FOR K = 1 TO NK
      T# = V#(I, K) * W#(J, K)
      S# = S# + T#
    NEXT K
    R#(I, J) = S# * 10 + T# + K
  NEXT J
NEXT I
Tot# = 0
FOR I = 1 TO 6: FOR J = 1 TO 7: Tot# = Tot# + R#(I, J) * (I + 2 * J): NEXT J, I
PRINT "terms"; Tot#; R#(2, 3); R#(6, 7)
' Sums kept in the product's own elements: from nothing, then onto what they hold.
DIM E#(1 TO 6, 1 TO 7)
FOR I = 1 TO NI
  FOR J = 1 TO NJ
    E#(I, J) = 0
    FOR K = 1 TO NK: E#(I, J) = E#(I, J) + V#(I, K) * W#(J, K): NEXT K
  NEXT J
NEXT I
FOR I = 1 TO NI: FOR J = 1 TO NJ
  FOR K = 1 TO NK: E#(I, J) = E#(I, J) + V#(I, K): NEXT K
NEXT J, I
Tot# = 0
FOR I = 1 TO NI: FOR J = 1 TO NJ: Tot# = Tot# + E#(I, J) * (I + 2 * J): NEXT J, I
PRINT "elements"; Tot#; E#(2, 3); E#(6, 7)
' Errors after the inner loop, in the third and the sixth pass: each is its own statement's,
' with that pass's sum, and RESUME NEXT goes on with the next pass.
ON ERROR GOTO Handler
DIM D!(1 TO 9), Q!(1 TO 9)
FOR J = 1 TO 9: D!(J) = J: NEXT J
D!(3) = 0: D!(6) = 0
Cnt = 0: N = 9: M = 4
FOR J = 1 TO N
  S! = 0
  FOR K = 1 TO M: S! = S! + A!(K, J) * 2: NEXT K
  Q!(J) = S! / D!(J)
  Cnt = Cnt + 1
NEXT J
PRINT "errors"; Errs; "at"; E1; E2; "sums"; S1!; S2!; "done"; Cnt; "J"; J; "K"; K
FOR J = 1 TO 9: PRINT Q!(J); : NEXT J: PRINT
' The same errors after sums kept in elements, which each pass stores before its statement.
DIM G#(1 TO 9)
FOR J = 1 TO N: G#(J) = J * 100: NEXT J
FOR J = 1 TO N
  FOR K = 1 TO M: G#(J) = G#(J) + A!(K, J): NEXT K
  Q!(J) = 1 / D!(J)
NEXT J
PRINT "errors"; Errs;
FOR J = 1 TO 9: PRINT G#(J); : NEXT J: PRINT
' A parameter by reference that names the array's first element, which the loop changes:
' each subscript uses its value of the moment, and the one past the bound is an error.
DIM Z%(1 TO 10)
Spread Z%(), Z%(1)
PRINT "spread"; Errs; "at"; E3;
FOR J = 1 TO 10: PRINT Z%(J); : NEXT J: PRINT
' A timer's handler runs while such loops are under way.
ON TIMER(1) GOSUB Tick
TIMER ON
T0! = TIMER
DO
  MatMul A!(), B!(), C!(), 9
LOOP UNTIL Ticks > 0 OR TIMER - T0! > 5
TIMER OFF
PRINT "ticks"; Ticks; "sum"; Sum#(C!(), 9)
END
Tick:
  Ticks = Ticks + 1
  RETURN
Handler:
  Errs = Errs + 1
  IF Errs = 1 THEN E1 = J: S1! = S! ELSE IF Errs = 2 THEN E2 = J: S2! = S! ELSE IF Errs > 4 THEN E3 = ERR
  RESUME NEXT

SUB MatMul (A() AS SINGLE, B() AS SINGLE, C() AS SINGLE, N AS INTEGER)
  FOR I = 1 TO N
    FOR J = 1 TO N
      S! = 0
      FOR K = 1 TO N
        S! = S! + A(I, K) * B(K, J)
      NEXT K
      C(I, J) = S!
    NEXT J
  NEXT I
END SUB

' The same product by a loop whose passes cannot run together (a jump inside).
SUB Slow (A() AS SINGLE, B() AS SINGLE, C() AS SINGLE, N AS INTEGER)
  FOR I = 1 TO N
    FOR J = 1 TO N
      S! = 0
      FOR K = 1 TO N
        S! = S! + A(I, K) * B(K, J)
        IF S! > 1E+30 THEN S! = 0
      NEXT K
      C(I, J) = S!
    NEXT J
  NEXT I
END SUB

SUB Spread (A() AS INTEGER, N AS INTEGER)
  FOR I = 2 TO UBOUND(A) - 2
    A(1) = A(1) + 1
    A(I + N) = I
  NEXT I
END SUB

FUNCTION Sum# (C() AS SINGLE, N AS INTEGER)
  T# = 0
  FOR I = 1 TO N: FOR J = 1 TO N: T# = T# + C(I, J) * (I + 2 * J): NEXT J, I
  Sum# = T#
END FUNCTION
