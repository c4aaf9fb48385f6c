// Feeds arbitrary bytes through the byte stream to the variable-list and global-state readers.
// Whatever the bytes, a read must neither crash nor allocate without bound, and whatever it accepts
// must save and load again to the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "Support/Support_Stream.h"
#include "Variable/Variable_Global.h"
#include "Variable/Variable_List.h"

namespace {

void CheckResave(const CVariableList& list) {
  CStream first;
  list.Save(&first);
  first.Seek(0, CStream::SEEK_FROM_START);
  CVariableList again;
  if (!again.Load(&first) || again.Count() != list.Count()) std::abort();
  // Loading puts each node at the head of its bucket, so a second round trip restores the order
  // of the first save exactly.
  CVariableList third;
  CStream second;
  again.Save(&second);
  second.Seek(0, CStream::SEEK_FROM_START);
  if (!third.Load(&second)) std::abort();
  CStream last;
  third.Save(&last);
  if (last.GetPosition() != first.GetPosition() ||
      std::memcmp(last.GetBuffer(), first.GetBuffer(), static_cast<size_t>(first.GetPosition())) != 0)
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  CStream stream;
  stream.WriteBuffer(data, static_cast<int64_t>(size));
  stream.Seek(0, CStream::SEEK_FROM_START);

  if (size >= 4 && data[0] == 0xBC && data[1] == 0x02 && data[2] == 0 && data[3] == 0) {
    // 700: the global state.
    Variable_PrepareGlobals();
    if (Variable_LoadGlobals(&stream)) CheckResave(*g_pGlobalVariables);
    Variable_FreeGlobals();
    return 0;
  }
  CVariableList list;
  if (list.Load(&stream)) CheckResave(list);
  return 0;
}
