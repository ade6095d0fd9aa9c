' Statements of older programs: the Microsoft Binary Format conversions, ENVIRON, and DATE$ =
' and TIME$ =, which set the program's own clock.
ON ERROR GOTO Trap
s$ = MKSMBF$(1!): GOSUB ShowBytes
s$ = MKSMBF$(-3.5): GOSUB ShowBytes
s$ = MKSMBF$(10): GOSUB ShowBytes
s$ = MKSMBF$(.1): GOSUB ShowBytes
s$ = MKSMBF$(0): GOSUB ShowBytes
s$ = MKDMBF$(-10#): GOSUB ShowBytes
s$ = MKDMBF$(.5#): GOSUB ShowBytes
PRINT CVSMBF(CHR$(0) + CHR$(0) + CHR$(&H20) + CHR$(&H84)); CVDMBF(MKDMBF$(3.14159265358979#)); CVSMBF(MKSMBF$(-.15625))
PRINT "A"; : s$ = MKSMBF$(2E+38)
PRINT "B"; : PRINT CVSMBF("abc")

ENVIRON "KELTEST=hello world"
PRINT ENVIRON$("KELTEST")
ENVIRON "KELTEST="
PRINT "["; ENVIRON$("KELTEST"); "]"
PRINT "C"; : ENVIRON "novalue"

DATE$ = "12-25-2031": PRINT DATE$
DATE$ = "02/29/24": PRINT DATE$
PRINT "D"; : DATE$ = "02-30-2024"
PRINT "E"; : DATE$ = "13-01-2020"
TIME$ = "10:00:00": PRINT LEFT$(TIME$, 5); INT(TIMER / 60)
TIME$ = "23:59": PRINT LEFT$(TIME$, 5)
PRINT "F"; : TIME$ = "24:00:00"
PRINT "G"; : TIME$ = "10:61"

END

ShowBytes:
FOR i = 1 TO LEN(s$): PRINT RIGHT$("0" + HEX$(ASC(MID$(s$, i, 1))), 2); " "; : NEXT
PRINT
RETURN

Trap:
PRINT " error"; ERR
RESUME NEXT
