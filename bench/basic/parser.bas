' A text adventure's command loop fed 30,000 commands from a table: FUNCTIONs returning
' strings split verb and noun (INSTR, LEFT$, MID$, LTRIM$), UCASE$ both, then SELECT CASE on
' the strings (lists of cases, nested SELECT, CASE ELSE) moves, takes and drops; the room,
' score and inventory folded into the result.
DECLARE FUNCTION FirstWord$ (S$)
DECLARE FUNCTION RestOf$ (S$)
DIM Cmd$(0 TO 11)
FOR I% = 0 TO 11: READ Cmd$(I%): NEXT I%
Room% = 1: Score& = 0: Carry% = 0: Lamp% = 0
FOR T% = 1 TO 30000
    C$ = Cmd$(((T% MOD 97) * 7 + T% \ 5) MOD 12)
    Verb$ = UCASE$(FirstWord$(C$))
    Noun$ = UCASE$(RestOf$(C$))
    SELECT CASE Verb$
        CASE "GO", "WALK"
            SELECT CASE Noun$
                CASE "NORTH": Room% = Room% + 1
                CASE "SOUTH": Room% = Room% - 1
                CASE "EAST", "WEST": Room% = Room% + 3
                CASE ELSE: Score& = Score& - 1
            END SELECT
            IF Room% < 1 THEN Room% = 1 ELSE IF Room% > 9 THEN Room% = 9
        CASE "TAKE", "GET"
            IF Noun$ = "LAMP" THEN Lamp% = -1 ELSE Carry% = Carry% + 1
            Score& = Score& + 5
        CASE "DROP"
            IF Carry% > 0 THEN Carry% = Carry% - 1: Score& = Score& + Room%
        CASE "LOOK"
            IF Lamp% THEN Score& = Score& + Room% * 2 ELSE Score& = Score& + 1
        CASE ELSE
            Score& = Score& + LEN(Verb$) + LEN(Noun$)
    END SELECT
NEXT T%
Result& = (Score& * 16 + Room% * 4 + Carry%) AND &H7FFFFFFF
DEF SEG = 0
POKE &H600, Result& AND 255: POKE &H601, (Result& \ 256) AND 255
POKE &H602, (Result& \ 65536) AND 255: POKE &H603, (Result& \ 16777216) AND 255
DEF SEG
DATA "go north", "take lamp", "look", "walk south", "get sword", "drop sword"
DATA "go  east", "inventory", "take coin", "Go West", "jump", "look around"

FUNCTION FirstWord$ (S$)
    P% = INSTR(S$, " ")
    IF P% = 0 THEN FirstWord$ = S$ ELSE FirstWord$ = LEFT$(S$, P% - 1)
END FUNCTION

FUNCTION RestOf$ (S$)
    P% = INSTR(S$, " ")
    IF P% = 0 THEN RestOf$ = "" ELSE RestOf$ = LTRIM$(MID$(S$, P% + 1))
END FUNCTION
