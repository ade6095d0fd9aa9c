// The syntax tree: what the parser reads, before any name is resolved or any type is known.
// Statements carry their place (the physical line of the .bas file and the column), blocks
// hold their statements, and expressions are kept as written. The checks decide what each
// name is (variable, array, constant, procedure, built-in) and each expression's type; the
// emitter writes C++ from the tree and the checks' tables.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace bas {

struct place {
  int line = 0, col = 0;
  int file = 0;   // added: index into program::files (0: the main file; k: the k-th $INCLUDE read)
};

// A type as written after AS.
struct type_name {
  enum kind_t { none, integer, long_, single, double_, string, fixed_string, record,
                any } kind = none;   // any: AS ANY in a DECLARE's parameter list
  int64_t length = 0;        // fixed_string: n, when written as a number
  std::string length_const;  // fixed_string: the CONST name when written as STRING * NAME
  std::string record_name;   // record: the TYPE's name, upper case
  place at;
};

enum class ek {
  number,   // text: the literal as written (upper case: "12", "1.5E3", "&HFF", "3.0D0"); suffix
  string,   // text: the bytes between the quotes
  name,     // text: the name, upper case; suffix; parens/args: "A(1, 2)", "F()", "A()" (whole array)
  field,    // text: the field's name, upper case; args[0]: the record expression ("R.X", "A(2).P.X");
            //   parens: an array field's subscripts in args[1...] ("A(2).ELEMS(I)")
  unary,    // text: "-", "+" or "NOT"; args[0]
  binary,   // text: "+", "-", "*", "/", "\\", "^", "MOD", "=", "<>", "<", ">", "<=", ">=",
            //       "AND", "OR", "XOR", "EQV", "IMP"; args[0] op args[1]
};

struct expr;
using expr_p = std::unique_ptr<expr>;

struct expr {
  ek kind = ek::number;
  place at;
  std::string text;
  char suffix = 0;             // one of % & ! # $ or 0
  bool parens = false;         // name: written with a parenthesised list after it (maybe empty)
  bool parenthesised = false;  // the whole expression was written inside ( ) — a by-value argument
  std::vector<expr_p> args;
  place start;                 // added: where the expression's text begins (at is its operator or
                               //   name; start is its first token, the '(' when parenthesised)
};

struct stmt;
using stmt_p = std::unique_ptr<stmt>;
using block = std::vector<stmt_p>;

// One name in DIM, REDIM, SHARED, STATIC, COMMON, a parameter list or a TYPE's fields.
struct decl {
  place at;
  std::string name;            // upper case
  char suffix = 0;
  bool array = false;          // written with parentheses: A(...) or A()
  // array bounds as written, one pair per dimension; lower is null when not given ("A(10)")
  std::vector<std::pair<expr_p, expr_p>> bounds;
  type_name as;                // kind none when no AS clause
  bool by_val = false;         // parameter written BYVAL (not in the dialect proper; refused)
};

// One CASE clause: IS op value, value TO value, or value.
struct case_test {
  place at;
  enum kind_t { equal, range, is } kind = equal;
  std::string op;              // is: "=", "<>", "<", ">", "<=", ">="
  expr_p a, b;                 // equal/is: a; range: a TO b
};

struct case_branch {
  place at;
  bool is_else = false;
  std::vector<case_test> tests;
  block body;
};

struct if_branch {
  place at;
  expr_p cond;                 // null for ELSE
  block body;
};

// One item of PRINT/LPRINT/WRITE/PRINT USING: an expression and the separator after it.
struct print_item {
  expr_p value;                // null when the item is only a separator
  char sep = 0;                // ';', ',' or 0 (none: the last item, ending the line)
};

