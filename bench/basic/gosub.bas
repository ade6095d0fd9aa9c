' GOSUB and RETURN a million times from a loop to a one-statement routine placed where another
' chunk of the translated code would call it (the translator copies so short a routine in at the
' GOSUB), with 130 other variables about: the routine's total.
DEFLNG A-Z
GOTO Start
AddTwo:
  Total = Total + V2
RETURN
Start:
V1 = 1: V2 = 2: V3 = 3: V4 = 4: V5 = 5: V6 = 6: V7 = 7: V8 = 8: V9 = 9: V10 = 10
V11 = 11: V12 = 12: V13 = 13: V14 = 14: V15 = 15: V16 = 16: V17 = 17: V18 = 18: V19 = 19: V20 = 20
V21 = 21: V22 = 22: V23 = 23: V24 = 24: V25 = 25: V26 = 26: V27 = 27: V28 = 28: V29 = 29: V30 = 30
V31 = 31: V32 = 32: V33 = 33: V34 = 34: V35 = 35: V36 = 36: V37 = 37: V38 = 38: V39 = 39: V40 = 40
V41 = 41: V42 = 42: V43 = 43: V44 = 44: V45 = 45: V46 = 46: V47 = 47: V48 = 48: V49 = 49: V50 = 50
V51 = 51: V52 = 52: V53 = 53: V54 = 54: V55 = 55: V56 = 56: V57 = 57: V58 = 58: V59 = 59: V60 = 60
V61 = 61: V62 = 62: V63 = 63: V64 = 64: V65 = 65: V66 = 66: V67 = 67: V68 = 68: V69 = 69: V70 = 70
V71 = 71: V72 = 72: V73 = 73: V74 = 74: V75 = 75: V76 = 76: V77 = 77: V78 = 78: V79 = 79: V80 = 80
V81 = 81: V82 = 82: V83 = 83: V84 = 84: V85 = 85: V86 = 86: V87 = 87: V88 = 88: V89 = 89: V90 = 90
V91 = 91: V92 = 92: V93 = 93: V94 = 94: V95 = 95: V96 = 96: V97 = 97: V98 = 98: V99 = 99: V100 = 100
V101 = 101: V102 = 102: V103 = 103: V104 = 104: V105 = 105: V106 = 106: V107 = 107: V108 = 108: V109 = 109: V110 = 110
V111 = 111: V112 = 112: V113 = 113: V114 = 114: V115 = 115: V116 = 116: V117 = 117: V118 = 118: V119 = 119: V120 = 120
V121 = 121: V122 = 122: V123 = 123: V124 = 124: V125 = 125: V126 = 126: V127 = 127: V128 = 128: V129 = 129: V130 = 130
Total = 0
FOR I = 1 TO 1000000
  GOSUB AddTwo
NEXT
IF Total <> 2000000 THEN ERROR 5
' The result, for the benchmark to compare with its own: four bytes at 0000:0600.
DEF SEG = 0
POKE &H600, Total AND 255: POKE &H601, (Total \ 256) AND 255
POKE &H602, (Total \ 65536) AND 255: POKE &H603, (Total \ 16777216) AND 255
DEF SEG
