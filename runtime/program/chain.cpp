// CHAIN and RUN between the modules of one executable, and the COMMON values between them.
#include "chain.h"
#include <cctype>
#include <cstring>
#include <string>
#include <vector>
#include "program.h"

namespace {

// Thrown by CHAIN and RUN, caught only in kb_run_modules.
struct chain_to {
  int32_t module;
  uint32_t label;
  int32_t how;
};

const kb_module *modules = nullptr;
int32_t module_count = 0, current = 0;

struct common_value {
  std::string type;
  std::string bytes;         // a number's or record's bytes, a string's characters
  kb_arr arr{};
};
std::vector<common_value> passed;

void drop_passed() {
  for (common_value &v : passed) kb_free_arr(v.arr);
  passed.clear();
}

// What is left of the module being left, whatever it was doing (a GOSUB, a procedure, an
// error handler): nothing.
void leave_module() {
  next_return_point = 0;
  error_goto_line = 0;
  error_handling = 0;
  event_return = 0;
  new_error = 0;
  // ON TIMER names the left module's labels: every timer is switched off.
  for (uint32_t k = 0; ontimer && k < ontimer_nextfree.load(); k++) {
    ontimer[k].state = 0;
    ontimer[k].active = 0;
  }
}

}  // namespace

void kb_run_modules(const kb_module *table, int32_t count) {
  modules = table;
  module_count = count;
  current = 0;
  uint32_t label = 1;
  int32_t how = 0;
  for (;;) {
    try {
      modules[current].start(label, how);
      return;
    } catch (const chain_to &to) {
      current = to.module;
      label = to.label;
      how = to.how;
      leave_module();
    }
  }
}

int32_t kb_module_find(kels *name) {
  if (new_error) return -1;
  std::string key;
  for (uint32_t i = 0; i < name->len; i++) {
    char ch = (char)name->text[i];
    key += ch == '\\' ? '/' : (char)std::toupper((unsigned char)ch);
  }
  while (key.compare(0, 2, "./") == 0) key.erase(0, 2);
  size_t slash = key.rfind('/');
  if (key.find('.', slash == std::string::npos ? 0 : slash + 1) == std::string::npos) key += ".BAS";
  for (int32_t k = 0; k < module_count; k++)
    if (key == modules[k].name) return k;
  error(key.size() == 4 ? 64 : 53);           // "" is a bad name, anything else not found
  return -1;
}

void kb_chain(int32_t module) {
  gfs_flush_all();                             // the files stay open, with their bytes on the disk
  if (new_error) return;                       // what could not be written is the CHAIN's error
  throw chain_to{module, 1, 1};
}

void kb_run_program(uint32_t label) {
  if (!modules) { error(73); return; }         // "Feature unavailable": nothing to restart
  sub_clear();                                 // files closed, every variable cleared
  throw chain_to{current, label, 2};
}

void kb_run_module(int32_t module) {
  sub_clear();
  throw chain_to{module, 1, 2};
}

void kb_common_begin() { drop_passed(); }

void kb_common_put(const char *type, const void *value, uint32_t bytes) {
  passed.push_back({type, std::string((const char *)value, bytes), {}});
}

void kb_common_put_str(kels *s) { passed.push_back({"$", std::string((const char *)s->text, s->len), {}}); }

void kb_common_put_arr(const char *type, kb_arr &a) {
  common_value v{type, "", a};
  a.data = nullptr;                             // the storage goes with the value
  a.dims = 0;
  a.n1 = 0;
  passed.push_back(v);
}

// The k-th value if it is there and of the type wanted; error 13 when it is of another type.
static common_value *take(uint32_t k, const char *type) {
  if (new_error || k >= passed.size()) return nullptr;
  if (passed[k].type != type) { error(13); return nullptr; }
  return &passed[k];
}

void kb_common_get(uint32_t k, const char *type, void *value, uint32_t bytes) {
  common_value *v = take(k, type);
  if (!v) return;
  if (v->bytes.size() != bytes) { error(13); return; }   // a record of the same name but not the same shape
  std::memcpy(value, v->bytes.data(), bytes);
}

void kb_common_get_str(uint32_t k, kels *s) {
  if (common_value *v = take(k, "$")) kels_set(s, kels_new_txt_len(v->bytes.data(), (int32_t)v->bytes.size()));
}

void kb_common_get_arr(uint32_t k, const char *type, kb_arr &a) {
  common_value *v = take(k, type);
  if (!v) return;
  if (v->arr.esize != a.esize || v->arr.kind != a.kind) { error(13); return; }   // STRING * n of another n
  kb_free_arr(a);
  a = v->arr;
  v->arr.data = nullptr;
}

void kb_common_end() { drop_passed(); }
