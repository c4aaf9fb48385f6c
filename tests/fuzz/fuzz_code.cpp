// Feeds arbitrary bytecode and reference chains through the code loader, the listing and the
// machine. The harness builds a file image around the input: a string table, code entries whose
// bytes come from the input, and variable records with fixed names whose counts and chain starts
// come from the input. Whatever the bytes, loading must refuse or accept without crashing, listing
// must stay inside the code, and accepted code must run without touching memory it does not own.
// Code that passes the stack check runs on the unchecked path (the seeds with well-formed code keep
// it exercised); whatever its operands, it must stay as safe as the checked path.
// Code with backward jumps is not run (it could loop forever), nor code that repeats strings; with-blocks may loop back, but
// there are no instances, so their bodies never repeat. Runs are not leak-checked: code that pops
// an item as another type (a text read as a number) loses that text, and such code always ends in
// a fatal error, which ends the process.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include <sanitizer/lsan_interface.h>

#include "Code/Code_Load.h"
#include "Code/Code_Opcodes.h"
#include "Code/Code_VM.h"
#include "DataFile/DataFile_View.h"
#include "Variable/Variable_Global.h"

namespace {

class Input {
 public:
  Input(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
  uint8_t byte() { return m_at < m_size ? m_data[m_at++] : 0; }
  uint32_t u32() {
    uint32_t v = 0;
    for (int i = 0; i < 4; i++) v |= uint32_t(byte()) << (8 * i);
    return v;
  }
  size_t left() const { return m_size - m_at; }
  const uint8_t* take(size_t n) {
    const uint8_t* p = m_data + m_at;
    m_at += n;
    return p;
  }

 private:
  const uint8_t* m_data;
  size_t m_size;
  size_t m_at = 0;
};

struct Image {
  std::vector<uint8_t> bytes{'F', 'O', 'R', 'M', 0, 0, 0, 0};
  uint32_t here() const { return uint32_t(bytes.size()); }
  uint32_t u32(uint32_t v) {
    uint32_t at = here();
    bytes.resize(at + 4);
    std::memcpy(bytes.data() + at, &v, 4);
    return at;
  }
  uint32_t text(const char* s) {
    uint32_t at = here();
    bytes.insert(bytes.end(), s, s + std::strlen(s) + 1);
    while (bytes.size() % 4) bytes.push_back(0);
    return at;
  }
};

bool SkipRun(const VMBuffer* code) {
  for (int32_t pc = 0; pc + 4 <= code->size;) {
    uint32_t w;
    std::memcpy(&w, code->data + pc, 4);
    uint8_t op = VM::Opcode(w);
    if ((op == VM::OP_B || op == VM::OP_BT || op == VM::OP_BF || op == VM::OP_PUSHENV) && VM::BranchOffset(w) <= 0) return true;
    // A number times a string builds texts of up to 2 GiB; repeated runs would only measure memory.
    // Values may hold either, so a value operand counts as a possible string.
    if (op == VM::OP_MUL && (VM::Type1(w) != VM::Type2(w) || VM::Type1(w) == VM::TYPE_VARIABLE)) return true;
    pc += VM::InstructionLength(w);
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool ready = false;
  if (!ready) {
    Variable_PrepareGlobals();
    VM_SetErrorSink([](const char*) {});
    ready = true;
  }
  Input in(data, size);
  Image image;

  // String table: two records.
  uint32_t s0 = image.u32(2);
  image.text("ab");
  uint32_t s1 = image.u32(0);
  image.text("");
  uint32_t strg = image.u32(2);
  image.u32(s0);
  image.u32(s1);

  // Up to four code entries with input bytes.
  int entries = 1 + in.byte() % 4;
  std::vector<uint32_t> offsets;
  for (int e = 0; e < entries; e++) {
    size_t length = (size_t(in.byte()) * 4) % 512;
    if (length > in.left() / 4 * 4) length = in.left() / 4 * 4;
    uint32_t name = image.text("code");
    uint32_t at = image.u32(name);
    image.u32(uint32_t(length));
    const uint8_t* bytes = in.take(length);
    image.bytes.insert(image.bytes.end(), bytes, bytes + length);
    offsets.push_back(at);
  }
  uint32_t code = image.u32(uint32_t(offsets.size()));
  for (uint32_t o : offsets) image.u32(o);

  // Variable records with fixed names; counts and chain starts from the input.
  static const char* const kNames[] = {"fz_a", "fz_b", "fz_c", "fz_d"};
  uint32_t names[4];
  for (int i = 0; i < 4; i++) names[i] = image.text(kNames[i]);
  int records = in.byte() % 4;
  uint32_t vari = image.here();
  for (int r = 0; r < records; r++) {
    image.u32(names[r]);
    image.u32(in.byte() % 8);
    uint32_t start = in.u32();
    // Mostly aim inside the first entry's code so that chains get walked.
    if ((start & 3) == 0 && !offsets.empty()) start = offsets[0] + 8 + (start >> 2) % 64 * 4;
    image.u32(start);
  }
  uint32_t variLength = image.here() - vari;

  DataView view(image.bytes.data(), image.bytes.size());
  bool linked = true;
  try {
    Code_LoadSTRG(view, strg, 12);
    Code_LoadCODE(view, code, 4 + 4 * uint32_t(offsets.size()));
    Code_LinkVARI(view, vari, variLength);
    Code_LinkCODE(view, code, 4 + 4 * uint32_t(offsets.size()));
  } catch (const FileFormatError&) {
    linked = false;
  }

  for (int32_t e = 0; e < Code_EntryCount(); e++) {
    CTextBuffer listing;
    Code_ListEntry(e, listing);
    VMBuffer* buffer = Code_EntryBuffer(e);
    if (linked && buffer && !SkipRun(buffer)) {
      __lsan_disable();
      {
        RValue out;
        VM_Run("fuzz", nullptr, nullptr, buffer, &out, nullptr, nullptr);
      }
      __lsan_enable();
    }
  }
  Code_Reset();
  return 0;
}
