// Extension packages as the data file's "EXTN" chunk gives them: packages of files, files of
// functions. A function is bound to a library entry point (a library file) or carries its own
// source text (a source file); either way game code calls it by name under the id 500000 + its
// extension-function id.
//
// Chunk layout (32-bit little-endian words; names are file offsets of zero-terminated text; lists
// are a count followed by one offset per entry, 0 for an empty entry):
//   body:     u32 P, P x offset of a package record
//   package:  name, second name, u32 F, F x offset of a file record
//   file:     file name, initialisation function name, finalisation function name, u32 kind,
//             u32 N, N x offset of a function record
//   function: name, external name, u32 extension-function id, u32 calling-convention code,
//             u32 result type, i32 argument count A (-1: any count, no types follow),
//             A x u32 argument type (0 real, 1 string)
// For a library file the external name is the entry point; for a source file it is the source text.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

class DataView;
struct ChunkInfo;

inline constexpr int32_t kExtensionKindLibrary = 1;
inline constexpr int32_t kExtensionKindSource = 2;
inline constexpr int32_t kExtensionCdecl = 12;        // calling-convention code of cdecl
inline constexpr int32_t kExtensionMaxId = 99999;     // ids stay inside the extension range
inline constexpr int32_t kExtensionAnyCount = -1;

struct CExtensionFunction {
  std::string name;
  std::string externalName;  // entry point, or source text
  int32_t id = 0;
  int32_t convention = kExtensionCdecl;
  int32_t resultType = 0;    // 0 real, 1 string
  int32_t argumentCount = 0;  // kExtensionAnyCount for a source function taking any count
  std::vector<int32_t> argumentTypes;
};

struct CExtensionFile {
  std::string fileName;
  std::string initName;
  std::string finalName;
  int32_t kind = 0;
  std::vector<CExtensionFunction> functions;
};

struct CExtensionPackage {
  std::string name;
  std::string secondName;  // kept, not used by the runner
  std::vector<CExtensionFile> files;
};

// Reads the chunk (every offset, count, id and type is checked; a bad record throws
// FileFormatError). Replaces what an earlier load read.
void Extension_LoadEXTN(const DataView& view, const ChunkInfo& chunk);
const std::vector<CExtensionPackage>& Extension_Packages();
// Replaces the packages (the builder, tests) or empties them.
void Extension_SetPackages(std::vector<CExtensionPackage> packages);
// Counts the loads and replacements, so that tables built from the packages know when to rebuild.
int Extension_PackagesVersion();
