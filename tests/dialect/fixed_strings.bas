' Fixed-length strings: assignment pads and cuts, the length never changes, concatenation and
' comparison see the padding, arrays of them, LSET and RSET.
DIM S AS STRING * 5
S = "ab"
PRINT "["; S; "]"; LEN(S)
S = "abcdefgh"
PRINT "["; S; "]"; LEN(S)
T$ = S + "!"
PRINT T$; LEN(T$)
S = "xy"
PRINT "["; S + "|"; "]"; LEN(S + "z")
PRINT (S = "xy"); (RTRIM$(S) = "xy"); (S = "xy   "); INSTR(S, " ")
DIM F(1 TO 3) AS STRING * 4
F(1) = "a"
F(2) = "bbbbbb"
F(3) = S
FOR I = 1 TO 3
  PRINT "["; F(I); "]";
NEXT I
PRINT
S = "12345"
LSET S = "ab"
PRINT "["; S; "]";
RSET S = "ab"
PRINT "["; S; "]";
RSET S = "abcdefg"
PRINT "["; S; "]"
LSET F(2) = "z"
RSET F(3) = "q"
PRINT "["; F(2); "]["; F(3); "]"
V$ = "12345"
LSET V$ = "ab"
PRINT "["; V$; "]";
RSET V$ = "c"
PRINT "["; V$; "]"; LEN(V$)
S = ""
PRINT "["; S; "]"
END
