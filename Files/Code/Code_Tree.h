// The syntax tree that the parser builds, the folder simplifies and the generator lowers.
//
// Every node lives in the program's arena and is freed with it in one go; nodes hold no owning
// members, so nothing is destroyed node by node. Names and string values view the code text, the
// texts classification keeps, or characters copied into the arena.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <type_traits>
#include <vector>

#include "Code/Code_Token.h"

namespace Compiler {

// A bump allocator for tree nodes, lists and texts; everything goes when the arena goes.
class Arena {
 public:
  // A new value-initialised T; T must not need a destructor.
  template <typename T>
  T* New() {
    static_assert(std::is_trivially_destructible_v<T>);
    return new (Allocate(sizeof(T), alignof(T))) T();
  }
  // A copy of `count` items; T must not need a destructor.
  template <typename T>
  T* Copy(const T* items, size_t count) {
    static_assert(std::is_trivially_copyable_v<T>);
    if (count == 0) return nullptr;
    T* out = static_cast<T*>(Allocate(sizeof(T) * count, alignof(T)));
    for (size_t i = 0; i < count; ++i) out[i] = items[i];
    return out;
  }
  std::string_view CopyText(std::string_view text) {
    if (text.empty()) return {};
    char* out = static_cast<char*>(Allocate(text.size(), 1));
    for (size_t i = 0; i < text.size(); ++i) out[i] = text[i];
    return {out, text.size()};
  }

 private:
  void* Allocate(size_t size, size_t align) {
    const size_t pad = static_cast<size_t>(-reinterpret_cast<uintptr_t>(next_)) & (align - 1);
    if (next_ == nullptr || pad + size > left_) return AllocateInNewBlock(size, align);
    void* out = next_ + pad;
    next_ += pad + size;
    left_ -= pad + size;
    return out;
  }
  void* AllocateInNewBlock(size_t size, size_t align);

  std::vector<std::unique_ptr<char[]>> blocks_;
  char* next_ = nullptr;
  size_t left_ = 0;
};

// A list of arena items. It has no member initialisers, so that it can share bytes in a node:
// declare it with "= {}" for an empty list.
template <typename T>
struct Span {
  T* items;
  uint32_t count;

  T* begin() const { return items; }
  T* end() const { return items + count; }
  size_t size() const { return count; }
  bool empty() const { return count == 0; }
  T& operator[](size_t i) const { return items[i]; }
};

// A constant in the tree: a real or a string (viewed, see above).
struct TreeConstant {
  bool isString = false;
  double real = 0.0;
  std::string_view text;
};

// Compile-time instance selectors of variables.
constexpr int kSelectorSelf = -1;
constexpr int kSelectorOther = -2;
constexpr int kSelectorAll = -3;
constexpr int kSelectorNoone = -4;
constexpr int kSelectorGlobal = -5;
constexpr int kSelectorPlainName = -6;
constexpr int kSelectorLocal = -7;

enum class ExprKind : uint8_t { Constant, Variable, Call, Unary, Binary };

// A large program has hundreds of thousands of nodes: the fields are ordered so that a node has no
// holes, and the fields of different kinds of node share bytes. Arena::New zero-fills a node
// first, so a new node's shared fields are all empty.
struct Expr {
  ExprKind kind = ExprKind::Constant;
  TokenKind op = TokenKind::End;  // Unary, Binary
  bool selectorKnown = false;     // Variable, see below
  int position = 0;  // character offset of the token that gives this node (operator, name, literal)
  int depth = 1;     // height of this subtree; the parser bounds it

  // Variable: name and id; `instance` is the expression on the left of "." (none for a plain name).
  // After folding, `selectorKnown` says whether `selector` holds a compile-time instance selector.
  // Call: name, id and the arguments in `args`. Variable: the indices (0, 1 or 2) in `args`.
  int id = 0;
  uint32_t nameIndex = 0;  // the name's number among the code's distinct names (Token::name)
  int selector = 0;
  std::string_view name;
  union {
    TreeConstant value = {};  // Constant
    Span<Expr*> args;         // Variable, Call
  };
  union {
    Expr* instance = nullptr;  // Variable
    Expr* left;                // Unary (the operand), Binary
  };
  Expr* right = nullptr;  // Binary
};

// Limits that keep every pass within the native stack; deeper code is refused with "Code is
// nested too deeply.". The parser recurses through about a dozen functions per parenthesis or
// nested statement, the later passes through one to three per tree level.
constexpr int kMaxParseNesting = 200;  // parentheses and statements inside statements
constexpr int kMaxNesting = 1000;      // height of an expression tree

enum class StmtKind : uint8_t {
  Empty,
  Block,
  Call,
  If,
  While,
  DoUntil,
  For,
  Repeat,
  With,
  Switch,
  Case,
  Default,
  Exit,
  Break,
  Continue,
  Return,
  Var,
  GlobalVar,
  Assign,
};

struct Stmt {
  StmtKind kind = StmtKind::Empty;
  TokenKind assignOp = TokenKind::Assign;  // Assign
  bool caseConstant = false;  // Case: the label's value is a constant
  int position = 0;
  // Condition (If, While, DoUntil, For), count (Repeat), target (With), value (Switch, Case,
  // Return, Assign), the call (Call).
  Expr* expr = nullptr;
  Expr* target = nullptr;    // Assign: the variable written
  Stmt* body = nullptr;      // If (then), While, DoUntil, For, Repeat, With
  Stmt* elseBody = nullptr;  // If
  Stmt* init = nullptr;      // For
  Stmt* step = nullptr;      // For
  Span<Stmt*> list = {};              // Block, Switch (its body, labels included)
  Span<std::string_view> names = {};  // Var, GlobalVar
  Span<int> ids = {};                 // Var, GlobalVar
};

// A parsed piece of code: the statements and the names it declares local with var. The arena
// holds every node.
struct Program {
  std::unique_ptr<Arena> arena = std::make_unique<Arena>();
  Span<Stmt*> statements = {};
  std::vector<std::string_view> localNames;
  std::vector<uint32_t> localNameIndices;  // their Token::name numbers
  Expr* expression = nullptr;  // set instead of statements when compiled as one expression
  size_t tokenCount = 0;       // tokens parsed: the code generator sizes its buffer from it
};

}  // namespace Compiler
