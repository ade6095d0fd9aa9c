' Number literals take the narrowest type that holds them: INTEGER, then LONG, then SINGLE
' (7 digits or fewer, within its range), else DOUBLE; a D exponent or # makes DOUBLE.
ON ERROR GOTO Trap
PRINT 1E+100; 4E+38; 1E+39
PRINT 3.4E+38; 1D+3; 2.5!
PRINT "A"; : PRINT 32767 + 1
PRINT "B"; : PRINT 32768 + 1
PRINT "C"; : PRINT 2147483647 + 1
PRINT "D"; : PRINT 2147483648 + 1
PRINT "E"; : PRINT 1234567 + .5
PRINT "F"; : PRINT 1.23456789
PRINT "G"; : PRINT 3.402823E+38
PRINT "H"; : PRINT 1.5D+38 * 10
PRINT "I"; : PRINT 7& * 10000
PRINT "J"; : PRINT 7% * 10000
PRINT "K"; : PRINT 1# * 16777217
PRINT "L"; : PRINT -32768; -1E+300
END
Trap:
PRINT " error"; ERR
RESUME NEXT
