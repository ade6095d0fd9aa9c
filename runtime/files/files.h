// Numbered files: OPEN and CLOSE, PRINT #/WRITE # through the screen's PRINT code, INPUT #,
// LINE INPUT #, INPUT$, GET/PUT of records and bytes, FIELD, EOF/LOF/LOC/SEEK, and the
// directory statements (KILL, NAME, MKDIR, RMDIR, CHDIR, FILES).
#pragma once
#include <cstdint>

struct kels;

enum gfs_mode : int32_t { gfs_input = 1, gfs_output = 2, gfs_append = 3, gfs_random = 4, gfs_binary = 5 };

// OPEN name FOR mode AS #fileno [LEN = reclen]; passed bit 1: LEN given.
void sub_open(kels *name, int32_t mode, int32_t fileno, int32_t reclen, int32_t passed);
// OPEN "O", #1, "f"[, len]: the mode is the first letter of I, O, A, R, B.
void sub_open_short(kels *mode, int32_t fileno, kels *name, int32_t reclen, int32_t passed);
// A device name (COMn: with its options, LPTn:): OPEN of one raises 68, "Device unavailable".
bool gfs_is_device(const kels *name);
void sub_ioctl(int32_t fileno, kels *text);    // IOCTL #n: 52 for a number not open, else 5
kels *func_ioctl(int32_t fileno);              // IOCTL$(#n): the same errors, an empty string
void sub_close(int32_t fileno);        // CLOSE #n; a number not open is no error
void sub_close_all();                  // CLOSE, RESET, CLEAR: flushes and closes all
// The end of the program (END, SYSTEM, a closed window): closes all like sub_close_all and
// names on standard error each file whose written data could not all be stored. False when
// there was one, so the program does not end looking like a success.
bool gfs_close_all_at_end();
// Before another program may read or change the files (SHELL): every number's unwritten bytes
// go to the host (an error of the host is raised, as at CLOSE), and what was read ahead is
// forgotten, so the files are read afresh afterwards.
void gfs_flush_all();
int32_t func_freefile();
int32_t func_eof(int32_t fileno);      // -1 true, 0 false
int32_t func_lof(int32_t fileno);
int32_t func_loc(int32_t fileno);
int32_t func_seek(int32_t fileno);     // next record (RANDOM) or byte position (others), from 1
void sub_seek(int32_t fileno, int32_t position);
// LOCK and UNLOCK #n[, [from] TO to | , rec] (passed: 1 from, 2 to): one user has nothing to
// share, so only the arguments are checked: the file open (else 52), record or byte numbers
// of RANDOM and BINARY files from 1 (else 63) and in order (else 5).
void sub_lock(int32_t fileno, int32_t from, int32_t to, int32_t passed);

// PRINT #, PRINT # USING, WRITE #: the screen's code between gfs_print_to(n) and
// gfs_print_to(0). While a file is the target (text_target), kels_print, tab, func_tab,
// func_spc and makefit work on it: CR LF line ends, 14-column zones counted in the file's own
// column, no wrapping. gfs_print_to(0) always returns to the screen, even with an error pending.
void gfs_print_to(int32_t fileno);

// INPUT #n, a, b$: gfs_input_begin(n), then one gfs_input_value per variable in order. type:
// INPUT's type words (16, 32, 32|input_type_float, 64|input_type_float, input_type_string);
// dest: the number's address, or the string's descriptor.
void gfs_input_begin(int32_t fileno);
void gfs_input_value(int32_t type, void *dest);
void gfs_line_input(int32_t fileno, kels *dest);
// INPUT$(n[, #f]): passed bit 1 = file given; else n keys, not echoed.
kels *func_input_str(int32_t n, int32_t fileno, int32_t passed);

// GET #/PUT #: rec is the record (RANDOM) or byte position (BINARY), from 1; passed bit 1:
// rec given, else the next one. data == nullptr: the FIELD buffer.
void gfs_get(int32_t fileno, int64_t rec, int32_t passed, void *data, uint32_t bytes);
void gfs_put(int32_t fileno, int64_t rec, int32_t passed, const void *data, uint32_t bytes);
// Strings: a fixed-length one as its bytes; a variable-length one in BINARY as LEN(s) bytes,
// in RANDOM as a whole record (PUT pads it with blanks, GET gives the record).
void gfs_get_string(int32_t fileno, int64_t rec, int32_t passed, kels *s);
void gfs_put_string(int32_t fileno, int64_t rec, int32_t passed, kels *s);

// FIELD #n, w AS v$, ...: each variable becomes a fixed view of w bytes of the record buffer.
void gfs_field_begin(int32_t fileno);
void gfs_field(int32_t width, kels *var);

void sub_kill(kels *names);             // * and ? in the last part
void sub_name(kels *from, kels *to);
void sub_mkdir(kels *path);
void sub_rmdir(kels *path);
void sub_chdir(kels *path);
void sub_files(kels *names, int32_t passed);

// ---- the printer ----
// LPRINT [USING], OPEN "LPT1:" (or "PRN") FOR OUTPUT and LPOS write to the printer file: the
// file KEL_LPT1 names, else LPT1.TXT in the current folder, opened for appending at first use
// and written out by END and at the process's end. Lines end in CR LF and wrap at the
// printer's width (80 until WIDTH LPRINT).
bool gfs_is_printer(const kels *name);               // "LPT1:", "LPT1", "PRN:" or "PRN", any case
void gfs_print_to_printer();                         // LPRINT: the screen's PRINT code, then gfs_print_to(0)
void gfs_printer_close();                            // writes out and closes LPRINT's file
void sub_width_printer(int32_t width);               // WIDTH LPRINT n (1-255; 255 no wrapping)
void sub_width_device(kels *device, int32_t width);  // WIDTH "LPT1:", n or WIDTH "SCRN:", n
void sub_width_file(int32_t fileno, int32_t width);  // WIDTH #n, w: PRINT #n wraps at w
int32_t func_lpos(int32_t n);                        // LPOS(n): the printer's column, from 1
