// File names as programs written for a system whose names ignore case and part folders with
// '\' give them, mapped to the host's: OPEN, the directory statements, BSAVE and BLOAD, and
// the translator's $INCLUDE all read names through here. Knows the host's file system only.
#pragma once
#include <string>

// '\' becomes '/', and each part of the path that does not exist as written is looked up
// without regard to case (the first in sorted order when several match). Parts after one that
// is found in neither way are kept as written.
std::string host_path_of(const std::string &basic_name);

// True when the folder that would hold path exists ("." for a name without a folder).
bool host_folder_exists(const std::string &path);
