' CLEAR resets the program's variables and arrays.
A = 5: B$ = "text": C%(2) = 7: D& = 9
CLEAR
PRINT "A="; A; "B$=["; B$; "] C%(2)="; C%(2); "D&="; D&
