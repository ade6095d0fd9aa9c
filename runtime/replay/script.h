// Scripted input (KEL_SCRIPT): timed key presses through SDL's event queue, waits for
// text on the screen or for the program's SLEEP, and screen dumps as text or images.
#pragma once
#include <string>
#include <vector>

struct script_command {
  enum kind_t { wait, key, type, until, asleep, text, snap, close } kind;
  int line;                  // line in the script file, for messages
  int ms = 0, count = 1, row = 0, col = 0;
  unsigned sym = 0, mod = 0, unicode = 0;
  std::string arg;           // text to type or wait for, or a file name
};

// Parses a whole script; on a malformed line returns false and sets *message.
bool script_parse(const std::string &source, std::vector<script_command> *out, std::string *message);
void script_load_from_env();       // reads $KEL_SCRIPT; a malformed script exits with status 2
void script_start();               // starts the replay thread (if a script was loaded)
void script_stop();
void script_serve_requests();      // main thread: runs screen reads asked for by the script

// The visible page as text, one UTF-8 line per text row (codes through code page 437).
std::vector<std::string> screen_text_lines();
// UTF-8 of one code page 437 character as the dump shows it.
std::string cp437_utf8(unsigned char c);
// Writes w x h 0x00RRGGBB pixels as BMP or PNG by the name's ending; false on failure.
bool write_image_file(const std::string &path, const uint32_t *rgb, int w, int h);
