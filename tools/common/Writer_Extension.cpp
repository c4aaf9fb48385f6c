#include "Writer_Extension.h"

namespace {

using Body = DataFileWriter::Body;

// A list of records: count, then one slot per entry, filled with the entry's label.
template <class T, class F>
void List(Body& b, const std::vector<T>& items, F record) {
  b.u32(static_cast<uint32_t>(items.size()));
  const uint32_t list = b.size();
  b.zeros(4 * items.size());
  for (size_t i = 0; i < items.size(); ++i) {
    b.refAt(list + 4 * static_cast<uint32_t>(i), b.here());
    record(items[i]);
  }
}

// A name; the empty name is written as no string.
void Name(Body& b, const std::string& text) {
  if (text.empty()) {
    b.nullRef();
  } else {
    b.stringRef(text);
  }
}

}  // namespace

void WriteExtensions(DataFileWriter& writer, const std::vector<CExtensionPackage>& packages) {
  Body& b = writer.chunk("EXTN");
  List(b, packages, [&](const CExtensionPackage& p) {
    Name(b, p.name);
    Name(b, p.secondName);
    // Nested lists follow their parent's fixed fields, so each record is written whole.
    List(b, p.files, [&](const CExtensionFile& f) {
      Name(b, f.fileName);
      Name(b, f.initName);
      Name(b, f.finalName);
      b.i32(f.kind);
      List(b, f.functions, [&](const CExtensionFunction& fn) {
        Name(b, fn.name);
        Name(b, fn.externalName);
        b.i32(fn.id).i32(fn.convention).i32(fn.resultType).i32(fn.argumentCount);
        for (int32_t type : fn.argumentTypes) b.i32(type);
      });
    });
  });
}
