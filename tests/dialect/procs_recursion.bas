' Recursion: FUNCTIONs calling themselves (and each other), 10000 calls deep, and recursive SUBs
' that fill a grid and build permutations.
DECLARE FUNCTION Fact& (N AS INTEGER)
DECLARE FUNCTION Fib% (N AS INTEGER)
DECLARE FUNCTION SumDown& (N AS LONG)
DECLARE FUNCTION IsEven% (N AS INTEGER)
DECLARE FUNCTION IsOdd% (N AS INTEGER)
DECLARE SUB Flood (R AS INTEGER, C AS INTEGER)
DECLARE SUB Perm (Done AS STRING, Rest AS STRING)
DIM SHARED Grid(1 TO 5, 1 TO 7) AS INTEGER
DIM SHARED Count AS INTEGER, Shown AS STRING

PRINT "fact:"; Fact&(1); Fact&(5); Fact&(10); Fact&(12)
PRINT "fib:";
FOR I% = 0 TO 15
  PRINT Fib%(I%);
NEXT I%
PRINT
PRINT "deep:"; SumDown&(10000)
PRINT "even:"; IsEven%(10); IsEven%(7); IsOdd%(7)

' Walls (1) round two rooms joined by a gap; the flood marks cells 2 from one corner.
FOR R% = 1 TO 5
  FOR C% = 1 TO 7
    IF R% = 1 OR R% = 5 OR C% = 1 OR C% = 7 OR C% = 4 THEN Grid(R%, C%) = 1
  NEXT C%
NEXT R%
Grid(3, 4) = 0
Grid(2, 6) = 1
Flood 2, 2
FOR R% = 1 TO 5
  FOR C% = 1 TO 7
    PRINT MID$(".#o", Grid(R%, C%) + 1, 1);
  NEXT C%
  PRINT
NEXT R%

Perm "", "abc"
PRINT Shown; Count
Count = 0: Shown = ""
Perm "", "12345"
PRINT "of five:"; Count
END

FUNCTION Fact& (N AS INTEGER)
  IF N <= 1 THEN Fact& = 1 ELSE Fact& = N * Fact&(N - 1)
END FUNCTION

FUNCTION Fib% (N AS INTEGER)
  IF N < 2 THEN
    Fib% = N
  ELSE
    Fib% = Fib%(N - 1) + Fib%(N - 2)
  END IF
END FUNCTION

FUNCTION SumDown& (N AS LONG)
  IF N = 0 THEN SumDown& = 0 ELSE SumDown& = N + SumDown&(N - 1)
END FUNCTION

FUNCTION IsEven% (N AS INTEGER)
  IF N = 0 THEN IsEven% = -1 ELSE IsEven% = IsOdd%(N - 1)
END FUNCTION

FUNCTION IsOdd% (N AS INTEGER)
  IF N = 0 THEN IsOdd% = 0 ELSE IsOdd% = IsEven%(N - 1)
END FUNCTION

SUB Flood (R AS INTEGER, C AS INTEGER)
  IF Grid(R, C) <> 0 THEN EXIT SUB
  Grid(R, C) = 2
  Flood R + 1, C
  Flood R - 1, C
  Flood R, C + 1
  Flood R, C - 1
END SUB

SUB Perm (Done AS STRING, Rest AS STRING)
  IF LEN(Rest) = 0 THEN
    Count = Count + 1
    IF LEN(Shown) < 40 THEN Shown = Shown + Done + " "
    EXIT SUB
  END IF
  FOR I = 1 TO LEN(Rest)
    Perm Done + MID$(Rest, I, 1), LEFT$(Rest, I - 1) + MID$(Rest, I + 1)
  NEXT I
END SUB
