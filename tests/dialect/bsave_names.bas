' BSAVE and BLOAD read names as OPEN does: '\' parts folders and case does not matter; a
' missing file is error 53, a missing folder 76. BLOAD without an offset loads where the
' image was saved from.
ON ERROR GOTO Trap
MKDIR "SubDir"
DIM a%(9), b%(9)
FOR i = 0 TO 9: a%(i) = i * 11: NEXT
DEF SEG = VARSEG(a%(0))
BSAVE "SubDir\Pic.BIN", VARPTR(a%(5)), 10
DEF SEG = VARSEG(b%(0))
BLOAD "subdir\pic.bin", VARPTR(b%(0))
PRINT b%(0); b%(4); b%(5)
FOR i = 0 TO 9: a%(i) = -1: NEXT
DEF SEG = VARSEG(a%(0))
BLOAD "SUBDIR\PIC.BIN"
FOR i = 0 TO 9: PRINT a%(i); : NEXT: PRINT
DEF SEG
PRINT "A"; : BLOAD "subdir\missing.bin", 0
PRINT "B"; : BLOAD "nodir\pic.bin", 0
PRINT "C"; : BSAVE "nodir\pic.bin", 0, 2
OPEN "subdir\PIC.bin" FOR BINARY AS #1
PRINT LOF(1)
CLOSE #1
KILL "SubDir\Pic.BIN"
RMDIR "SubDir"
END
Trap:
PRINT " error"; ERR
RESUME NEXT
