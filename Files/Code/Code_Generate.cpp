#include "Code/Code_Generate.h"

#include <cmath>
#include <cstring>
#include <iterator>
#include <string_view>
#include <unordered_map>

#include "Code/Code_CompileHooks.h"
#include "Code/Code_Opcodes.h"

namespace Compiler {

void VMWriteBuffer::Double(double value) {
  int64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  Int64(bits);
}

uint32_t VMWriteBuffer::WordAt(uint32_t offset) const {
  uint32_t w = 0;
  for (int i = 0; i < 4; ++i) w |= static_cast<uint32_t>(bytes_[offset + i]) << (8 * i);
  return w;
}

namespace {

using namespace VM;

constexpr uint8_t kNoType = 15;  // what an empty type stack yields
constexpr int kTwoIndexStride = 32000;

struct GenerateFailure {
  const char* message;
  int position;
};

// The type of every value the generated code has left on the stack.
class TypeStack {
 public:
  void Push(uint8_t type) {
    types_.push_back(type);
    if (static_cast<int>(types_.size()) > highWater_) highWater_ = static_cast<int>(types_.size());
  }
  uint8_t Pop() {
    if (types_.empty()) return kNoType;
    const uint8_t t = types_.back();
    types_.pop_back();
    return t;
  }
  uint8_t Top() const { return types_.empty() ? kNoType : types_.back(); }
  size_t Depth() const { return types_.size(); }
  int HighWater() const { return highWater_; }

