' Tones and rests for a recording through the disk audio driver: SOUND tones separated by
' SOUND 0 silences, then two PLAY notes rendered into one buffer, then a closing rest so
' every tone has been mixed before the program ends.
CLS
SOUND 440, 9.1
SOUND 0, 3.64
SOUND 1234, 4.55
SOUND 0, 3.64
PLAY "MF T120 L4 O3 A B"
SOUND 0, 3.64
PRINT "done"
END
