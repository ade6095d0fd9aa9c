' Long chains of INTEGER and LONG sums, differences and products (more terms than the
' translator nests as calls): the values of the step-by-step sums, and an overflow in the
' middle raised once, at its line, with the variable left as it was.
DEFINT A-Z
DIM V(50)
FOR I = 1 TO 50: V(I) = I: NEXT I
ON ERROR GOTO Fail
S = V(1) + V(2) + V(3) + V(4) + V(5) + V(6) + V(7) + V(8) + V(9) + V(10) + V(11) + V(12) + V(13) + V(14) + V(15) + V(16) + V(17) + V(18) + V(19) + V(20) + V(21) + V(22) + V(23) + V(24) + V(25) + V(26) + V(27) + V(28) + V(29) + V(30) + V(31) + V(32) + V(33) + V(34) + V(35) + V(36) + V(37) + V(38) + V(39) + V(40) + V(41) + V(42) + V(43) + V(44) + V(45) + V(46) + V(47) + V(48) + V(49) + V(50)
T = 0: FOR I = 1 TO 50: T = T + V(I): NEXT I
PRINT S; T
P& = 1& * V(1) * V(2) * V(3) * V(4) * V(5) * V(6) * V(7) * V(8) * V(9) * V(10) * V(11) * V(12) - V(1) - V(2) - V(3) - V(4) - V(5) - V(6) - V(7) - V(8) - V(9) - V(10) - V(11) - V(12) - V(13) - V(14) - V(15) - V(16) - V(17) - V(18) - V(19) - V(20) - V(21) - V(22) - V(23) - V(24) - V(25) - V(26) - V(27) - V(28) - V(29) - V(30)
PRINT P&
W& = LEN(STR$(V(1))) + V(2) + V(3) + V(4) + V(5) + V(6) + V(7) + V(8) + V(9) + V(10) + V(11) + V(12) + V(13) + V(14) + V(15) + V(16) + V(17) + V(18) + V(19) + V(20) + V(21) + V(22) + V(23) + V(24) + V(25) + V(26) + V(27) + V(28) + V(29) + V(30) + V(31) + V(32) + V(33) + V(34) + V(35) + V(36) + V(37) + V(38) + V(39) + V(40)
PRINT W&
10 Z = 5
20 Z = 32000 + V(1) + V(2) + V(3) + V(4) + V(5) + V(6) + V(7) + V(8) + V(9) + V(10) + V(11) + V(12) + V(13) + V(14) + V(15) + V(16) + V(17) + V(18) + V(19) + V(20) + V(21) + V(22) + V(23) + V(24) + V(25) + V(26) + V(27) + V(28) + V(29) + V(30) + V(31) + V(32) + V(33) + V(34) + V(35) + V(36) + V(37) + V(38) + V(39) + V(40)
30 PRINT "Z"; Z
A$ = CHR$(64 + V(1)) + CHR$(64 + V(2)) + CHR$(64 + V(3)) + CHR$(64 + V(4)) + CHR$(64 + V(5)) + CHR$(64 + V(6)) + CHR$(64 + V(7)) + CHR$(64 + V(8)) + CHR$(64 + V(9)) + CHR$(64 + V(10)) + CHR$(64 + V(11)) + CHR$(64 + V(12)) + CHR$(64 + V(13)) + CHR$(64 + V(14)) + CHR$(64 + V(15)) + CHR$(64 + V(16)) + CHR$(64 + V(17)) + CHR$(64 + V(18)) + CHR$(64 + V(19)) + CHR$(64 + V(20)) + CHR$(64 + V(21)) + CHR$(64 + V(22)) + CHR$(64 + V(23)) + CHR$(64 + V(24)) + CHR$(64 + V(25)) + CHR$(64 + V(26)) + CHR$(64 + V(27)) + CHR$(64 + V(28)) + CHR$(64 + V(29)) + CHR$(64 + V(30)) + CHR$(64 + V(31)) + CHR$(64 + V(32)) + CHR$(64 + V(33)) + CHR$(64 + V(34)) + CHR$(64 + V(35)) + CHR$(64 + V(36)) + CHR$(64 + V(37)) + CHR$(64 + V(38)) + CHR$(64 + V(39)) + CHR$(64 + V(40))
PRINT LEN(A$); RIGHT$(A$, 5)
END
Fail: PRINT "error"; ERR; "in"; ERL: RESUME NEXT
