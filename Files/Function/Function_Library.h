// The function library without drawing: data structures, random numbers, maths and text, files,
// INI files, file digests and JSON. Function_ImplementLibrary binds every finished routine of these families
// to its registered name; it runs once the registry is filled.
#pragma once

#include <string>

#include "Code/Code_Function.h"
#include "Function/Function_Register.h"

void Function_ImplementLibrary();

// The families' binders, each in its own source file.
void Function_DataStructure_Implement();  // Function_DataStructure.cpp
void Function_Random_Implement();         // Function_Random.cpp
void Function_Math_Implement();           // Function_Math.cpp
void Function_String_Implement();         // Function_String.cpp
void Function_File_Implement();           // Function_File.cpp
void Function_Ini_Implement();            // Function_Ini.cpp
void Function_Digest_Implement();         // Function_Digest.cpp (file digests)
void Function_Json_Implement();           // Function_Json.cpp
void Function_Registry_Implement();       // Function_Registry.cpp: the registry and program execution
// Forgets the registry store read from the save folder (tests; the next call reads the file again).
void Function_Registry_Forget();

// Game end: every file game code left open is written and closed, the INI file included.
void Function_CloseAllFiles();
// Writes (when changed) and closes the INI file game code has open.
void Function_Ini_CloseOpenFile();

namespace Library {

// Argument `i`, or the zero value when the call passed fewer.
inline const RValue& Arg(int argc, const RValue* args, int i) { return FunctionArgument(argc, args, i); }
// The real of argument `i` (a string gives 0).
inline double ArgReal(int argc, const RValue* args, int i) {
  const RValue& v = Arg(argc, args, i);
  return v.IsReal() ? v.real : 0.0;
}
// An index, position, count or coordinate argument: rounded to the nearest integer, halves to
// even, within the 32-bit range.
inline int ArgIndex(int argc, const RValue* args, int i) { return FunctionArgumentIndex(Arg(argc, args, i)); }
// A flag argument: true when at least 0.5.
inline bool ArgBool(int argc, const RValue* args, int i) { return ArgReal(argc, args, i) >= 0.5; }
// The text of argument `i` as string() makes it (a real is printed).
std::string ArgText(int argc, const RValue* args, int i);

// Stores `text` (bytes, may hold zeros up to its length) as a string result.
void SetStringResult(RValue& result, const std::string& text);

// Reads a whole file; false when it cannot be opened or is not a regular file.
bool ReadWholeFile(const std::string& path, std::string& out);
// Writes `data` to a temporary file in the same folder and renames it into place, so a failed
// write leaves the old file intact. False when anything fails.
bool WriteFileAtomic(const std::string& path, const std::string& data);

// Runs the other event `otherSubType` of every instance with async_load set to the map `mapIndex`,
// then frees the map: how the runner answers web requests and dialogs that finish later.
void RaiseAsyncEvent(int otherSubType, int mapIndex);

}  // namespace Library
