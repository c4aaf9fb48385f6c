#include "Variable/Variable_Value.h"

#include <cerrno>
#include <cfloat>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>

#include "Platform/Platform_Console.h"
#include "Platform/Platform_Memory.h"

// ---- RValue -------------------------------------------------------------------------------------

RValue::RValue(const char* value) : kind(VALUE_STRING), text(nullptr), real(0.0) {
  if (value != nullptr) text = MemDupString(value);
}

char* RValue::DupText(const char* text) { return MemDupString(text); }

void RValue::FreeTextBlock(char* text) { MemFree(text); }

RValue RValue::AdoptString(char* owned) {
  RValue v;
  v.kind = VALUE_STRING;
  v.text = owned;
  return v;
}

void RValue::SetString(const char* value) {
  char* copy = value != nullptr ? MemDupString(value) : nullptr;
  FreeText();
  kind = VALUE_STRING;
  text = copy;
  real = 0.0;
}

// ---- Type codes ---------------------------------------------------------------------------------

const char* VMTypeSuffix(int code) {
  switch (code) {
    case VM_DOUBLE: return ".d";
    case VM_FLOAT: return ".f";
    case VM_INT: return ".i";
    case VM_LONG: return ".l";
    case VM_BOOL: return ".b";
    case VM_VARIABLE: return ".v";
    case VM_STRING: return ".s";
    case VM_IMM16: return ".e";
    default: return "";
  }
}

int VMTypeStackWidth(int code) {
  switch (code) {
    case VM_DOUBLE: return 8;
    case VM_FLOAT: return 4;
    case VM_INT: return 4;
    case VM_LONG: return 8;
    case VM_BOOL: return 4;
    case VM_VARIABLE: return static_cast<int>(sizeof(RValue));
    case VM_STRING: return static_cast<int>(sizeof(char*));
    default: return 0;
  }
}

int VMTypeOperandWidth(int code) {
  switch (code) {
    case VM_DOUBLE: return 8;
    case VM_FLOAT: return 4;
    case VM_INT: return 4;
    case VM_LONG: return 8;
    case VM_BOOL: return 4;
    case VM_VARIABLE: return 4;
    case VM_STRING: return 4;
    default: return 0;
  }
}

const char* ValueErrorMessage(ValueError error) {
  switch (error) {
    case ValueError::None: return "";
    case ValueError::Malformed: return "Malformed variable";
    case ValueError::Conversion: return "DoConv :: Execution Error";
    case ValueError::ComparisonType: return "DoSet :: Invalid comparison type";
  }
  return "";
}

// ---- Scalar conversions -------------------------------------------------------------------------

int64_t RealToLong(double x) {
  if (x >= -9223372036854775808.0 && x < 9223372036854775808.0) return static_cast<int64_t>(x);
  return INT64_MIN;
}

float RealToFloat(double x) {
  if (std::isnan(x)) return std::nanf("");
  if (x > static_cast<double>(FLT_MAX) || x < -static_cast<double>(FLT_MAX)) {
    // Values that round to FLT_MAX still do; beyond the rounding boundary they overflow.
    constexpr double kBoundary = 3.4028235677973366e38;  // FLT_MAX + half an ulp
    if (x >= kBoundary) return INFINITY;
    if (x <= -kBoundary) return -INFINITY;
    return x > 0 ? FLT_MAX : -FLT_MAX;
  }
  return static_cast<float>(x);
}

namespace {

char* PrintToNew(const char* format, ...) __attribute__((format(printf, 1, 2)));
char* PrintToNew(const char* format, ...) {
  char buffer[64];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  return MemDupString(buffer);
}

const char* OrEmpty(const char* text) { return text != nullptr ? text : ""; }

}  // namespace

char* RealToString(double x) { return PrintToNew("%g", x); }
char* IntToString(int32_t x) { return PrintToNew("%d", x); }
char* LongToString(int64_t x) { return PrintToNew("%lld", static_cast<long long>(x)); }
char* BoolToString(bool x) { return MemDupString(x ? "true" : "false"); }

