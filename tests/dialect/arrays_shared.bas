' REDIM inside a SUB of a shared module array; an array declared AS INTEGER named with its
' suffix and the other way round; ERASE of arrays named with their suffix, shared arrays and
' array parameters.
'$DYNAMIC
DECLARE SUB Grow (n AS INTEGER)
DECLARE SUB Fill ()
DECLARE SUB Wipe (a%())
DECLARE SUB WipeShared ()
DIM SHARED img(10) AS INTEGER
n = 4
DIM SHARED buf%(n)
'$STATIC
DIM keep%(3), sc%(2)
img%(3) = 7: img(4) = img%(3) * 2
PRINT img(3); img%(4)
Grow 20
PRINT UBOUND(img%); img(20); img(3)
Fill
PRINT UBOUND(buf%); buf%(8)
keep%(1) = 5
Wipe keep%()
PRINT keep%(1); UBOUND(keep%)
sc%(2) = 9
ERASE sc%
PRINT sc%(2)
WipeShared
ON ERROR GOTO Gone
PRINT UBOUND(buf%)
END
Gone:
PRINT "erased"; ERR
RESUME NEXT

SUB Fill
  REDIM buf(8) AS INTEGER
  buf%(8) = 88
END SUB

SUB Grow (n AS INTEGER)
  REDIM img(n) AS INTEGER
  img(n) = n
END SUB

SUB Wipe (a%())
  ERASE a%
END SUB

SUB WipeShared
  ERASE buf%
END SUB
