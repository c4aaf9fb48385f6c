// The script value and the typed forms the virtual machine uses around it.
//
// RValue is a real or a string. It owns its text (a memory-manager block); copying a value
// duplicates the text, moving it hands the text over, destroying it frees the text. A real value
// never allocates. The zero value (kind VALUE_REAL, text null, real 0.0) is all-zero bytes, so
// zero-filled memory from the memory manager already holds valid zero values.
//
// Layout: kind, text, real, in this order (24 bytes on a 64-bit machine). RValue is trivially
// relocatable: its bytes may be moved to other memory with memcpy as long as the source is then
// forgotten rather than destroyed (the value stack, argument slots and array rows rely on this).
// RValue::LoadRaw / RValue::StoreRaw do that for unaligned byte addresses.
//
// The type codes are the 4-bit tags of stack items and instruction operands. Conversions and
// comparisons below work on raw item bytes as they sit on the value stack, so the machine can call
// them without unpacking items first.
#pragma once
#include <cstddef>
#include <climits>
#include <cstdint>
#include <cstring>
#include <type_traits>

enum : int32_t {
  VALUE_REAL = 0,
  VALUE_STRING = 1,
};

class RValue {
 public:
  int32_t kind;
  char* text;  // owned; null means the empty string; always null for a real
  double real;

  RValue() noexcept : kind(VALUE_REAL), text(nullptr), real(0.0) {}
  explicit RValue(double value) noexcept : kind(VALUE_REAL), text(nullptr), real(value) {}
  // Any other number (int, bool, float ...) makes a real; RValue(0) is real 0, not a null text.
  template <class T, std::enable_if_t<std::is_arithmetic_v<T>, int> = 0>
  explicit RValue(T value) noexcept : kind(VALUE_REAL), text(nullptr), real(static_cast<double>(value)) {}
  // A string value holding a copy of `value` (null gives the empty string, text null).
  explicit RValue(const char* value);
  RValue(const RValue& other) : kind(other.kind), text(nullptr), real(other.real) {
    if (other.text != nullptr) text = DupText(other.text);
  }
  RValue(RValue&& other) noexcept : kind(other.kind), text(other.text), real(other.real) {
    other.kind = VALUE_REAL;
    other.text = nullptr;
    other.real = 0.0;
  }
  RValue& operator=(const RValue& other) {
    if (this == &other) return *this;
    // Duplicate first: `other` may live inside the block this value is about to free.
    char* copy = other.text != nullptr ? DupText(other.text) : nullptr;
    FreeText();
    kind = other.kind;
    text = copy;
    real = other.real;
    return *this;
  }
  RValue& operator=(RValue&& other) noexcept {
    if (this == &other) return *this;
    FreeText();
    kind = other.kind;
    text = other.text;
    real = other.real;
    other.kind = VALUE_REAL;
    other.text = nullptr;
    other.real = 0.0;
    return *this;
  }
  ~RValue() { FreeText(); }

  static RValue Real(double value) { return RValue(value); }
  static RValue String(const char* value) { return RValue(value); }
  // A string value that takes ownership of `owned` (a memory-manager block, or null) without copying.
  static RValue AdoptString(char* owned);

  bool IsReal() const { return kind == VALUE_REAL; }
  bool IsString() const { return kind == VALUE_STRING; }
  // The text of a string value; "" for a null text or a non-string value.
  const char* Str() const { return (kind == VALUE_STRING && text != nullptr) ? text : ""; }

  // Become the zero value (frees the text).
  void Reset() {
    FreeText();
    kind = VALUE_REAL;
    real = 0.0;
  }
  void SetReal(double value) {
    FreeText();
    kind = VALUE_REAL;
    real = value;
  }
  // Become a string holding a copy of `value`.
  void SetString(const char* value);
  // Become a string owning `owned` (no copy).
  void AdoptText(char* owned) {
    FreeText();
    kind = VALUE_STRING;
    text = owned;
    real = 0.0;
  }
  // Hands the text over to the caller (who must free it) and leaves the value real 0.
  char* ReleaseText() {
    char* t = text;
    text = nullptr;
    kind = VALUE_REAL;
    real = 0.0;
    return t;
  }