 private:
  std::vector<uint8_t> types_;
  int highWater_ = 0;
};

// A branch target: placed once; branches emitted before that are patched when it is placed.
struct Label {
  explicit Label(const char* n) : name(n) {}
  const char* name;  // for diagnostics only
  int64_t position = -1;
  // Offsets of the branches waiting for the label: the first few in place, the rest beside.
  uint32_t pending[4];
  uint32_t pendingCount = 0;
  std::vector<uint32_t> morePending;
};

// What break and continue refer to inside the statement being generated.
struct Context {
  enum Kind { Loop, With, Switch } kind;
  Label* breakLabel;
  Label* continueLabel;  // null for a switch: continue goes to the enclosing loop
  uint8_t switchType;    // type of the switch value kept on the stack
  bool breakUsed = false;
};

bool IsComparison(TokenKind op) {
  return op == TokenKind::Less || op == TokenKind::LessEqual || op == TokenKind::Equal ||
         op == TokenKind::NotEqual || op == TokenKind::GreaterEqual || op == TokenKind::Greater;
}
bool IsLogical(TokenKind op) {
  return op == TokenKind::And || op == TokenKind::Or || op == TokenKind::Xor;
}
bool IsBitwise(TokenKind op) {
  return op == TokenKind::BitAnd || op == TokenKind::BitOr || op == TokenKind::BitXor;
}

uint8_t BinaryOpcode(TokenKind op) {
  switch (op) {
    case TokenKind::Plus: case TokenKind::AssignPlus: return OP_ADD;
    case TokenKind::Minus: case TokenKind::AssignMinus: return OP_SUB;
    case TokenKind::Times: case TokenKind::AssignTimes: return OP_MUL;
    case TokenKind::Divide: case TokenKind::AssignDivide: return OP_DIV;
    case TokenKind::Div: return OP_REM;
    case TokenKind::Mod: return OP_MOD;
    case TokenKind::And: case TokenKind::BitAnd: case TokenKind::AssignAnd: return OP_AND;
    case TokenKind::Or: case TokenKind::BitOr: case TokenKind::AssignOr: return OP_OR;
    case TokenKind::Xor: case TokenKind::BitXor: case TokenKind::AssignXor: return OP_XOR;
    case TokenKind::ShiftLeft: return OP_SHL;
    case TokenKind::ShiftRight: return OP_SHR;
    case TokenKind::Less: return OP_SLT;
    case TokenKind::LessEqual: return OP_SLE;
    case TokenKind::Equal: return OP_SEQ;
    case TokenKind::NotEqual: return OP_SNE;
    case TokenKind::GreaterEqual: return OP_SGE;
    default: return OP_SGT;
  }
}

enum class ConstantForm { Imm16, Int, Long, Double };

ConstantForm FormOf(double v) {
  if (std::isfinite(v) && v == std::trunc(v)) {
    if (v >= -32768.0 && v <= 32767.0) return ConstantForm::Imm16;
    if (v >= -2147483648.0 && v <= 2147483647.0) return ConstantForm::Int;
    if (v >= -9223372036854775808.0 && v < 9223372036854775808.0) return ConstantForm::Long;
  }
  return ConstantForm::Double;
}

// Operand types the arithmetic routines of the machine accept: a boolean becomes an int and a
// long becomes a double (only doubles, ints, strings and variables combine).
uint8_t ArithmeticOperand(uint8_t t) {
  if (t == TYPE_BOOL) return TYPE_INT;
  if (t == TYPE_LONG) return TYPE_DOUBLE;
  return t;
}

uint8_t ArithmeticResult(uint8_t left, uint8_t right) {
  if (left == TYPE_VARIABLE || right == TYPE_VARIABLE) return TYPE_VARIABLE;
  if (left == TYPE_STRING || right == TYPE_STRING) return TYPE_STRING;
  if (left == TYPE_DOUBLE || right == TYPE_DOUBLE) return TYPE_DOUBLE;
  return TYPE_INT;
}

// The operand types a binary operator is given after the generator's conversions.
std::pair<uint8_t, uint8_t> OperandTypes(TokenKind op, uint8_t left, uint8_t right) {
  if (IsLogical(op)) return {TYPE_BOOL, TYPE_BOOL};
  if (IsComparison(op)) {
    // Longs compare as doubles; a boolean compares with ints and booleans only, so against
    // anything else it is compared as an int.
    if (left == TYPE_LONG) left = TYPE_DOUBLE;
    if (right == TYPE_LONG) right = TYPE_DOUBLE;
    if (left == TYPE_BOOL && right != TYPE_BOOL && right != TYPE_INT) left = TYPE_INT;
    if (right == TYPE_BOOL && left != TYPE_BOOL && left != TYPE_INT) right = TYPE_INT;
    return {left, right};
  }
  if (IsBitwise(op) && left == TYPE_BOOL && right == TYPE_BOOL) return {left, right};
  left = ArithmeticOperand(left);
  right = ArithmeticOperand(right);
  // "/" divides reals: two ints would divide with truncation, so the divisor becomes a double.
  if (op == TokenKind::Divide && left == TYPE_INT && right == TYPE_INT) right = TYPE_DOUBLE;
  return {left, right};
}

// The type an expression leaves on the stack; mirrors the generator below.
uint8_t TypeOf(const Expr& e) {
  switch (e.kind) {
    case ExprKind::Constant:
      if (e.value.isString) return TYPE_STRING;
      switch (FormOf(e.value.real)) {
        case ConstantForm::Imm16:
        case ConstantForm::Int: return TYPE_INT;
        case ConstantForm::Long: return TYPE_LONG;
        case ConstantForm::Double: return TYPE_DOUBLE;
      }
      return TYPE_DOUBLE;
    case ExprKind::Variable:
    case ExprKind::Call:
      return TYPE_VARIABLE;
    case ExprKind::Unary: {
      if (e.op == TokenKind::Not) return TYPE_BOOL;
      const uint8_t t = TypeOf(*e.left);
      if (e.op == TokenKind::Plus) return t;
      return t == TYPE_BOOL ? static_cast<uint8_t>(TYPE_INT) : t;
    }
    case ExprKind::Binary: {
      if (IsLogical(e.op) || IsComparison(e.op)) return TYPE_BOOL;
      const auto [l, r] = OperandTypes(e.op, TypeOf(*e.left), TypeOf(*e.right));
      if (l == TYPE_BOOL && r == TYPE_BOOL) return TYPE_BOOL;
      return ArithmeticResult(l, r);
    }
  }
  return TYPE_VARIABLE;
}

class Generator {
 public:
  Generator(CompiledCode& out, size_t tokenCount) : out_(out) {
    code_.Reserve(tokenCount * 4);  // game code gives about four bytes of code per token
  }

