' The start-up benchmark's program. Its first statement creates the file the benchmark
' watches for (so the benchmark sees the moment that statement runs), its second ends it.
OPEN ENVIRON$("KEL_STARTUP_MARK") FOR OUTPUT AS #1
SYSTEM
