' A small score table of the kind people write for fun: players read from DATA into records,
' a bubble sort that asks a FUNCTION which of two records goes first and a SUB to swap them,
' and a SUB that prints the table.
TYPE Player
  Nick AS STRING * 6
  Score AS INTEGER
  Age AS INTEGER
END TYPE
DECLARE FUNCTION Before% (A AS Player, B AS Player)
DECLARE FUNCTION Average! (T() AS Player)
DECLARE SUB SwapPlayers (A AS Player, B AS Player)
DECLARE SUB SortTable (T() AS Player)
DECLARE SUB ShowTable (Title$, T() AS Player)
DIM SHARED ByAge AS INTEGER

READ Count%
DIM Table(1 TO Count%) AS Player
FOR I% = 1 TO Count%
  READ Table(I%).Nick, Table(I%).Score, Table(I%).Age
NEXT I%
SortTable Table()
ShowTable "by score", Table()
ByAge = -1
SortTable Table()
ShowTable "by age", Table()
PRINT "average:"; Average!(Table())
END

DATA 6
DATA Ada, 90, 31
DATA Brian, 75, 22
DATA Cleo, 90, 27
DATA Dmitri, 60, 45
DATA Eve, 75, 19
DATA Fay, 99, 27

FUNCTION Before% (A AS Player, B AS Player)
  IF ByAge THEN
    IF A.Age <> B.Age THEN Before% = A.Age < B.Age: EXIT FUNCTION
  ELSE
    IF A.Score <> B.Score THEN Before% = A.Score > B.Score: EXIT FUNCTION
  END IF
  Before% = A.Nick < B.Nick
END FUNCTION

FUNCTION Average! (T() AS Player)
  Sum& = 0
  FOR I% = LBOUND(T) TO UBOUND(T)
    Sum& = Sum& + T(I%).Score
  NEXT I%
  Average! = Sum& / (UBOUND(T) - LBOUND(T) + 1)
END FUNCTION

SUB SwapPlayers (A AS Player, B AS Player)
  DIM Temp AS Player
  Temp = A
  A = B
  B = Temp
END SUB

SUB SortTable (T() AS Player)
  DO
    Swapped% = 0
    FOR I% = LBOUND(T) TO UBOUND(T) - 1
      IF Before%(T(I% + 1), T(I%)) THEN
        SwapPlayers T(I%), T(I% + 1)
        Swapped% = -1
      END IF
    NEXT I%
  LOOP WHILE Swapped%
END SUB

SUB ShowTable (Title$, T() AS Player)
  PRINT Title$
  FOR I% = LBOUND(T) TO UBOUND(T)
    PRINT I%; T(I%).Nick; T(I%).Score; T(I%).Age
  NEXT I%
END SUB
