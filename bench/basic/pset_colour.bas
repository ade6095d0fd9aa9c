' PSET over the whole SCREEN 13 page for 64 frames, each pixel's colour computed from its
' place and the frame, (X% + Y% + K%) AND 255. The benchmark compares the last frame's page.
SCREEN 13
FOR K% = 0 TO 63
    FOR Y% = 0 TO 199
        FOR X% = 0 TO 319
            PSET (X%, Y%), (X% + Y% + K%) AND 255
        NEXT X%
    NEXT Y%
NEXT K%