  void Statements(Span<Stmt*> list) {
    for (const Stmt* s : list) Statement(*s);
  }

  void ValueOf(const Expr& e) {
    Position(e.position);
    Expression(e);
    ToVariable();
    Emit(Encode(OP_RET, TYPE_VARIABLE));
    types_.Pop();
  }

  void Finish() {
    out_.bytes = code_.Take();
    out_.maxStackItems = types_.HighWater();
  }

 private:
  // ---- emission helpers -------------------------------------------------------------------------

  uint32_t Here() const { return code_.Size(); }
  void Emit(uint32_t word) { code_.Word(word); }

  void Position(int position) {
    const uint32_t offset = Here();
    if (!out_.positions.empty() && out_.positions.back().first == offset) {
      out_.positions.back().second = static_cast<uint32_t>(position);
    } else if (out_.positions.empty() ||
               out_.positions.back().second != static_cast<uint32_t>(position)) {
      out_.positions.emplace_back(offset, static_cast<uint32_t>(position));
    }
  }

  static int32_t WordDistance(int64_t target, int64_t from, int position) {
    const int64_t words = (target - from) / 4;
    if (!BranchOffsetFits(static_cast<int32_t>(words)) || words != static_cast<int32_t>(words)) {
      throw GenerateFailure{"Code is too large.", position};
    }
    return static_cast<int32_t>(words);
  }

  void Branch(uint8_t opcode, Label& label) {
    const uint32_t at = Here();
    if (label.position >= 0) {
      Emit(EncodeBranch(opcode, WordDistance(label.position, at, position_)));
    } else {
      if (label.pendingCount < std::size(label.pending)) label.pending[label.pendingCount++] = at;
      else label.morePending.push_back(at);
      Emit(EncodeBranch(opcode, 0));
    }
  }

  void Place(Label& label) {
    label.position = Here();
    for (uint32_t i = 0; i < label.pendingCount; ++i) Patch(label, label.pending[i]);
    for (uint32_t at : label.morePending) Patch(label, at);
    label.pendingCount = 0;
    label.morePending.clear();
  }

  // Points the branch at `at` to the placed label.
  void Patch(const Label& label, uint32_t at) {
    const uint32_t word = code_.WordAt(at);
    const int32_t words = WordDistance(label.position, at, position_);
    code_.PatchWord(at, (word & 0xFF000000u) | (static_cast<uint32_t>(words) & 0x00FFFFFFu));
  }

  void Convert(uint8_t from, uint8_t to) {
    Emit(Encode(OP_CONV, from, to));
    types_.Pop();
    types_.Push(to);
  }
  void ConvertTopTo(uint8_t to) {
    if (types_.Top() != to) Convert(types_.Top(), to);
  }
  void ToBool() { ConvertTopTo(TYPE_BOOL); }
  void ToInt() { ConvertTopTo(TYPE_INT); }
  void ToVariable() { ConvertTopTo(TYPE_VARIABLE); }

  void PushInt(int32_t value) {  // "push" ".i" with a 4-byte operand
    Emit(Encode(OP_PUSH, TYPE_INT));
    code_.Int32(value);
    types_.Push(TYPE_INT);
  }

  // For each name (by its number, Expr::nameIndex): 1 + its entry in a symbol list, 0 for none.
  using NameIndex = std::vector<uint32_t>;

  void UseSymbol(std::vector<SymbolUse>& list, NameIndex& index, const Expr& e) {
    if (e.nameIndex >= index.size()) index.resize(std::max<size_t>(e.nameIndex + 1, index.size() * 2));
    uint32_t& entry = index[e.nameIndex];
    if (entry == 0) {
      list.push_back(SymbolUse{std::string(e.name), e.id, {}});
      list.back().offsets.reserve(8);  // most names are used a few times: one allocation
      entry = static_cast<uint32_t>(list.size());
    }
    list[entry - 1].offsets.push_back(Here());
  }

  // ---- expressions ------------------------------------------------------------------------------

