' CALL INTERRUPT and INTERRUPTX with register records of the usual TYPE, as variables, as
' elements of record arrays and as parameters; the mouse driver's reset answers in AX and BX.
TYPE RegType
  ax AS INTEGER
  bx AS INTEGER
  cx AS INTEGER
  dx AS INTEGER
  bp AS INTEGER
  si AS INTEGER
  di AS INTEGER
  flags AS INTEGER
END TYPE
TYPE RegTypeX
  ax AS INTEGER
  bx AS INTEGER
  cx AS INTEGER
  dx AS INTEGER
  bp AS INTEGER
  si AS INTEGER
  di AS INTEGER
  flags AS INTEGER
  ds AS INTEGER
  es AS INTEGER
END TYPE
TYPE Short
  ax AS INTEGER
  bx AS INTEGER
END TYPE
DECLARE SUB MouseReset (r AS RegType)
DIM inregs AS RegType, outregs AS RegType
inregs.ax = 0: inregs.cx = 77
CALL INTERRUPT(&H33, inregs, outregs)
PRINT outregs.ax; outregs.bx; inregs.ax
DIM rx(1) AS RegTypeX
rx(0).ax = 0: rx(0).ds = 1234
CALL INTERRUPTX(&H33, rx(0), rx(1))
PRINT rx(1).ax; rx(1).bx
MouseReset inregs
ON ERROR GOTO Trap
DIM s AS Short
PRINT "A"; : CALL INTERRUPT(&H33, s, s)
PRINT "B"; : CALL INTERRUPTX(&H33, inregs, outregs)
END
Trap:
PRINT " error"; ERR
RESUME NEXT

SUB MouseReset (r AS RegType)
  r.ax = 0: r.bx = 0
  CALL INTERRUPT(&H33, r, r)
  PRINT r.ax; r.bx
END SUB