  // Raw access for stack memory that may be unaligned. LoadRaw moves the value out of `src` (the
  // bytes there are then no longer an owner); StoreRaw moves `value` into `dst` (which must not hold
  // an owning value), leaving `value` the zero value.
  static RValue LoadRaw(const void* src) {
    RValue v;
    std::memcpy(static_cast<void*>(&v), src, sizeof(RValue));
    return v;
  }
  static void StoreRaw(void* dst, RValue&& value) {
    std::memcpy(dst, static_cast<const void*>(&value), sizeof(RValue));
    value.kind = VALUE_REAL;
    value.text = nullptr;
    value.real = 0.0;
  }

 private:
  void FreeText() {
    if (text != nullptr) {
      FreeTextBlock(text);
      text = nullptr;
    }
  }
  static char* DupText(const char* text);
  static void FreeTextBlock(char* text);
};

static_assert(sizeof(RValue) == 24, "RValue is kind, text pointer, real");
static_assert(offsetof(RValue, kind) == 0 && offsetof(RValue, text) == 8 && offsetof(RValue, real) == 16);

// ---- Type codes -------------------------------------------------------------------------------

enum VMType : uint8_t {
  VM_DOUBLE = 0,
  VM_FLOAT = 1,
  VM_INT = 2,
  VM_LONG = 3,
  VM_BOOL = 4,
  VM_VARIABLE = 5,
  VM_STRING = 6,
  VM_IMM16 = 15,  // operand only: a 16-bit immediate in the instruction word, pushed as VM_INT
};

// True for the codes that name a type (0..6 and 15).
inline bool VMTypeIsValid(int code) { return (code >= 0 && code <= 6) || code == 15; }
// The suffix the instruction listing prints (".d" ... ".e"); "" for codes that name no type.
const char* VMTypeSuffix(int code);
// Width of a stack item of this type on this machine: 8, 4, 4, 8, 4, sizeof(RValue), sizeof(char*);
// 0 for the immediate and for codes that name no type.
int VMTypeStackWidth(int code);
// Width of an instruction operand of this type: 8, 4, 4, 8, 4, 4, 4, and 0 for the immediate and for
// codes that name no type.
int VMTypeOperandWidth(int code);

// ---- Errors the value layer reports to the machine ----------------------------------------------

enum class ValueError : uint8_t {
  None = 0,
  Malformed,        // "Malformed variable"
  Conversion,       // "DoConv :: Execution Error"
  ComparisonType,   // "DoSet :: Invalid comparison type"
};
// The message of an error ("" for None).
const char* ValueErrorMessage(ValueError error);

// ---- Scalar conversions (one cell of the conversion table each) ---------------------------------

// Plain cast toward zero; NaN and values outside the 32-bit range give -2147483648.
inline int32_t RealToInt(double x) {
  // The range test is written so that NaN fails it.
  if (x > -2147483649.0 && x < 2147483648.0) return static_cast<int32_t>(x);
  return INT32_MIN;
}
// Plain cast toward zero; NaN and values outside the 64-bit range give INT64_MIN.
int64_t RealToLong(double x);
// Rounds to the nearest float; magnitudes beyond the float range become infinities.
float RealToFloat(double x);
// The boolean test of a number: strictly greater than one half.
inline bool RealToBool(double x) { return x > 0.5; }

// Number texts: freshly allocated memory-manager strings ("%g", "%d", "%lld", "true"/"false").
char* RealToString(double x);
char* IntToString(int32_t x);
char* LongToString(int64_t x);
char* BoolToString(bool x);

// Text to number as the C library's atof / atoi / atol: leading white space skipped, the longest
// valid prefix read, 0 when there is none; null reads as "". Integers saturate at their range.
double StringToReal(const char* text);
int32_t StringToInt(const char* text);
int64_t StringToLong(const char* text);
// True only for the exact text "true".
bool StringToBool(const char* text);

// ---- Conversions on stack items -----------------------------------------------------------------

// The type a variable item behaves as: VM_DOUBLE for a real, VM_STRING for a string; Malformed for
// any other kind.
ValueError UnwrapKind(int32_t kind, VMType* type);

// The `conv` instruction on raw item bytes. `src` holds an item of type `from` (a whole RValue for
// VM_VARIABLE, a char* for VM_STRING), `dst` receives an item of type `to`; the two may overlap
// (the source is fully read before the destination is written). A string source is consumed: its
// text is freed after reading it, or moved into the result (to VM_VARIABLE) without copying.
// A conversion to the same type after unwrapping, or any code outside 0..6, gives Conversion and
// leaves `src` untouched; a malformed variable gives Malformed.
ValueError ConvertItem(VMType from, const void* src, VMType to, void* dst);

