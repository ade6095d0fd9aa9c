' GOSUB routines inside procedures, which keep their latest return point in a register: a loop
' of ON ... GOSUB over three routines, routines that GOSUB others two deep and one that GOSUBs
' itself, RETURN to a label, an error inside a routine put right by the module's handler and
' RESUMEd NEXT, a timer that fires while a routine waits, RETURN without GOSUB (error 3 at its
' own line), EXIT SUB from inside a routine, and a FUNCTION with a routine of its own.
DEFINT A-Z
DECLARE SUB Dispatch (N)
DECLARE SUB Nested (Depth)
DECLARE SUB Landing ()
DECLARE SUB Faulty ()
DECLARE SUB Waiting ()
DECLARE SUB Stray ()
DECLARE SUB Leave ()
DECLARE FUNCTION Twice& (X)
DIM SHARED Log$, A&, B&, C&, Hits, Ticks
ON ERROR GOTO Handler
Dispatch 3000
PRINT "dispatch"; A&; B&; C&
Nested 5
PRINT "nested "; Log$
Landing
PRINT "landing "; Log$
Faulty
PRINT "faulty "; Log$
ON TIMER(.05) GOSUB Tick
TIMER ON
Waiting
TIMER OFF
PRINT "waiting "; Log$; Ticks > 0
Stray
PRINT "stray "; Log$
Leave
PRINT "leave "; Log$
S& = 0
FOR I = 1 TO 50: S& = S& + Twice&(I): NEXT
PRINT "twice"; S&
END

Tick:
  Ticks = Ticks + 1
  GOSUB Count
  RETURN
Count:
  Hits = Hits + 1
  RETURN

Handler:
  Log$ = Log$ + "[" + LTRIM$(STR$(ERR)) + " at" + STR$(ERL) + "]"
  RESUME NEXT

SUB Dispatch (N)
  FOR I = 1 TO N
    ON I MOD 3 + 1 GOSUB One, Two, Three
  NEXT
  EXIT SUB
One: A& = A& + I: RETURN
Two: B& = B& + 2 * I: RETURN
Three: C& = C& + 3: GOSUB One: RETURN
END SUB

SUB Nested (Depth)
  Log$ = ""
  Level = 0
  GOSUB Down
  Log$ = Log$ + "|" + LTRIM$(STR$(Level))
  EXIT SUB
Down:
  Level = Level + 1
  Log$ = Log$ + "d" + LTRIM$(STR$(Level))
  IF Level < Depth THEN GOSUB Down
  GOSUB Mark
  Log$ = Log$ + "u" + LTRIM$(STR$(Level))
  Level = Level - 1
  RETURN
Mark:
  Log$ = Log$ + "m"
  RETURN
END SUB

SUB Landing
  Log$ = ""
  GOSUB Away
  Log$ = Log$ + "not here"
Landed:
  Log$ = Log$ + "landed"
  GOSUB Plain
  Log$ = Log$ + "back"
  EXIT SUB
Away:
  Log$ = Log$ + "away "
  RETURN Landed
Plain:
  Log$ = Log$ + " plain "
  RETURN
END SUB

SUB Faulty
  Log$ = ""
  D = 0
  GOSUB Divide
  Log$ = Log$ + "after" + STR$(Q)
  EXIT SUB
Divide:
  Log$ = Log$ + "divide"
140 Q = 10 \ D
  Q = Q + 7
  RETURN
END SUB

SUB Waiting
  Log$ = ""
  GOSUB Spin
  Log$ = Log$ + "done"
  EXIT SUB
Spin:
  Start! = TIMER
  DO: E! = TIMER - Start!: IF E! < 0 THEN E! = E! + 86400
  LOOP UNTIL Ticks > 0 OR E! > 60
  Log$ = Log$ + "spun" + STR$(Hits = Ticks) + " "
  RETURN
END SUB

SUB Stray
  Log$ = ""
  GOSUB Fine
150 RETURN
  Log$ = Log$ + " resumed"
  EXIT SUB
Fine:
  Log$ = Log$ + "fine"
  RETURN
END SUB

SUB Leave
  Log$ = ""
  FOR K = 1 TO 3
    GOSUB Check
  NEXT
  Log$ = Log$ + "never"
  EXIT SUB
Check:
  Log$ = Log$ + LTRIM$(STR$(K))
  IF K = 2 THEN EXIT SUB
  RETURN
END SUB

FUNCTION Twice& (X)
  GOSUB Doubled
  Twice& = R&
  EXIT FUNCTION
Doubled:
  R& = 2& * X + Y
  Y = Y + 1
  RETURN
END FUNCTION