enum class sk {
  label,        // text: the line number or label name (upper case for names) that starts here
  assign,       // exprs[0] = target (name or field), exprs[1] = value. LET or bare.
  mid_assign,   // MID$(exprs[0], exprs[1] [, exprs[2]]) = exprs[3]; exprs[2] null when absent
  print,        // PRINT [#exprs[0],] [USING exprs[1];] items. exprs[0]/[1] null when absent.
                //   text "PRINT", "LPRINT" or "WRITE"
  input,        // INPUT [#exprs[0],] [;] ["prompt" {;|,}] targets in targets. flag: the ';' after
                //   INPUT (no newline); text: the prompt (has_prompt); prompt_comma: ',' after it
  line_input,   // LINE INPUT [#exprs[0],] [;] ["prompt" ;|,] target: same fields, one target
  if_,          // branches: IF cond THEN ... ELSEIF ... ELSE ... END IF; single_line for the one-line form
  select,       // SELECT CASE exprs[0]; cases
  for_,         // FOR exprs[0] (the variable, a name expr) = exprs[1] TO exprs[2] [STEP exprs[3]]
                //   body; exprs[3] null when absent. next_vars: the names NEXT gave (may be empty)
  do_,          // DO [WHILE|UNTIL cond] body LOOP [WHILE|UNTIL cond]: text "WHILE"/"UNTIL"/"" for the
                //   test at the top (exprs[0]); text2 likewise for the bottom (exprs[1]); unused null
  while_,       // WHILE exprs[0] body WEND
  goto_,        // names[0]: the target label (line numbers as their digits)
  gosub,        // names[0]
  return_,      // names: empty, or the one label of RETURN label
  on_goto,      // ON exprs[0] GOTO names...
  on_gosub,     // ON exprs[0] GOSUB names...
  end,          // END (the program's end)
  system,       // SYSTEM
  stop,         // STOP
  exit_,        // text: "FOR", "DO", "SUB", "FUNCTION", "DEF"
  dim,          // DIM [SHARED] decls (flag: SHARED)
  redim,        // REDIM [PRESERVE] [SHARED] decls (flag: SHARED, flag2: PRESERVE)
  erase,        // ERASE names...
  shared,       // SHARED decls (inside a procedure)
  static_,      // STATIC decls (inside a procedure)
  common,       // COMMON [SHARED] [/block/] decls (flag: SHARED)
  const_,       // CONST names[i] = exprs[i], ...  (decls[i].name/suffix hold each name)
  deftype,      // DEFINT/DEFLNG/DEFSNG/DEFDBL/DEFSTR: text the keyword, names: ranges as "A-Z", "I"
  option_base,  // OPTION BASE exprs[0] (a number literal)
  metacommand,  // text: "$DYNAMIC", "$STATIC" (REM $DYNAMIC or '$DYNAMIC)
  swap,         // SWAP exprs[0], exprs[1]
  call,         // CALL name(args) or name args: text the name, suffix; exprs the arguments; flag: CALL
                //   (an argument written as ( x ) has parenthesised set)
  builtin,      // a built-in statement from the table: text the name (with its suffix, as in the
                //   table, e.g. "COLOR", "_DELAY", "BEEP"); exprs the comma list, null for a gap
  lset, rset,   // LSET/RSET exprs[0] = exprs[1]
  graphics,     // PSET, PRESET, LINE, CIRCLE, PAINT: text the keyword; see graphics_args
  view,         // VIEW [SCREEN] [(x1,y1)-(x2,y2) [, fill [, border]]]: flag SCREEN; exprs x1 y1 x2 y2
                //   fill border (null when absent); also VIEW PRINT [top TO bottom]: text "PRINT"
  window,       // WINDOW [SCREEN] [(x1,y1)-(x2,y2)]: flag SCREEN; exprs x1 y1 x2 y2 or empty
  fullscreen,   // _FULLSCREEN [_OFF | _STRETCH | _SQUAREPIXELS] [, _SMOOTH]: text the word, flag _SMOOTH
  def_seg,      // DEF SEG [= exprs[0]]
  call_absolute,// CALL ABSOLUTE(args..., offset): exprs the arguments, the offset last
  call_interrupt,// CALL INTERRUPT/INTERRUPTX(exprs[0], exprs[1] (an A() name), exprs[2]): text the word
  on_timer,     // ON TIMER([exprs[0],] exprs[1]) GOSUB names[0]; exprs[0] null when no slot
  timer_ctl,    // TIMER[(exprs[0])] ON|OFF|STOP|FREE: text the word; exprs[0] null when no slot
  on_event,     // ON KEY|PLAY|STRIG|COM(exprs[0]) GOSUB names[0], ON PEN|UEVENT GOSUB names[0]: text the
                //   word; exprs[0] null for PEN and UEVENT; names[0] "0" switches the handler off
  event_ctl,    // KEY|STRIG|COM(exprs[0]) ON|OFF|STOP, PLAY|PEN|UEVENT ON|OFF|STOP: text the source,
                //   text2 the switch; exprs[0] null without a number
  key_line,     // KEY ON | OFF | LIST: text the word
  on_error,     // ON ERROR GOTO names[0] ("0" turns handling off); flag: ON LOCAL ERROR
  resume,       // RESUME [NEXT | label | 0]: text "" / "NEXT" / names[0]
  error_,       // ERROR exprs[0]
  data,         // DATA items: data_items, each as written (quoted items unquoted; flag per item)
  read,         // READ targets...
  restore,      // RESTORE [names[0]]
  sub_,         // SUB name [(params)] [STATIC] ... END SUB: text, params, flag STATIC, body
  function_,    // FUNCTION name[suffix] [(params)] [AS type] [STATIC] ... END FUNCTION
  def_fn,       // DEF FNname[suffix][(params)] = exprs[0]  (single line), or with body ... END DEF
  declare,      // DECLARE SUB|FUNCTION name [(params)]: text2 "SUB"/"FUNCTION", text the name
  type_,        // TYPE name ... END TYPE: text the name, decls the fields (each with as)
  include,      // '$INCLUDE: 'file' — handled by the reader; never reaches the emitter
  open_,        // OPEN exprs[0] FOR text [ACCESS ...] [LOCK ...] AS [#]exprs[1] [LEN = exprs[2]];
                //   the short form OPEN mode$, [#]n, name$[, len] has flag: exprs mode, n, name, len
  close_,       // CLOSE [[#]n, ...]: exprs the numbers (none: every file); text "RESET" for RESET
  get_, put_,   // flag: the file form GET|PUT [#]exprs[0] [, [exprs[1]] [, exprs[2]]] (null gaps);
                //   else graphics: GET g.x1,y1-g.x2,y2, exprs[0]; PUT g.x1,y1, exprs[0] [, text action]
  field,        // FIELD [#]exprs[0], exprs[1] AS exprs[2], exprs[3] AS exprs[4], ...
  seek,         // SEEK [#]exprs[0], exprs[1]
  name_,        // NAME exprs[0] AS exprs[1]
  randomize_timer, // reserved
  palette_using,   // PALETTE USING exprs[0] (an array element: the first of the attributes' values)
};

