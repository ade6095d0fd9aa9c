// The checks: the program's tables, built from the whole tree before anything is written —
// records (TYPE), procedures with their parameters (SUB, FUNCTION, DEF FN, DECLARE), labels
// and line numbers of each scope, DATA items in order — and the checks that need them, each
// error at its FILE:LINE:COLUMN.
#pragma once
#include <map>
#include <set>
#include <string>
#include <vector>
#include "ast.h"
#include "lexer.h"

namespace bas {

enum ty { T_INT, T_LNG, T_SNG, T_DBL, T_STR, T_REC };
extern const char *const ctype[];    // C++ type of a value of each type ("int16_t", "kels *", ...)
extern const char *const tname[];    // the dialect's name of each type
extern const char tsuffix[];         // the suffix of each type
extern const int tsize[];            // bytes of each numeric type

struct record_type;

// A variable's full type: a base type, with a length for STRING * n and the record for T_REC.
struct vtype {
  ty t = T_SNG;
  int fixed = 0;                     // T_STR: STRING * fixed (0 = variable length)
  const record_type *rec = nullptr;  // T_REC
  bool operator==(const vtype &o) const { return t == o.t && fixed == o.fixed && rec == o.rec; }
  uint32_t bytes() const;            // storage of one element (numbers, fixed strings, records)
};

struct field {
  std::string name;
  vtype type;
  uint32_t offset;
  std::vector<std::pair<int32_t, int32_t>> dims;   // an array field: lower and upper bound of each
                                                   //   dimension; type is one element's
};

struct record_type {
  std::string name;
  std::vector<field> fields;
  uint32_t size = 0;
  const field *find(const std::string &n) const;
};

struct param {
  std::string name;                  // upper case
  char suffix = 0;
  vtype type;
  bool array = false;
  bool any = false;                  // AS ANY (DECLARE only): takes the definition's type
  place at;
};

struct procedure {
  enum kind_t { sub, function, def_fn } kind = sub;
  std::string name;                  // upper case, without suffix
  char suffix = 0;
  vtype result;                      // function, def_fn
  std::vector<param> params;
  bool is_static = false;
  bool defined = false;
  place at;
  const stmt *def = nullptr;         // the SUB/FUNCTION/DEF FN statement
  std::string cname;
};

struct label_info {
  uint32_t id;
  place at;
  bool numbered;
};

// One scope's labels: the module's or one procedure's.
struct label_table {
  std::map<std::string, label_info> labels;
};

class checks {
 public:
  explicit checks(const program &p);
  void run();                        // builds the tables; throws bas_error

  std::map<std::string, record_type> records;
  std::map<std::string, procedure> procedures;      // by name (DEF FN names start with FN)
  label_table module_labels;
  std::map<const stmt *, label_table> proc_labels;  // by the procedure's statement
  std::vector<std::pair<std::string, bool>> data;   // every DATA item, in order
  std::map<std::string, uint32_t> data_at_label;    // module label -> index of the next DATA item
  std::map<std::pair<const stmt *, std::string>, uint32_t> data_at_proc_label;   // the same, by procedure
  // The DATA index RESTORE label gives, seen from proc (null: the module): its own label, else
  // the module's, else one in any procedure. False when no such label exists.
  bool restore_index(const stmt *proc, const std::string &label, uint32_t &index) const;
  uint32_t next_label_id = 2;        // label ids are unique over the program; 1 is the start
  ty deftype_at_start[26];

  // Resolves a type as written (STRING * CONST needs the constant's value from the caller).
  vtype resolve(const type_name &t, const std::map<std::string, int64_t> &int_consts) const;
  const procedure *find_proc(const std::string &name) const;

 private:
  const program &prog_;
  void collect(const block &b, label_table &labels, const stmt *proc, bool module_level);
  void add_label(label_table &labels, const stmt &s);
  void define_type(const stmt &s);
  void define_proc(const stmt &s, bool declaration);
  param make_param(const decl &d);
  ty default_type(const std::string &name) const;
  int32_t constant_bound(const expr &e) const;
  ty deftype_[26];
  std::map<std::string, int64_t> consts_for_types_;
};

[[noreturn]] void fail_at(place at, const std::string &msg);
// The program's files, so that an error in an $INCLUDE file names it (set while checking).
extern const std::vector<std::string> *fail_files;
ty suffix_type(char s);

}  // namespace bas
