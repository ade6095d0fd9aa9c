// Where the process was started, before it moved beside the program (entry.cpp keeps it).
#pragma once
#include <string>

extern std::string &kel_start_dir;
