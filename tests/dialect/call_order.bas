' The order in which a statement's calls run: arguments that call FUNCTIONs and both operands
' of an operator that do are worked out left to right, for SUBs, FUNCTIONs and DEF FN.
DECLARE FUNCTION Nxt% ()
DECLARE FUNCTION Pair$ (A%, B%)
DECLARE SUB Show (A%, B%, C$)
DIM SHARED N%
DEF FNAdd% (X%, Y%) = X% * 10 + Y%
PRINT Pair$(Nxt%, Nxt%)
Show Nxt%, Nxt%, Pair$(Nxt%, Nxt%)
PRINT FNAdd%(Nxt%, Nxt%)
PRINT Nxt% * 100 + Nxt%
PRINT Pair$(Nxt%, 0) + Pair$(Nxt%, 0); Nxt% - Nxt%; Nxt% > Nxt%
END
FUNCTION Nxt%
  N% = N% + 1
  Nxt% = N%
END FUNCTION
FUNCTION Pair$ (A%, B%)
  Pair$ = STR$(A%) + STR$(B%)
END FUNCTION
SUB Show (A%, B%, C$)
  PRINT A%; B%; C$
END SUB
