// What the file and directory code share about host files.
#pragma once
#include <cstdint>
#include <string>

struct kels;

// The host path of a BASIC file name: \ becomes /, and a part that does not exist as written
// is looked up without regard to case. False (with *err = 64) for an empty name or one with NUL.
bool gfs_host_path(const kels *name, std::string &out, int *err);
// The error number for a failed host call; not_found is used for ENOENT (53 or 76).
int gfs_errno_error(int e, int not_found);
bool gfs_parent_exists(const std::string &path);
// True when the host file dev/ino is open under some number (for KILL and NAME).
bool gfs_is_open(uint64_t dev, uint64_t ino);
// Writes to the host what the numbers open on the host file dev/ino hold unwritten, for code
// that reads the file by itself (BLOAD); an error of the host is raised.
void gfs_write_out(uint64_t dev, uint64_t ino);