  void Constant(const TreeConstant& c) {
    if (c.isString) {
      const auto [it, added] = stringIndex_.try_emplace(c.text, out_.strings.size());
      if (added) out_.strings.emplace_back(c.text);
      out_.stringUses.push_back(Here());
      Emit(Encode(OP_PUSH, TYPE_STRING));
      code_.Int32(static_cast<int32_t>(it->second));
      types_.Push(TYPE_STRING);
      return;
    }
    const double v = c.real;
    switch (FormOf(v)) {
      case ConstantForm::Imm16:
        Emit(Encode(OP_PUSH, TYPE_IMM16, 0, static_cast<uint16_t>(static_cast<int16_t>(v))));
        types_.Push(TYPE_INT);
        return;
      case ConstantForm::Int:
        PushInt(static_cast<int32_t>(v));
        return;
      case ConstantForm::Long:
        Emit(Encode(OP_PUSH, TYPE_LONG));
        code_.Int64(static_cast<int64_t>(v));
        types_.Push(TYPE_LONG);
        return;
      case ConstantForm::Double:
        Emit(Encode(OP_PUSH, TYPE_DOUBLE));
        code_.Double(v);
        types_.Push(TYPE_DOUBLE);
        return;
    }
  }

  // Emits the selector and index parts of a variable access and returns the reference flags and
  // the immediate; the computed parts (selector, then index) are left on the stack.
  struct Access {
    uint32_t flags = 0;
    uint16_t immediate = 0;
    int stackItems = 0;
  };

  Access AccessPrefix(const Expr& v) {
    Access a;
    if (v.selectorKnown) {
      const int64_t sel = v.selector;
      // An instance id travels as id - 100000 in the immediate, which the machine reads unsigned.
      if (sel >= kInstanceIdBase && sel - kInstanceIdBase <= 65535) {
        a.flags |= kRefImmediateSel | kRefInstanceBias;
        a.immediate = static_cast<uint16_t>(sel - kInstanceIdBase);
      } else if (sel >= -32768 && sel <= 32767) {
        a.flags |= kRefImmediateSel;
        a.immediate = static_cast<uint16_t>(static_cast<int16_t>(sel));
      } else {
        // Not representable in the 16-bit immediate: pass it on the stack instead.
        PushInt(static_cast<int32_t>(sel));
        a.stackItems++;
      }
    } else {
      Expression(*v.instance);
      ToInt();
      a.stackItems++;
    }
    if (v.args.empty()) {
      a.flags |= kRefNoIndex;
    } else {
      Expression(*v.args[0]);
      ToInt();
      if (v.args.size() == 2) {
        PushInt(kTwoIndexStride);
        Emit(Encode(OP_MUL, TYPE_INT, TYPE_INT));
        types_.Pop();
        Expression(*v.args[1]);
        ToInt();
        Emit(Encode(OP_ADD, TYPE_INT, TYPE_INT));
        types_.Pop();
      }
      a.stackItems++;
    }
    return a;
  }

  void ReadVariable(const Expr& v) {
    const Access a = AccessPrefix(v);
    Position(v.position);
    UseSymbol(out_.variables, variableIndex_, v);
    Emit(Encode(OP_PUSH, TYPE_VARIABLE, 0, a.immediate));
    code_.Word(EncodeVariableRef(a.flags, v.id));
    for (int i = 0; i < a.stackItems; ++i) types_.Pop();
    types_.Push(TYPE_VARIABLE);
  }

  // Stores the value on top of the stack into the variable.
  void WriteVariable(const Expr& v) {
    const Access a = AccessPrefix(v);
    for (int i = 0; i < a.stackItems; ++i) types_.Pop();
    const uint8_t valueType = types_.Pop();
    UseSymbol(out_.variables, variableIndex_, v);
    Emit(Encode(OP_POP, TYPE_VARIABLE, valueType, a.immediate));
    code_.Word(EncodeVariableRef(a.flags, v.id));
  }