// PSET/PRESET (step x, y)[, colour]; LINE [[step](x1, y1)]-[step](x2, y2)[, [colour][, [B|BF][, style]]];
// CIRCLE [step](x, y), r[, [colour][, [start][, [end][, aspect]]]]; PAINT [step](x, y)[, [paint][, [border][, background]]]
struct graphics_args {
  bool step1 = false, step2 = false;
  bool has_first = false;      // LINE: the first point was given
  expr_p x1, y1, x2, y2;       // PSET/CIRCLE/PAINT use x1, y1; LINE uses both points
  std::vector<expr_p> rest;    // the optional arguments after the point(s), null for a gap
  std::string box;             // LINE: "", "B" or "BF"
};

struct stmt {
  sk kind = sk::label;
  place at;
  std::string text, text2;
  char suffix = 0;
  bool flag = false, flag2 = false;
  bool single_line = false;               // if_: the one-line form
  bool has_prompt = false, prompt_comma = false;
  std::vector<expr_p> exprs;
  std::vector<std::string> names;
  std::vector<place> name_places;          // where each of names was written
  std::vector<decl> decls;
  std::vector<expr_p> targets;             // INPUT/READ: the variables
  std::vector<print_item> items;
  std::vector<if_branch> branches;
  std::vector<case_branch> cases;
  std::vector<std::pair<std::string, bool>> data_items;   // (text, was quoted)
  std::vector<std::string> next_vars;
  std::vector<decl> params;                // SUB/FUNCTION/DEF FN/DECLARE parameters
  type_name returns;                       // FUNCTION ... AS type
  graphics_args g;
  block body;                              // loops, procedures
  place end_at;                            // added: where the block's closing statement was written
                                           //   (NEXT, LOOP, WEND, END IF, END SELECT, END SUB, ...)
};

// The whole program: the module's statements in order (procedures appear where they were
// written, as sk::sub_ / sk::function_ / sk::def_fn statements with their bodies).
struct program {
  block statements;
  std::string file;
  std::vector<std::string> files;   // added: place::file's names: [0] file, then each $INCLUDE as written
};

}  // namespace bas
