' LPRINT (with ; , TAB and SPC), LPRINT USING, WIDTH LPRINT, WIDTH "LPT1:", LPOS and a file
' opened as "LPT1:" all write to the printer file, LPT1.TXT in the program's folder, which
' wraps at 80 columns until told otherwise. Read back, it shows what was printed, line by line
' with CR LF ends. WIDTH #n wraps an ordinary file's lines too.
LPRINT "Invoice"; TAB(20); "No."; 42
LPRINT "a", "b"; SPC(3); "c"
LPRINT USING "##.##  \   \"; 3.14159; "pears"
LPRINT "col";
P = LPOS(0)
LPRINT " after"; P
LPRINT STRING$(85, "x")
WIDTH LPRINT 10
LPRINT "123456789012345"
LPRINT "abcdef"; "ghijkl"
WIDTH "LPT1:", 255
LPRINT STRING$(90, "=")
OPEN "LPT1:" FOR OUTPUT AS #3
PRINT #3, "from #3"
CLOSE #3

OPEN "lpt1.txt" FOR INPUT AS #1
DO UNTIL EOF(1)
    LINE INPUT #1, L$
    N = N + 1
    IF LEN(L$) > 40 THEN PRINT N; "length"; LEN(L$) ELSE PRINT N; "["; L$; "]"
LOOP
CLOSE #1

OPEN "LPT1.TXT" FOR BINARY AS #1
A$ = INPUT$(LOF(1), 1)
CLOSE #1
FOR I = 1 TO LEN(A$)
    IF MID$(A$, I, 1) = CHR$(10) THEN LF = LF + 1: IF MID$(A$, I - 1, 1) = CHR$(13) THEN CRLF = CRLF + 1
NEXT I
PRINT "lines"; CRLF; "bare LF"; LF - CRLF

OPEN "w.tmp" FOR OUTPUT AS #2
WIDTH #2, 5
PRINT #2, "abcdefgh"
CLOSE #2
OPEN "w.tmp" FOR INPUT AS #2
LINE INPUT #2, A$: LINE INPUT #2, B$
CLOSE #2
KILL "w.tmp"
PRINT A$; "/"; B$
