' A sprite taken with GET, moved with PUT XOR over a background and restored, saved with
' BSAVE from its array and loaded back with BLOAD, and a palette entry set through the ports.
SCREEN 13
LINE (0, 0)-(319, 199), 1, BF
FOR I = 0 TO 7: LINE (I, 0)-(I, 7), 10 + I: NEXT
DIM Spr%(34)
GET (0, 0)-(7, 7), Spr%
W = Spr%(0): H = Spr%(1)
PUT (100, 50), Spr%, XOR
A = POINT(100, 50)
PUT (100, 50), Spr%, XOR
B = POINT(100, 50)
PUT (200, 50), Spr%, PSET
C = POINT(203, 52)
DEF SEG = VARSEG(Spr%(0)): BSAVE "spr.tmp", VARPTR(Spr%(0)), 68: DEF SEG
FOR I = 0 TO 34: Spr%(I) = 0: NEXT
DEF SEG = VARSEG(Spr%(0)): BLOAD "spr.tmp", VARPTR(Spr%(0)): DEF SEG
PUT (10, 100), Spr%, PSET
D = POINT(17, 100)
OUT &H3C8, 5: OUT &H3C9, 63: OUT &H3C9, 20: OUT &H3C9, 0
OUT &H3C7, 5: R = INP(&H3C9): G = INP(&H3C9)
KILL "spr.tmp"
SCREEN 0
PRINT W; H; A; B; C; D; R; G
