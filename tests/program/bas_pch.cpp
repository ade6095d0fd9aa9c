// The object that carries the precompiled runtime header for the test programs translated
// from BASIC (CMakeLists.txt: kel_test_bas_pch).
#include "program.h"
