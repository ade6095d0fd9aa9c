' Divisions by numbers written out, which need no test of the divisor, beside those by 0, -1
' and a SINGLE, which keep theirs: quotients and remainders of negative numbers and of the
' extremes, overflow and division by zero as errors.
ON ERROR GOTO H
DEFINT A-Z
A = -32768: B = 32767: C = -7: L& = -2147483648#
PRINT A \ 2; B \ 2; C \ 2; C MOD 3; A MOD 7; B MOD 10; L& \ 3; L& MOD 1000
PRINT C / 2; B / 4; 7 / 2#; C \ 1; A \ 1
X! = 2.5: Y# = -1.25
PRINT X! / 10; Y# / 3; X! / .5; C \ 2.5; C MOD 2.5
PRINT A \ -1
PRINT "after1"
PRINT C / 0
PRINT "after2"
PRINT C \ 0; C MOD 0
PRINT "end"
END
H: PRINT "err"; ERR: RESUME NEXT
