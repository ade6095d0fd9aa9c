' SELECT CASE straight on an INTEGER or LONG variable (a switch that reads it once): the
' variable changed by its own case, by the loop around it and by a timer's handler, a case
' whose statement fails with RESUME NEXT, values no case takes, and a SUB's own variable; then
' a string variable tested against literals.
DECLARE SUB Classify (N&)
DECLARE SUB Words (S$)
ON ERROR GOTO Report
Op% = 1: Trail$ = ""
FOR I% = 1 TO 6
  SELECT CASE Op%
    CASE 1: Op% = 2: Trail$ = Trail$ + "a"
    CASE 2: Op% = 3: Trail$ = Trail$ + "b"
    CASE 3, 4: Op% = 7: Trail$ = Trail$ + "c"
    CASE ELSE: Op% = 1: Trail$ = Trail$ + "z"
  END SELECT
NEXT
PRINT Trail$; Op%
Zero% = 0: Hits% = 0
FOR Op% = 0 TO 3
  SELECT CASE Op%
    CASE 0: Hits% = Hits% + 1
20  CASE 1: Hits% = Hits% + 100 \ Zero%: Hits% = Hits% + 10
    CASE 2 TO 3: Hits% = Hits% + 1000
  END SELECT
NEXT
PRINT "hits"; Hits%; Op%
Big& = 70000
SELECT CASE Big&
  CASE 1 TO 10: PRINT "small"
  CASE 70000: PRINT "big"
END SELECT
SELECT CASE Big&
  CASE 1 TO 10: PRINT "small"
END SELECT
Classify 3: Classify -5: Classify 123456
ON TIMER(1) GOSUB Tick
TIMER ON
' The count wraps: however late the first tick comes, it cannot overflow.
Mode% = 0: Counts& = 0: Twos& = 0
DO
  SELECT CASE Mode%
    CASE 0: Counts& = Counts& MOD 100000 + 1
    CASE 1: Twos& = Twos& + 1: Mode% = 2
  END SELECT
LOOP UNTIL Mode% = 2
TIMER OFF
PRINT "ticked"; Counts& > 0; Twos&; Mode%
' A string variable against literals, read in place: changed by its own case, and a SUB's
' parameter changed by its case and seen so by the caller.
W$ = "go"
FOR I% = 1 TO 4
  SELECT CASE W$
    CASE "go": W$ = "look": T2$ = T2$ + "g"
    CASE "look", "LOOK": W$ = "zz": T2$ = T2$ + "l"
    CASE "a" TO "m": T2$ = T2$ + "r"
    CASE IS > "y": W$ = "b": T2$ = T2$ + "z"
    CASE ELSE: T2$ = T2$ + "?"
  END SELECT
NEXT
PRINT T2$; " "; W$
D$ = "north": Words D$: Words D$: PRINT D$
END
Tick:
  Mode% = 1
  RETURN
Report:
  PRINT "err"; ERR; "line"; ERL
  RESUME NEXT

SUB Words (S$)
  SELECT CASE S$
    CASE "north": S$ = "south": PRINT "n";
    CASE "south": PRINT "s";
  END SELECT
END SUB

SUB Classify (N&)
  K& = N&
  SELECT CASE K&
    CASE -5 TO -1: PRINT "negative"; K&
    CASE 0 TO 9: PRINT "digit"; K&
    CASE ELSE: PRINT "other"; K&
  END SELECT
END SUB
