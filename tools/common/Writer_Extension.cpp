#include "Writer_Extension.h"

namespace {

using Body = DataFileWriter::Body;

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
  b.list(packages, [&](const CExtensionPackage& p) {
    Name(b, p.name);
    Name(b, p.secondName);
    // Nested lists follow their parent's fixed fields, so each record is written whole.
    b.list(p.files, [&](const CExtensionFile& f) {
      Name(b, f.fileName);
      Name(b, f.initName);
      Name(b, f.finalName);
      b.i32(f.kind);
      b.list(f.functions, [&](const CExtensionFunction& fn) {
        Name(b, fn.name);
        Name(b, fn.externalName);
        b.i32(fn.id).i32(fn.convention).i32(fn.resultType).i32(fn.argumentCount);
        for (int32_t type : fn.argumentTypes) b.i32(type);
      });
    });
  });
}
