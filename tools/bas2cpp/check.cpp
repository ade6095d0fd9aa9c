// The checks' tables: records, procedures, labels and DATA, gathered from the whole tree
// before the emitter writes anything, so a procedure or label may be used before the place
// that defines it.
#include "check.h"
#include <cctype>

namespace bas {

const char *const ctype[] = {"int16_t", "int32_t", "float", "double", "kels *", "uint8_t *"};
const char *const tname[] = {"INTEGER", "LONG", "SINGLE", "DOUBLE", "STRING", "a record"};
const char tsuffix[] = {'%', '&', '!', '#', '$', 0};
const int tsize[] = {2, 4, 4, 8, 0, 0};

constexpr int max_fields = 1024;
constexpr int max_params = 60;

const std::vector<std::string> *fail_files = nullptr;

void fail_at(place at, const std::string &msg) {
  bool included = fail_files && at.file > 0 && (size_t)at.file < fail_files->size();
  throw bas_error{at.line, at.col, msg, included ? (*fail_files)[(size_t)at.file] : ""};
}

ty suffix_type(char s) {
  switch (s) {
    case '%': return T_INT;
    case '&': return T_LNG;
    case '!': return T_SNG;
    case '#': return T_DBL;
    default: return T_STR;
  }
}

uint32_t vtype::bytes() const {
  if (t == T_REC) return rec->size;
  if (t == T_STR) return fixed ? (uint32_t)fixed : (uint32_t)sizeof(void *);
  return (uint32_t)tsize[t];
}

const field *record_type::find(const std::string &n) const {
  for (const field &f : fields)
    if (f.name == n) return &f;
  return nullptr;
}

checks::checks(const program &p) : prog_(p) {
  for (auto &d : deftype_) d = T_SNG;
  for (auto &d : deftype_at_start) d = T_SNG;
}

ty checks::default_type(const std::string &name) const {
  char c = name.empty() ? 'A' : name[0];
  return (c >= 'A' && c <= 'Z') ? deftype_[c - 'A'] : T_SNG;
}

vtype checks::resolve(const type_name &t, const std::map<std::string, int64_t> &int_consts) const {
  vtype v;
  switch (t.kind) {
    case type_name::integer: v.t = T_INT; break;
    case type_name::long_: v.t = T_LNG; break;
    case type_name::single: v.t = T_SNG; break;
    case type_name::double_: v.t = T_DBL; break;
    case type_name::string: v.t = T_STR; break;
    case type_name::fixed_string: {
      v.t = T_STR;
      int64_t n = t.length;
      if (!t.length_const.empty()) {
        auto it = int_consts.find(t.length_const);
        if (it == int_consts.end()) fail_at(t.at, "STRING * " + t.length_const + " needs a numeric constant");
        n = it->second;
      }
      if (n < 1 || n > 32767) fail_at(t.at, "a fixed-length string must be 1 to 32767 long");
      v.fixed = (int)n;
      break;
    }
    case type_name::record: {
      auto it = records.find(t.record_name);
      if (it == records.end()) fail_at(t.at, "type " + t.record_name + " not defined");
      v.t = T_REC;
      v.rec = &it->second;
      break;
    }
    default: v.t = T_SNG; break;
  }
  return v;
}

bool checks::restore_index(const stmt *proc, const std::string &label, uint32_t &index) const {
  auto own = data_at_proc_label.find({proc, label});
  if (proc && own != data_at_proc_label.end()) { index = own->second; return true; }
  auto m = data_at_label.find(label);
  if (m != data_at_label.end()) { index = m->second; return true; }
  for (const auto &p : data_at_proc_label)
    if (p.first.second == label) { index = p.second; return true; }
  return false;
}

const procedure *checks::find_proc(const std::string &name) const {
  auto it = procedures.find(name);
  return it == procedures.end() ? nullptr : &it->second;
}

void checks::add_label(label_table &labels, const stmt &s) {
  if (labels.labels.count(s.text)) fail_at(s.at, "duplicate label " + s.text);
  bool numbered = !s.text.empty() && std::isdigit((unsigned char)s.text[0]);
  if (numbered)
    for (char ch : s.text)
      if (!std::isdigit((unsigned char)ch)) fail_at(s.at, "a line number must be a whole number");
  labels.labels[s.text] = {next_label_id++, s.at, numbered};
}

void checks::define_type(const stmt &s) {
  if (records.count(s.text)) fail_at(s.at, "duplicate definition of the type " + s.text);
  record_type r;
  r.name = s.text;
  if (s.decls.empty()) fail_at(s.at, "TYPE " + s.text + " has no fields");
  for (const decl &d : s.decls) {
    if (r.find(d.name)) fail_at(d.at, "duplicate field " + d.name + " in TYPE " + s.text);
    if (d.as.kind == type_name::none) fail_at(d.at, "a field needs AS and its type");
    if (d.as.kind == type_name::string) fail_at(d.as.at, "a field's string needs a length: STRING * n");
    if (d.as.kind == type_name::record && d.as.record_name == s.text) fail_at(d.as.at, "TYPE " + s.text + " cannot contain itself");
    field f{d.name, resolve(d.as, consts_for_types_), r.size, {}};
    uint64_t count = 1;
    if (d.array && d.bounds.empty()) fail_at(d.at, "an array field needs its bounds: " + d.name + "(n)");
    for (const auto &b : d.bounds) {
      int32_t lo = b.first ? constant_bound(*b.first) : 0, hi = constant_bound(*b.second);
      if (hi < lo) fail_at(b.second->start, "the bounds of " + d.name + " are out of order");
      f.dims.emplace_back(lo, hi);
      count *= (uint64_t)((int64_t)hi - lo + 1);
      if (count > 65536) fail_at(d.at, "TYPE " + s.text + " is larger than 65,536 bytes");
    }
    r.fields.push_back(f);
    r.size += (uint32_t)(f.type.bytes() * count);
    if ((int)r.fields.size() > max_fields) fail_at(d.at, "too many fields (limit is 1024)");
    if (r.size > 65536) fail_at(d.at, "TYPE " + s.text + " is larger than 65,536 bytes");
  }
  records.emplace(r.name, r);
}

// A bound of an array inside a TYPE: a whole number, maybe negative, or an integer CONST.
int32_t checks::constant_bound(const expr &e) const {
  const expr *x = &e;
  bool minus = false;
  if (x->kind == ek::unary && (x->text == "-" || x->text == "+")) {
    minus = x->text == "-";
    x = x->args[0].get();
  }
  int64_t v = 0;
  if (x->kind == ek::number && !x->text.empty() && x->text.size() < 10 &&
      x->text.find_first_not_of("0123456789") == std::string::npos) {
    v = std::stoll(x->text);
  } else if (x->kind == ek::name && !x->parens && consts_for_types_.count(x->text)) {
    v = consts_for_types_.at(x->text);
  } else {
    fail_at(e.start, "an array inside a TYPE needs constant bounds");
  }
  v = minus ? -v : v;
  if (v < -32768 || v > 32767) fail_at(e.start, "subscript out of range in a TYPE's array");
  return (int32_t)v;
}

param checks::make_param(const decl &d) {
  param p;
  p.name = d.name;
  p.suffix = d.suffix;
  p.array = d.array;
  p.at = d.at;
  if (d.as.kind == type_name::any) {
    p.any = true;
  } else if (d.as.kind != type_name::none) {
    p.type = resolve(d.as, consts_for_types_);
    if (p.type.t == T_STR && p.type.fixed && !d.array)
      fail_at(d.as.at, "a parameter cannot be a fixed-length string (use STRING)");
    if (d.suffix && suffix_type(d.suffix) != p.type.t) fail_at(d.as.at, "the suffix of " + d.name + " does not match its AS type");
  } else {
    p.type.t = d.suffix ? suffix_type(d.suffix) : default_type(d.name);
  }
  return p;
}

void checks::define_proc(const stmt &s, bool declaration) {
  procedure p;
  p.kind = s.kind == sk::sub_ || (s.kind == sk::declare && s.text2 == "SUB") ? procedure::sub
         : s.kind == sk::def_fn ? procedure::def_fn : procedure::function;
  p.name = s.text;
  p.suffix = s.suffix;
  p.at = s.at;
  p.is_static = s.flag;
  if (p.kind != procedure::sub) {
    if (s.returns.kind != type_name::none) {
      p.result = resolve(s.returns, consts_for_types_);
      if (p.result.t == T_REC) fail_at(s.returns.at, "a FUNCTION cannot return a record");
      if (p.result.t == T_STR && p.result.fixed) fail_at(s.returns.at, "a FUNCTION cannot return a fixed-length string");
      if (s.suffix && suffix_type(s.suffix) != p.result.t) fail_at(s.returns.at, "the suffix of " + s.text + " does not match its AS type");
    } else {
      p.result.t = s.suffix ? suffix_type(s.suffix) : default_type(s.text);
    }
  }
  if ((int)s.params.size() > max_params) fail_at(s.at, "too many parameters (limit is 60)");
  std::set<std::string> seen;
  for (const decl &d : s.params) {
    param q = make_param(d);
    if (q.any && !declaration) fail_at(d.as.at, "AS ANY is allowed only in a DECLARE");
    std::string key = q.name + (q.array ? "()" : "");
    if (!seen.insert(key).second) fail_at(d.at, "duplicate parameter " + d.name);
    p.params.push_back(q);
  }
  auto it = procedures.find(p.name);
  if (it != procedures.end()) {
    procedure &old = it->second;
    if (old.kind != p.kind) fail_at(s.at, "duplicate definition: " + p.name + " is already a " +
                                           (old.kind == procedure::sub ? "SUB" : "FUNCTION"));
    if (!declaration && old.defined) fail_at(s.at, "duplicate definition of " + p.name);
    // A DECLARE and the definition must agree.
    bool same = old.params.size() == p.params.size() && old.result == p.result;
    for (size_t k = 0; same && k < p.params.size(); k++)
      same = (old.params[k].any || p.params[k].any || old.params[k].type == p.params[k].type) &&
             old.params[k].array == p.params[k].array;
    if (!same) fail_at(s.at, "the parameters of " + p.name + " do not match its " + (declaration ? "definition" : "DECLARE") +
                                 " at line " + std::to_string(old.at.line));
    if (!declaration) {
      old.params = p.params;       // the definition's names
      old.defined = true;
      old.def = &s;
      old.is_static = p.is_static;
      old.at = s.at;
    }
    return;
  }
  p.defined = !declaration;
  if (!declaration) p.def = &s;
  p.cname = (p.kind == procedure::sub ? "S_" : "F_") + std::to_string(procedures.size() + 1) + "_";
  for (char ch : p.name) p.cname += std::isalnum((unsigned char)ch) ? ch : '_';
  procedures.emplace(p.name, p);
}

void checks::collect(const block &b, label_table &labels, const stmt *proc, bool module_level) {
  for (const stmt_p &sp : b) {
    const stmt &s = *sp;
    switch (s.kind) {
      case sk::label:
        add_label(labels, s);
        if (module_level) data_at_label[s.text] = (uint32_t)data.size();
        else data_at_proc_label[{proc, s.text}] = (uint32_t)data.size();
        break;
      case sk::data:   // DATA in a procedure joins the program's DATA where it is written
        for (auto &d : s.data_items) data.push_back(d);
        break;
      case sk::type_:
        if (!module_level || proc) fail_at(s.at, "TYPE is allowed only at module level");
        define_type(s);
        break;
      case sk::deftype: {
        ty t = s.text == "DEFINT" ? T_INT : s.text == "DEFLNG" ? T_LNG : s.text == "DEFSNG" ? T_SNG
             : s.text == "DEFDBL" ? T_DBL : T_STR;
        for (const std::string &r : s.names) {
          char lo = r[0], hi = r.size() >= 3 ? r[2] : r[0];
          for (char ch = lo; ch <= hi && ch >= 'A' && ch <= 'Z'; ch++) deftype_[ch - 'A'] = t;
        }
        break;
      }
      case sk::const_:
        // Integer constants are needed for STRING * NAME in TYPE and parameter lists.
        for (size_t k = 0; k < s.decls.size() && k < s.exprs.size(); k++) {
          const expr &e = *s.exprs[k];
          if (e.kind == ek::number && e.text.find_first_not_of("0123456789") == std::string::npos && e.text.size() < 10)
            consts_for_types_[s.decls[k].name] = std::stoll(e.text);
        }
        break;
      case sk::declare:
        define_proc(s, true);
        break;
      case sk::sub_:
      case sk::function_:
      case sk::def_fn: {
        if (proc) fail_at(s.at, "a procedure cannot be defined inside another");
        if (s.kind == sk::def_fn && !module_level) fail_at(s.at, "DEF FN is allowed only at module level");
        define_proc(s, false);
        label_table &own = proc_labels[&s];
        collect(s.body, own, &s, false);
        break;
      }
      default:
        break;
    }
    // Nested blocks share their scope's labels.
    for (const if_branch &br : s.branches) collect(br.body, labels, proc, module_level && !proc);
    for (const case_branch &cb : s.cases) collect(cb.body, labels, proc, module_level && !proc);
    if (s.kind == sk::for_ || s.kind == sk::do_ || s.kind == sk::while_) collect(s.body, labels, proc, module_level && !proc);
  }
}

void checks::run() {
  for (int i = 0; i < 26; i++) deftype_at_start[i] = deftype_[i];
  collect(prog_.statements, module_labels, nullptr, true);
  // A DECLARE without its procedure is only an error when the procedure is called; the
  // emitter reports it at the call.
  for (int i = 0; i < 26; i++) deftype_[i] = deftype_at_start[i];
}

}  // namespace bas