  void Call(const Expr& call) {
    for (size_t i = call.args.size(); i-- > 0;) {  // argument 0 ends up on top
      Expression(*call.args[i]);
      ToVariable();
    }
    Position(call.position);
    UseSymbol(out_.functions, functionIndex_, call);
    Emit(Encode(OP_CALL, TYPE_INT, 0, static_cast<uint16_t>(call.args.size())));
    code_.Int32(call.id);
    for (size_t i = 0; i < call.args.size(); ++i) types_.Pop();
    types_.Push(TYPE_VARIABLE);
  }

  void Expression(const Expr& e) {
    switch (e.kind) {
      case ExprKind::Constant:
        Constant(e.value);
        return;
      case ExprKind::Variable:
        ReadVariable(e);
        return;
      case ExprKind::Call:
        Call(e);
        return;
      case ExprKind::Unary:
        Expression(*e.left);
        switch (e.op) {
          case TokenKind::Plus:
            return;
          case TokenKind::Not:  // logical: the operand's truth, inverted
            ToBool();
            Emit(Encode(OP_NOT, TYPE_BOOL, TYPE_BOOL));
            return;
          default: {  // "-" and "~" work on numbers; a boolean takes part as 0 or 1
            if (types_.Top() == TYPE_BOOL) Convert(TYPE_BOOL, TYPE_INT);
            // The operand's type goes into both nibbles so that listings show it once per form.
            Emit(Encode(e.op == TokenKind::Minus ? OP_NEG : OP_NOT, types_.Top(), types_.Top()));
            return;
          }
        }
      case ExprKind::Binary: {
        const auto [wantLeft, wantRight] = OperandTypes(e.op, TypeOf(*e.left), TypeOf(*e.right));
        Expression(*e.left);
        ConvertTopTo(wantLeft);
        Expression(*e.right);
        ConvertTopTo(wantRight);
        Emit(Encode(BinaryOpcode(e.op), wantRight, wantLeft));
        types_.Pop();
        types_.Pop();
        // Comparisons always push a boolean; no conversion follows them.
        if (IsLogical(e.op) || IsComparison(e.op) || (wantLeft == TYPE_BOOL && wantRight == TYPE_BOOL)) {
          types_.Push(TYPE_BOOL);
        } else {
          types_.Push(ArithmeticResult(wantLeft, wantRight));
        }
        return;
      }
    }
  }

  void Condition(const Expr& e) {
    Expression(e);
    ToBool();
  }

  // ---- statements -------------------------------------------------------------------------------

  // Every statement leaves the stack as it found it; a difference is a fault of the generator
  // and is refused rather than producing code that corrupts the machine's stack.
  void Statement(const Stmt& s) {
    const size_t depth = types_.Depth();
    StatementBody(s);
    if (types_.Depth() != depth) throw GenerateFailure{"Internal compiler error: unbalanced stack.", s.position};
  }

