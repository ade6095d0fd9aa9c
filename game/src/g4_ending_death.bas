' ---- The ending (fifth diamond) and the two death screens ----
' The ending congratulates, then plays a prank: a mock listing of C:\WINDOWS and a mock
' deletion. Nothing on disk is read or touched; every row below is printed text.

ENDING: CLS
LOCATE 2, 2: PRINT "You've earned all five haiku diamonds."
PRINT " You have shown yourself now to"
PRINT " be a zen master."
SOUND 150, 1: SOUND 250, 1: SOUND 100, 1
SLEEP 1
COLOR 12
PRINT
PRINT "        " + STRING$(5, 4)
COLOR 15
LOCATE 8, 2: PRINT "Surely, adhering to the rules of"
PRINT " Buddhism, you no longer need"
PRINT " material wealth?"
PRINT
' neither answer is looked at: the prank follows whatever is typed
INPUT " Your answer?", SJDJFHFGG
PRINT
INPUT " Really?", SJDJFHFGG
CLS
SCREEN 12
COLOR 7
PRINT "C:\WINDOWS"
SOUND 300, 4
SLEEP 1
' JEDDY is 0 here (nothing else changes it), so the listing scrolls by fifty times
DO
    PRINT "13/04/2010  01:25    <REP>          AppPatch"
    PRINT "09/03/2009  18:17             1,815 Ascd_tmp.ini"
    PRINT "13/07/2008  14:00             2,944 clock.avi"
    PRINT "03/08/2009  00:34    <REP>          Config"
    PRINT "02/00/2009  00:34    <REP>          Connection Wizard"
    PRINT "04/02/2009  17:09                 0 control.ini"
    PRINT "15/03/2010  13:27    <REP>          Microsoft.NET"
    PRINT "06/05/2009  17:06    <REP>          Cursors"
    PRINT "18/07/2010  11:21    <REP>          Debug"
    PRINT "10/08/2010  13:27    <REP>          Microsoft.NET"
    PRINT "14/09/2008  14:00                 2 desktop.ini"
    PRINT "07/05/2009  00:34    <REP>          Driver Cache"
    PRINT "14/00/2008  14:00             1,037 explorer.exe"
    PRINT "15/00/2008  14:00                80 explorer.scf"
    PRINT "18/00/2010  11:46    <REP>          Favorites"
    PRINT "17/00/2010  09:30    <REP>          Help"
    PRINT "11/00/2010  13:27    <REP>          Microsoft.NET"
    PRINT "27/09/1999  14:31                39 iccsigs.dat"
    PRINT "18/08/2010  11:24    <REP>          ie7updates"
    PRINT "09/01/2009  17:09    <REP>          ime"
    PRINT "05/01/2009  00:34    <REP>          java"
    PRINT "12/06/2010  11:52                 0 longfile.INI"
    PRINT "04/01/2009  18:40    <REP>          Media"
    PRINT "18/08/2010  13:27    <REP>          Microsoft.NET"
    PRINT "04/01/2009  00:38    <REP>          msagent"
    PRINT "06/01/2009  00:34    <REP>          msapps"
    PRINT "14/08/2010  13:27    <REP>          Microsoft.NET"
    PRINT "02/01/2009  00:34    <REP>          mui"
    PRINT "06/01/2009  00:38    <REP>          Network Diagnostic"
    PRINT "19/04/2008  14:00             7,656 NOTEPAD.EXE"
    PRINT "18/06/2010  00:41                 0 nsreg.dat"
    PRINT "28/08/2010  15:14    <REP>          Prefetch"
    PRINT "12/04/2008  14:00             1,088 regedit.exe"
    PRINT "01/01/2009  17:09    <REP>          Registration"
    PRINT "02/01/2009  17:11             8,192 REGLOCS.OLD"
    PRINT "13/06/2010  23:33    <REP>          repair"
    PRINT "04/01/2009  00:34    <REP>          Resources"
    PRINT "15/08/2010  13:27    <REP>          Microsoft.NET"
    PRINT "07/01/2009  17:09    <REP>          security"
    PRINT "08/01/2009  18:25             1,875 setupapi.log.0.old"
    PRINT "13/06/2010  03:39    <REP>          ShellNew"
    PRINT "06/01/2009  17:08    <REP>          srchasst"
    PRINT "13/06/2010  03:46               345 system.ini"
    PRINT "21/08/2010  11:12    <REP>          system32"
    PRINT "22/08/2010  10:53    <REP>          Temp"
    PRINT "16/04/2008  14:00             9,578 twain.dll"
    PRINT "07/01/2009  00:36    <REP>          twain_32"
    PRINT "16/04/2008  14:00             5,348 twain_32.dll"
    PRINT "14/04/2008  14:00             1,665 vmmreg32.dll"
    PRINT "15/06/2010  15:54               788 win.ini"
    PRINT "28/08/2010  10:54             1,370 WindowsUpdate.log"
    PRINT "19/04/2008  14:00             2,768 winhelp.exe"
    PRINT "12/04/2008  14:00             8,256 winhlp32.exe"
    JEDDY = JEDDY + 1
LOOP UNTIL JEDDY = 50
SOUND 300, 4
SLEEP 1
' fifteen one-blank lines scroll the tail of the listing up
DO
    CREDS = CREDS + 1
    PRINT " "
LOOP UNTIL CREDS > 14
LOCATE 19, 2: PRINT "Deleting C:\WINDOWS"
LOCATE 20, 2: PRINT STRING$(58, 176)
' the bar fills from column 1; each cell's tick paces it
BARD = 1
DO
    LOCATE 20, BARD: PRINT CHR$(177)
    BARD = BARD + 1
    SOUND 90, 1
LOOP UNTIL BARD = 60
' four more lines, never read, before the end
INPUT "", JJJJ
INPUT "", JJJJ
INPUT "", JJJJ
INPUT "", JJJJ







END

' Supplies gone: HLTH fell below 1 (tested by the roaming loop after each pass)
DEATH1: CLS
SOUND 150, 6
SLEEP 1
_SNDPLAY GOVER1
LOCATE 5, 5: PRINT "Supplies are now gone"
SLEEP 3
LOCATE 7, 5: PRINT "No shield, no sword, no food"
SLEEP 4
LOCATE 9, 5: PRINT "A mound of soil"
SLEEP 3
LOCATE 14, 5: PRINT "You best haiku score:"; HISCORE
LOCATE 16, 5
' a wrong answer asks again on the line below, where INPUT left the cursor





556677 INPUT "Play again? y/n", YON
IF YON = "y" THEN GOTO 111
IF YON = "n" THEN END ELSE GOTO 556677


' After dark: DLT fell below 1 with supplies left
DEATH2: CLS
SOUND 150, 6
SLEEP 1
_SNDPLAY GOVER2
LOCATE 5, 5: PRINT "Small hero after dark"
SLEEP 2
LOCATE 7, 5: PRINT "Cannot see the tengu"
SLEEP 3
LOCATE 9, 5: PRINT "Rusting armour"
SLEEP 3
LOCATE 14, 5: PRINT "You best haiku score:"; HISCORE
LOCATE 16, 5
' a wrong answer asks again on the line below, where INPUT left the cursor





223344 INPUT "Play again? y/n", YON
IF YON = "y" THEN GOTO 111
IF YON = "n" THEN END ELSE GOTO 223344
