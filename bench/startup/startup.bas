' The start-up benchmark's program: its first statement ends it.
SYSTEM