double StringToReal(const char* text) {
  // The longest prefix of the form [space][sign]digits[.digits][e[sign]digits]. Only decimal
  // numbers count: hexadecimal forms and words such as "nan" or "infinity" read as 0, so that text
  // beginning with letters always gives 0.
  const char* p = OrEmpty(text);
  while (*p == ' ' || (*p >= '\t' && *p <= '\r')) ++p;
  const char* start = p;
  if (*p == '+' || *p == '-') ++p;
  int digits = 0;
  while (*p >= '0' && *p <= '9') ++p, ++digits;
  if (*p == '.') {
    ++p;
    while (*p >= '0' && *p <= '9') ++p, ++digits;
  }
  if (digits == 0) return 0.0;
  if (*p == 'e' || *p == 'E') {
    const char* e = p + 1;
    if (*e == '+' || *e == '-') ++e;
    if (*e >= '0' && *e <= '9') {
      while (*e >= '0' && *e <= '9') ++e;
      p = e;
    }
  }
  size_t length = static_cast<size_t>(p - start);
  char local[128];
  char* number = length < sizeof local ? local : static_cast<char*>(MemAlloc(length + 1));
  std::memcpy(number, start, length);
  number[length] = '\0';
  double value = std::strtod(number, nullptr);
  if (number != local) MemFree(number);
  return value;
}

int64_t StringToLong(const char* text) {
  // strtoll skips white space, reads the longest prefix and saturates at the 64-bit range.
  return static_cast<int64_t>(std::strtoll(OrEmpty(text), nullptr, 10));
}