  void StatementBody(const Stmt& s) {
    position_ = s.position;
    switch (s.kind) {
      case StmtKind::Empty:
      case StmtKind::Var:
      case StmtKind::GlobalVar:
      case StmtKind::Case:      // labels are placed by their switch
      case StmtKind::Default:
        return;
      case StmtKind::Block:
        Statements(s.list);
        return;
      case StmtKind::Call:
        Position(s.position);
        Call(*s.expr);
        Emit(Encode(OP_POPZ, TYPE_VARIABLE));
        types_.Pop();
        return;
      case StmtKind::Assign:
        Position(s.position);
        Assign(s);
        return;
      case StmtKind::If: {
        Position(s.position);
        Label elseLabel("Else"), end("End");
        Condition(*s.expr);
        Branch(OP_BF, elseLabel);
        types_.Pop();
        Statement(*s.body);
        if (s.elseBody) {
          Branch(OP_B, end);
          Place(elseLabel);
          Statement(*s.elseBody);
          Place(end);
        } else {
          Place(elseLabel);
        }
        return;
      }
      case StmtKind::While: {
        Label repeat("Repeat"), end("End");
        Place(repeat);
        Position(s.position);
        Condition(*s.expr);
        Branch(OP_BF, end);
        types_.Pop();
        Loop(Context::Loop, end, &repeat, *s.body);
        Branch(OP_B, repeat);
        Place(end);
        return;
      }
      case StmtKind::DoUntil: {
        Label repeat("Repeat"), test("Until"), end("End");
        Place(repeat);
        Loop(Context::Loop, end, &test, *s.body);
        Place(test);
        Position(s.expr->position);
        Condition(*s.expr);
        Branch(OP_BF, repeat);
        types_.Pop();
        Place(end);
        return;
      }
      case StmtKind::For: {
        Label start("Start"), repeat("Repeat"), end("End");
        Statement(*s.init);
        Place(start);
        Position(s.expr->position);
        Condition(*s.expr);
        Branch(OP_BF, end);
        types_.Pop();
        Loop(Context::Loop, end, &repeat, *s.body);
        Place(repeat);
        Statement(*s.step);
        Branch(OP_B, start);
        Place(end);
        return;
      }
      case StmtKind::Repeat: {
        Label repeat("Repeat"), countDown("CountDown"), end("End");
        Position(s.position);
        Expression(*s.expr);
        ToInt();
        Emit(Encode(OP_DUP, TYPE_INT));
        types_.Push(TYPE_INT);
        PushInt(0);
        Emit(Encode(OP_SLE, TYPE_INT, TYPE_INT));
        types_.Pop();
        types_.Pop();
        types_.Push(TYPE_BOOL);
        Branch(OP_BT, end);
        types_.Pop();
        Place(repeat);
        Loop(Context::Loop, end, &countDown, *s.body);
        Place(countDown);
        PushInt(1);
        Emit(Encode(OP_SUB, TYPE_INT, TYPE_INT));
        types_.Pop();
        Emit(Encode(OP_DUP, TYPE_INT));
        types_.Push(TYPE_INT);
        Convert(TYPE_INT, TYPE_BOOL);
        Branch(OP_BT, repeat);
        types_.Pop();
        Place(end);
        Emit(Encode(OP_POPZ, TYPE_INT));
        types_.Pop();
        return;
      }
      case StmtKind::With: {
        Label start("Start"), popEnv("PopEnv"), end("End"), cleanUp("CleanUpEnd");
        Position(s.position);
        Expression(*s.expr);
        ToInt();
        Branch(OP_PUSHENV, popEnv);
        types_.Pop();
        Place(start);
        const bool broke = Loop(Context::With, end, &popEnv, *s.body);
        Place(popEnv);
        Branch(OP_POPENV, start);
        if (broke) {
          Branch(OP_B, cleanUp);
          Place(end);
          Emit(EncodePopEnvDrop());
          Place(cleanUp);
        }
        return;
      }
      case StmtKind::Switch:
        Switch(s);
        return;
      case StmtKind::Exit:
        Position(s.position);
        Emit(Encode(OP_EXIT, TYPE_INT));
        return;
      case StmtKind::Return:
        Position(s.position);
        Expression(*s.expr);
        ToVariable();
        Emit(Encode(OP_RET, TYPE_VARIABLE));
        types_.Pop();
        return;
      case StmtKind::Break:
        if (!contexts_.empty()) {
          Position(s.position);
          contexts_.back().breakUsed = true;
          Branch(OP_B, *contexts_.back().breakLabel);
        }
        return;
      case StmtKind::Continue:
        Continue(s);
        return;
    }
  }

  // Generates a loop body with its break and continue targets; returns whether break was used.
  bool Loop(Context::Kind kind, Label& breakLabel, Label* continueLabel, const Stmt& body) {
    contexts_.push_back(Context{kind, &breakLabel, continueLabel, 0});
    Statement(body);
    const bool broke = contexts_.back().breakUsed;
    contexts_.pop_back();
    return broke;
  }

  // continue goes to the innermost loop or with; the values of the switches it leaves on the way
  // are popped first so that the loop finds its own stack. Outside any loop it does nothing.
  void Continue(const Stmt& s) {
    size_t target = contexts_.size();
    while (target > 0 && contexts_[target - 1].kind == Context::Switch) --target;
    if (target == 0) return;
    Position(s.position);
    for (size_t i = contexts_.size(); i > target; --i) {
      Emit(Encode(OP_POPZ, contexts_[i - 1].switchType));
    }
    Branch(OP_B, *contexts_[target - 1].continueLabel);
  }

