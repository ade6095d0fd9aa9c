' PRINT forms and number formatting.
PRINT 1; -1; 0; 1.5; 1E3; 1D3; .5; &HFF; 100000; 1 / 3
PRINT 1# / 3; 2 ^ 10; 7 \ 2; 7 MOD 3; -7 \ 2; NOT 0; 5 AND 3; 5 OR 3; 1 < 2
PRINT 2 + 3 * 4 ^ 2; -2 ^ 2; NOT 1 = 2; 3 + 4 MOD 3; 10 - 2 - 3; 2 ^ 3 ^ 2
A% = 2.5: B% = 3.5: C& = -2.5: PRINT A%; B%; C&; CINT(2.5); INT(-2.5); FIX(-2.5)
PRINT "a", "b"
PRINT "x";
PRINT "y"
PRINT "ab"; TAB(6); "c"; SPC(2); "d"
PRINT USING "##.##|&-&"; 3.14159; "a"; "b"
PRINT 12345678; 1.23456789; 1E+20; &HFFFF; -32768
PRINT HEX$(255); " "; OCT$(8); " "; ABS(-4); SGN(-2); SQR(16)
