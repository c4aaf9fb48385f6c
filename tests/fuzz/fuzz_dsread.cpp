// Feeds arbitrary text to the data-structure readers. The first byte picks the kind of collection.
// A text the reader refuses must leave the collection exactly as it was; a text it accepts must
// write out to a text that reads back to the same collection.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "Support/Support_DataStructure.h"

namespace {

template <typename T>
void Check(T& target, T& fresh, const std::string& text) {
  std::string before = target.Write();
  if (!target.Read(text.c_str())) {
    if (target.Write() != before) std::abort();
    return;
  }
  std::string written = target.Write();
  if (!fresh.Read(written.c_str())) std::abort();
  if (fresh.Write() != written) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
  text = text.substr(0, text.find('\0'));
  switch (data[0] % 6) {
    case 0: {
      CDS_Stack a, b;
      a.Push(RValue("old"));
      Check(a, b, text);
      break;
    }
    case 1: {
      CDS_Queue a, b;
      a.Enqueue(RValue(1.0));
      Check(a, b, text);
      break;
    }
    case 2: {
      CDS_List a, b;
      a.Add(RValue("old"));
      Check(a, b, text);
      break;
    }
    case 3: {
      CDS_Map a, b;
      a.Add(RValue("k"), RValue(2.0));
      Check(a, b, text);
      break;
    }
    case 4: {
      CDS_Priority a, b;
      a.Add(RValue("v"), RValue(1.0));
      Check(a, b, text);
      break;
    }
    default: {
      CDS_Grid a(2, 2), b(0, 0);
      Check(a, b, text);
      break;
    }
  }
  return 0;
}