// Frees what a stack item owns: the text of a string item or of a variable holding a string.
void ReleaseItem(VMType type, void* item);
// Makes an RValue of a stack item, as a store into a variable takes it: double, float, int, long
// and bool items become reals, a string item a string (its text moves), a variable item is taken as
// it is (its text moves). False for the other codes, leaving *out untouched.
bool ItemToValue(VMType type, const void* item, RValue* out);

// ---- Comparison ----------------------------------------------------------------------------------

enum CompareOp : uint8_t { CMP_LT, CMP_LE, CMP_EQ, CMP_NE, CMP_GE, CMP_GT };

// The tolerance numeric comparisons use.
constexpr double kCompareEpsilon = 1e-5;

// Judges d = left - right against the tolerance.
inline bool CompareReal(double left, double right, CompareOp op) {
  double d = left - right;
  switch (op) {
    case CMP_LT: return d < -kCompareEpsilon;
    case CMP_LE: return d <= kCompareEpsilon;
    case CMP_EQ: return d > -kCompareEpsilon && d < kCompareEpsilon;
    case CMP_NE: return d < -kCompareEpsilon || d > kCompareEpsilon;
    case CMP_GE: return d >= -kCompareEpsilon;
    case CMP_GT: return d > kCompareEpsilon;
  }
  return false;
}

// Exact comparison of two integers.
inline bool CompareInt(int64_t left, int64_t right, CompareOp op) {
  switch (op) {
    case CMP_LT: return left < right;
    case CMP_LE: return left <= right;
    case CMP_EQ: return left == right;
    case CMP_NE: return left != right;
    case CMP_GE: return left >= right;
    case CMP_GT: return left > right;
  }
  return false;
}

// strcmp on unsigned bytes; null is "".
bool CompareString(const char* left, const char* right, CompareOp op);
// Sign of the byte-wise comparison (<0, 0, >0); null is "".
int CompareText(const char* left, const char* right);

// The comparison instructions on raw item bytes (`left` is the item below `right`). Comparable
// pairs, in either order: double with double, int or long; int with int or bool; bool with bool;
// string with string (variables unwrapped first). Other pairs give ComparisonType and *result false.
// The texts of string operands (plain or in variables) are freed in every case.
ValueError CompareItems(VMType leftType, const void* left, VMType rightType, const void* right,
                        CompareOp op, bool* result);

// ---- Truth --------------------------------------------------------------------------------------

// A value's truth: a real when greater than one half, a string when exactly "true".
bool ValueIsTrue(const RValue& value);

// ---- Printing for diagnostics -------------------------------------------------------------------

// Somewhere to write diagnostic text (the console, a report buffer).
class CTextOutput {
 public:
  virtual ~CTextOutput() = default;
  virtual void Write(const char* text, size_t length) = 0;
  void Write(const char* text) { Write(text, text ? std::strlen(text) : 0); }
  void Printf(const char* format, ...) __attribute__((format(printf, 2, 3)));
};

// Writes to the console.
class CConsoleOutput : public CTextOutput {
 public:
  void Write(const char* text, size_t length) override;
  using CTextOutput::Write;
};

// Collects text in a growable memory-manager buffer, always zero-terminated.
class CTextBuffer : public CTextOutput {
 public:
  explicit CTextBuffer(size_t initialCapacity = 256);
  ~CTextBuffer() override;
  CTextBuffer(const CTextBuffer&) = delete;
  CTextBuffer& operator=(const CTextBuffer&) = delete;
  void Write(const char* text, size_t length) override;
  using CTextOutput::Write;
  const char* Text() const { return m_text; }
  size_t Length() const { return m_length; }
  void Clear();

 private:
  char* m_text;
  size_t m_length;
  size_t m_capacity;
};

// A whole real in full: "%d" within 32 bits, "%lld" within 64 bits, "%.0f" beyond. Writes into
// `buffer` (at least 64 bytes) and returns it. The value must be finite and integral.
char* FormatIntegralReal(double x, char* buffer, size_t size);
// True for a finite real without fraction.
bool RealIsIntegral(double x);

// A value as error reports show it: a whole real in full (as above), any other real "%f", a string
// "\"%s\"".
void PrintValue(const RValue& value, CTextOutput& out);
