' INPUT prompts: "? " after a semicolon, nothing after a comma.
INPUT "Age"; A%
INPUT "Name", N$
INPUT X, Y
LINE INPUT "Line: "; L$
PRINT A%; N$; X + Y; L$