int32_t StringToInt(const char* text) {
  long long v = std::strtoll(OrEmpty(text), nullptr, 10);
  if (v > INT32_MAX) return INT32_MAX;
  if (v < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(v);
}

bool StringToBool(const char* text) { return text != nullptr && std::strcmp(text, "true") == 0; }

// ---- Conversions on stack items -----------------------------------------------------------------

ValueError UnwrapKind(int32_t kind, VMType* type) {
  if (kind == VALUE_REAL) {
    *type = VM_DOUBLE;
    return ValueError::None;
  }
  if (kind == VALUE_STRING) {
    *type = VM_STRING;
    return ValueError::None;
  }
  return ValueError::Malformed;
}

namespace {

template <class T>
T LoadAs(const void* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
template <class T>
void StoreAs(void* p, T v) {
  std::memcpy(p, &v, sizeof v);
}

// An item after unwrapping: its effective type and its payload.
struct Operand {
  VMType type;
  double d;
  float f;
  int32_t i;
  int64_t l;
  bool b;
  char* s;
};

ValueError ReadOperand(VMType type, const void* src, Operand* op) {
  *op = Operand{type, 0.0, 0.0f, 0, 0, false, nullptr};
  switch (type) {
    case VM_DOUBLE: op->d = LoadAs<double>(src); return ValueError::None;
    case VM_FLOAT: op->f = LoadAs<float>(src); return ValueError::None;
    case VM_INT: op->i = LoadAs<int32_t>(src); return ValueError::None;
    case VM_LONG: op->l = LoadAs<int64_t>(src); return ValueError::None;
    case VM_BOOL: op->b = (LoadAs<int32_t>(src) & 0xFF) != 0; return ValueError::None;
    case VM_STRING: op->s = LoadAs<char*>(src); return ValueError::None;
    case VM_VARIABLE: {
      const auto* bytes = static_cast<const unsigned char*>(src);
      int32_t kind = LoadAs<int32_t>(bytes + offsetof(RValue, kind));
      VMType t;
      ValueError e = UnwrapKind(kind, &t);
      if (e != ValueError::None) return e;
      op->type = t;
      if (t == VM_DOUBLE)
        op->d = LoadAs<double>(bytes + offsetof(RValue, real));
      else
        op->s = LoadAs<char*>(bytes + offsetof(RValue, text));
      return ValueError::None;
    }
    default: return ValueError::Conversion;
  }
}

void StoreVariable(void* dst, int32_t kind, char* text, double real) {
  auto* bytes = static_cast<unsigned char*>(dst);
  std::memset(bytes, 0, sizeof(RValue));
  StoreAs(bytes + offsetof(RValue, kind), kind);
  StoreAs(bytes + offsetof(RValue, text), text);
  StoreAs(bytes + offsetof(RValue, real), real);
}

void FreeOperandText(const Operand& op) {
  if (op.type == VM_STRING && op.s != nullptr) MemFree(op.s);
}

}  // namespace

ValueError ConvertItem(VMType from, const void* src, VMType to, void* dst) {
  if (to > VM_STRING) return ValueError::Conversion;
  Operand op;
  ValueError e = ReadOperand(from, src, &op);
  if (e != ValueError::None) return e;
  if (op.type == to) return ValueError::Conversion;

  switch (op.type) {
    case VM_DOUBLE: {
      double x = op.d;
      switch (to) {
        case VM_FLOAT: StoreAs(dst, RealToFloat(x)); break;
        case VM_INT: StoreAs(dst, RealToInt(x)); break;
        case VM_LONG: StoreAs(dst, RealToLong(x)); break;
        case VM_BOOL: StoreAs<int32_t>(dst, RealToBool(x) ? 1 : 0); break;
        case VM_VARIABLE: StoreVariable(dst, VALUE_REAL, nullptr, x); break;
        case VM_STRING: StoreAs(dst, RealToString(x)); break;
        default: return ValueError::Conversion;
      }
      return ValueError::None;
    }
    case VM_FLOAT: {
      double x = static_cast<double>(op.f);
      switch (to) {
        case VM_DOUBLE: StoreAs(dst, x); break;
        case VM_INT: StoreAs(dst, RealToInt(x)); break;
        case VM_LONG: StoreAs(dst, RealToLong(x)); break;
        case VM_BOOL: StoreAs<int32_t>(dst, RealToBool(x) ? 1 : 0); break;
        case VM_VARIABLE: StoreVariable(dst, VALUE_REAL, nullptr, x); break;
        case VM_STRING: StoreAs(dst, RealToString(x)); break;
        default: return ValueError::Conversion;
      }
      return ValueError::None;
    }
    case VM_INT: {
      int32_t x = op.i;
      switch (to) {
        case VM_DOUBLE: StoreAs(dst, static_cast<double>(x)); break;
        case VM_FLOAT: StoreAs(dst, static_cast<float>(x)); break;
        case VM_LONG: StoreAs(dst, static_cast<int64_t>(x)); break;
        case VM_BOOL: StoreAs<int32_t>(dst, x != 0 ? 1 : 0); break;
        case VM_VARIABLE: StoreVariable(dst, VALUE_REAL, nullptr, static_cast<double>(x)); break;
        case VM_STRING: StoreAs(dst, IntToString(x)); break;
        default: return ValueError::Conversion;
      }
      return ValueError::None;
    }
    case VM_LONG: {
      int64_t x = op.l;
      switch (to) {
        case VM_DOUBLE: StoreAs(dst, static_cast<double>(x)); break;
        case VM_FLOAT: StoreAs(dst, static_cast<float>(x)); break;
        case VM_INT: StoreAs(dst, static_cast<int32_t>(static_cast<uint32_t>(x))); break;
        case VM_BOOL: StoreAs<int32_t>(dst, x != 0 ? 1 : 0); break;
        case VM_VARIABLE: StoreVariable(dst, VALUE_REAL, nullptr, static_cast<double>(x)); break;
        case VM_STRING: StoreAs(dst, LongToString(x)); break;
        default: return ValueError::Conversion;
      }
      return ValueError::None;
    }
    case VM_BOOL: {
      bool x = op.b;
      switch (to) {
        case VM_DOUBLE: StoreAs(dst, x ? 1.0 : 0.0); break;
        case VM_FLOAT: StoreAs(dst, x ? 1.0f : 0.0f); break;
        case VM_INT: StoreAs<int32_t>(dst, x ? 1 : 0); break;
        case VM_LONG: StoreAs<int64_t>(dst, x ? 1 : 0); break;
        case VM_VARIABLE: StoreVariable(dst, VALUE_REAL, nullptr, x ? 1.0 : 0.0); break;
        case VM_STRING: StoreAs(dst, BoolToString(x)); break;
        default: return ValueError::Conversion;
      }
      return ValueError::None;
    }
    case VM_STRING: {
      char* s = op.s;
      if (to == VM_VARIABLE) {
        StoreVariable(dst, VALUE_STRING, s, 0.0);  // the text moves into the value
        return ValueError::None;
      }
      switch (to) {
        case VM_DOUBLE: StoreAs(dst, StringToReal(s)); break;
        case VM_FLOAT: StoreAs(dst, RealToFloat(StringToReal(s))); break;
        case VM_INT: StoreAs(dst, StringToInt(s)); break;
        case VM_LONG: StoreAs(dst, StringToLong(s)); break;
        case VM_BOOL: StoreAs<int32_t>(dst, StringToBool(s) ? 1 : 0); break;
        default: return ValueError::Conversion;
      }
      if (s != nullptr) MemFree(s);
      return ValueError::None;
    }
    default: return ValueError::Conversion;
  }
}

void ReleaseItem(VMType type, void* item) {
  if (type == VM_STRING) {
    char* s = LoadAs<char*>(item);
    if (s != nullptr) MemFree(s);
    StoreAs<char*>(item, nullptr);
  } else if (type == VM_VARIABLE) {
    RValue v = RValue::LoadRaw(item);  // freed when v goes
    StoreVariable(item, VALUE_REAL, nullptr, 0.0);
  }
}

bool ItemToValue(VMType type, const void* item, RValue* out) {
  switch (type) {
    case VM_DOUBLE: out->SetReal(LoadAs<double>(item)); return true;
    case VM_FLOAT: out->SetReal(static_cast<double>(LoadAs<float>(item))); return true;
    case VM_INT: out->SetReal(static_cast<double>(LoadAs<int32_t>(item))); return true;
    case VM_LONG: out->SetReal(static_cast<double>(LoadAs<int64_t>(item))); return true;
    case VM_BOOL: out->SetReal((LoadAs<int32_t>(item) & 0xFF) != 0 ? 1.0 : 0.0); return true;
    case VM_STRING: out->AdoptText(LoadAs<char*>(item)); return true;
    case VM_VARIABLE: *out = RValue::LoadRaw(item); return true;
    default: return false;
  }
}

// ---- Comparison ---------------------------------------------------------------------------------

int CompareText(const char* left, const char* right) {
  // strcmp compares the bytes as unsigned char.
  return std::strcmp(OrEmpty(left), OrEmpty(right));
}

bool CompareString(const char* left, const char* right, CompareOp op) {
  int c = CompareText(left, right);
  switch (op) {
    case CMP_LT: return c < 0;
    case CMP_LE: return c <= 0;
    case CMP_EQ: return c == 0;
    case CMP_NE: return c != 0;
    case CMP_GE: return c >= 0;
    case CMP_GT: return c > 0;
  }
  return false;
}

ValueError CompareItems(VMType leftType, const void* left, VMType rightType, const void* right,
                        CompareOp op, bool* result) {
  *result = false;
  Operand l, r;
  ValueError el = ReadOperand(leftType, left, &l);
  ValueError er = ReadOperand(rightType, right, &r);
  ValueError e = el != ValueError::None ? el : er;
  if (e == ValueError::Conversion) e = ValueError::ComparisonType;  // a code that names no type
  if (e == ValueError::None) {
    auto isInteger = [](VMType t) { return t == VM_INT || t == VM_BOOL; };
    auto integerOf = [](const Operand& o) -> int64_t { return o.type == VM_INT ? o.i : (o.b ? 1 : 0); };
    auto numberOf = [](const Operand& o) -> double {
      switch (o.type) {
        case VM_DOUBLE: return o.d;
        case VM_INT: return static_cast<double>(o.i);
        case VM_LONG: return static_cast<double>(o.l);
        default: return 0.0;
      }
    };
    VMType a = l.type, b = r.type;
    if (a == VM_STRING && b == VM_STRING) {
      *result = CompareString(l.s, r.s, op);
    } else if ((a == VM_DOUBLE && (b == VM_DOUBLE || b == VM_INT || b == VM_LONG)) ||
               (b == VM_DOUBLE && (a == VM_INT || a == VM_LONG))) {
      *result = CompareReal(numberOf(l), numberOf(r), op);
    } else if (isInteger(a) && isInteger(b)) {
      // int with int, int with bool, bool with bool: exact.
      *result = CompareInt(integerOf(l), integerOf(r), op);
    } else {
      e = ValueError::ComparisonType;
    }
  }
  if (el == ValueError::None) FreeOperandText(l);
  if (er == ValueError::None) FreeOperandText(r);
  return e;
}

// ---- Truth --------------------------------------------------------------------------------------

bool ValueIsTrue(const RValue& value) {
  if (value.kind == VALUE_STRING) return StringToBool(value.text);
  if (value.kind == VALUE_REAL) return RealToBool(value.real);
  return false;
}

// ---- Printing -----------------------------------------------------------------------------------

void CTextOutput::Printf(const char* format, ...) {
  char local[512];
  va_list args;
  va_start(args, format);
  va_list again;
  va_copy(again, args);
  int n = std::vsnprintf(local, sizeof local, format, args);
  va_end(args);
  if (n < 0) {
    va_end(again);
    return;
  }
  if (static_cast<size_t>(n) < sizeof local) {
    Write(local, static_cast<size_t>(n));
  } else {
    auto* big = static_cast<char*>(MemAlloc(static_cast<size_t>(n) + 1));
    std::vsnprintf(big, static_cast<size_t>(n) + 1, format, again);
    Write(big, static_cast<size_t>(n));
    MemFree(big);
  }
  va_end(again);
}

void CConsoleOutput::Write(const char* text, size_t length) {
  if (length > 0) Console::Output("%.*s", static_cast<int>(length), text);
}

CTextBuffer::CTextBuffer(size_t initialCapacity)
    : m_text(nullptr), m_length(0), m_capacity(initialCapacity < 16 ? 16 : initialCapacity) {
  m_text = static_cast<char*>(MemAlloc(m_capacity));
}

CTextBuffer::~CTextBuffer() { MemFree(m_text); }

void CTextBuffer::Write(const char* text, size_t length) {
  if (length == 0) return;
  if (m_length + length + 1 > m_capacity) {
    size_t cap = m_capacity * 2;
    if (cap < m_length + length + 1) cap = m_length + length + 1;
    m_text = static_cast<char*>(MemReAlloc(m_text, cap));
    m_capacity = cap;
  }
  std::memcpy(m_text + m_length, text, length);
  m_length += length;
  m_text[m_length] = '\0';
}

void CTextBuffer::Clear() {
  m_length = 0;
  m_text[0] = '\0';
}

bool RealIsIntegral(double x) { return std::isfinite(x) && x == std::trunc(x); }

char* FormatIntegralReal(double x, char* buffer, size_t size) {
  if (x >= -2147483648.0 && x <= 2147483647.0)
    std::snprintf(buffer, size, "%d", static_cast<int>(x));
  else if (x >= -9223372036854775808.0 && x < 9223372036854775808.0)
    std::snprintf(buffer, size, "%lld", static_cast<long long>(x));
  else
    std::snprintf(buffer, size, "%.0f", x);
  return buffer;
}

void PrintValue(const RValue& value, CTextOutput& out) {
  if (value.kind == VALUE_STRING) {
    out.Write("\"");
    out.Write(value.Str());
    out.Write("\"");
    return;
  }
  if (RealIsIntegral(value.real)) {
    char buffer[400];
    out.Write(FormatIntegralReal(value.real, buffer, sizeof buffer));
  } else {
    out.Printf("%f", value.real);
  }
}