  void Switch(const Stmt& s) {
    Position(s.position);
    Expression(*s.expr);
    // Booleans and longs are compared as ints and doubles so that every case value can meet them.
    const uint8_t raw = types_.Top();
    if (raw == TYPE_BOOL) Convert(TYPE_BOOL, TYPE_INT);
    if (raw == TYPE_LONG) Convert(TYPE_LONG, TYPE_DOUBLE);
    const uint8_t valueType = types_.Top();

    std::vector<std::unique_ptr<Label>> labels;  // one per case or default, in body order
    Label end("End");
    for (const Stmt* child : s.list) {
      if (child->kind == StmtKind::Case) {
        labels.push_back(std::make_unique<Label>("Switch Clause"));
        Position(child->position);
        Emit(Encode(OP_DUP, valueType));
        types_.Push(valueType);
        Expression(*child->expr);
        if (types_.Top() == TYPE_BOOL) Convert(TYPE_BOOL, TYPE_INT);
        if (types_.Top() == TYPE_LONG) Convert(TYPE_LONG, TYPE_DOUBLE);
        const uint8_t caseType = types_.Pop();
        types_.Pop();
        Emit(Encode(OP_SEQ, caseType, valueType));
        types_.Push(TYPE_BOOL);
        Branch(OP_BT, *labels.back());
        types_.Pop();
      } else if (child->kind == StmtKind::Default) {
        labels.push_back(std::make_unique<Label>("Switch Default"));
        Branch(OP_B, *labels.back());
      }
    }
    Branch(OP_B, end);
    contexts_.push_back(Context{Context::Switch, &end, nullptr, valueType});
    size_t next = 0;
    for (const Stmt* child : s.list) {
      if (child->kind == StmtKind::Case || child->kind == StmtKind::Default) {
        Place(*labels[next++]);
      } else {
        Statement(*child);
      }
    }
    contexts_.pop_back();
    Place(end);
    Emit(Encode(OP_POPZ, valueType));
    types_.Pop();
  }

  void Assign(const Stmt& s) {
    const Expr& target = *s.target;
    if (s.assignOp == TokenKind::Assign) {
      Expression(*s.expr);
      WriteVariable(target);
      return;
    }
    // x op= e: read x (with its selector and index), apply op with e, write back to the same
    // variable, selector and index (the selector and index expressions are evaluated again).
    ReadVariable(target);
    const auto [wantLeft, wantRight] = OperandTypes(s.assignOp, TYPE_VARIABLE, TypeOf(*s.expr));
    Expression(*s.expr);
    ConvertTopTo(wantRight);
    Emit(Encode(BinaryOpcode(s.assignOp), wantRight, wantLeft));
    types_.Pop();
    types_.Pop();
    types_.Push(TYPE_VARIABLE);
    WriteVariable(target);
  }

  CompiledCode& out_;
  VMWriteBuffer code_;
  TypeStack types_;
  std::vector<Context> contexts_;
  NameIndex variableIndex_;
  NameIndex functionIndex_;
  std::unordered_map<std::string_view, size_t> stringIndex_;
  int position_ = 0;
};

}  // namespace

bool Generate(const Program& program, CompiledCode& out, CompileProblem& problem) {
  out = CompiledCode();
  out.localNames.assign(program.localNames.begin(), program.localNames.end());
  try {
    Generator generator(out, program.tokenCount);
    if (program.expression) {
      if (program.expression->kind == ExprKind::Constant) {
        out.isConstant = true;
        const TreeConstant& c = program.expression->value;
        out.constant = c.isString ? CompileConstant::Text(std::string(c.text)) : CompileConstant::Real(c.real);
      }
      generator.ValueOf(*program.expression);
    } else {
      generator.Statements(program.statements);
    }
    generator.Finish();
  } catch (const GenerateFailure& failure) {
    problem.message = failure.message;
    problem.position = failure.position;
    out = CompiledCode();
    return false;
  }
  return true;
}

}  // namespace Compiler
