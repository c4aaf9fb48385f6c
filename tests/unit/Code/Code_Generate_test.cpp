#include "Code/Code_Generate.h"

#include <gtest/gtest.h>

#include "Code/Code_Compiler.h"
#include "Code/Code_Opcodes.h"
#include "CompilerListing.h"
#include "CompilerTestSupport.h"

using namespace Compiler;

namespace {

std::string Code(const std::string& text, CompileAs as = CompileAs::Statements) {
  CompilerTest::World world;
  CompileResult r = Compile(text, world.Hooks(), as);
  EXPECT_TRUE(r.ok) << text << ": " << r.problem.message << " at " << r.problem.position;
  return CompilerTest::Listing(r.code);
}

}  // namespace

TEST(Generate, ConstantsTakeTheNarrowestForm) {
  EXPECT_EQ(Code("a = 4"), "push.e 4; pop.v.i a@-6");
  EXPECT_EQ(Code("a = -32768"), "push.e -32768; pop.v.i a@-6");
  EXPECT_EQ(Code("a = 32768"), "push.i 32768; pop.v.i a@-6");
  EXPECT_EQ(Code("a = 40000"), "push.i 40000; pop.v.i a@-6");
  EXPECT_EQ(Code("a = 0.5"), "push.d 0.5; pop.v.d a@-6");
  EXPECT_EQ(Code("a = 10000000000"), "push.l 10000000000; pop.v.l a@-6");
  EXPECT_EQ(Code("a = 'hi'"), "push.s \"hi\"; pop.v.s a@-6");
  EXPECT_EQ(Code("a = b"), "push.v b@-6; pop.v.v a@-6");
}

TEST(Generate, ConstantOperandBytes) {
  CompilerTest::World world;
  CompileResult r = Compile("a = 40000", world.Hooks());
  ASSERT_TRUE(r.ok);
  // push.i: opcode 0xC0, type 2, then the 4-byte operand 40000 = 0x9C40.
  const std::vector<uint8_t> expected = {0x00, 0x00, 0x02, 0xC0, 0x40, 0x9C, 0x00, 0x00,
                                         // pop.v.i a@-6: type byte 0x25, immediate 0xFFFA,
                                         // reference: no index, immediate selector, id 100000
                                         0xFA, 0xFF, 0x25, 0x41, 0xA0, 0x86, 0x01, 0xA0};
  EXPECT_EQ(r.code.bytes, expected);
}

TEST(Generate, IfAndElse) {
  EXPECT_EQ(Code("if a b = 1"), "push.v a@-6; conv.v.b; bf 5; push.e 1; pop.v.i b@-6");
  EXPECT_EQ(Code("if a b = 1 else b = 2"),
            "push.v a@-6; conv.v.b; bf 6; push.e 1; pop.v.i b@-6; b 8; push.e 2; pop.v.i b@-6");
  // A comparison already leaves a boolean: no conversion follows it.
  EXPECT_EQ(Code("if a < 3 b = 1"),
            "push.v a@-6; push.e 3; slt.i.v; bf 6; push.e 1; pop.v.i b@-6");
}

TEST(Generate, WhileDoUntilAndFor) {
  EXPECT_EQ(Code("while a < 3 a += 1"),
            "push.v a@-6; push.e 3; slt.i.v; bf 9; push.v a@-6; push.e 1; add.i.v; "
            "pop.v.v a@-6; b 0");
  EXPECT_EQ(Code("do a -= 1 until a <= 0"),
            "push.v a@-6; push.e 1; sub.i.v; pop.v.v a@-6; push.v a@-6; push.e 0; sle.i.v; bf 0");
  EXPECT_EQ(Code("for (i = 0; i < 3; i += 1) s += i"),
            "push.e 0; pop.v.i i@-6; push.v i@-6; push.e 3; slt.i.v; bf 15; push.v s@-6; "
            "push.v i@-6; add.v.v; pop.v.v s@-6; push.v i@-6; push.e 1; add.i.v; pop.v.v i@-6; "
            "b 2");
}

TEST(Generate, RepeatKeepsItsCounterOnTheStack) {
  EXPECT_EQ(Code("repeat n a = 1"),
            "push.v n@-6; conv.v.i; dup.i; push.i 0; sle.i.i; bt 13; push.e 1; pop.v.i a@-6; "
            "push.i 1; sub.i.i; dup.i; conv.i.b; bt 6; popz.i");
  EXPECT_EQ(Code("repeat 3 {}"),
            "push.e 3; dup.i; push.i 0; sle.i.i; bt 10; push.i 1; sub.i.i; dup.i; conv.i.b; "
            "bt 5; popz.i");
}

TEST(Generate, WithAndItsBreakCleanUp) {
  EXPECT_EQ(Code("with obj_ball x = 1"), "push.e 4; pushenv 4; push.e 1; pop.v.i x@-6; popenv 2");
  EXPECT_EQ(Code("with all { if x break; y = 1 }"),
            "push.e -3; pushenv 8; push.v x@-6; conv.v.b; bf 6; b 10; push.e 1; pop.v.i y@-6; "
            "popenv 2; b 11; popenv drop");
  // A break of a loop inside the with does not need the clean-up path.
  EXPECT_EQ(Code("with b while 1 break"),
            "push.v b@-6; conv.v.i; pushenv 8; push.e 1; conv.i.b; bf 8; b 8; b 3; popenv 3")
      << "loop inside with";
}

TEST(Generate, SwitchWalksItsLabelsInOrder) {
  EXPECT_EQ(Code("switch a { case 1: b = 1; break; case 2: default: b = 2 }"),
            "push.v a@-6; dup.v; push.e 1; seq.i.v; bt 11; dup.v; push.e 2; seq.i.v; bt 14; "
            "b 14; b 16; push.e 1; pop.v.i b@-6; b 16; push.e 2; pop.v.i b@-6; popz.v");
  // Case labels after default are never tested: the walk jumps to default first.
  EXPECT_EQ(Code("switch a { default: b = 0; case 1: b = 1 }"),
            "push.v a@-6; b 7; dup.v; push.e 1; seq.i.v; bt 9; b 11; push.e 0; pop.v.i b@-6; "
            "push.e 1; pop.v.i b@-6; popz.v");
  // Without a matching case or default nothing runs and the value is popped.
  EXPECT_EQ(Code("switch 'k' { case 'j': b = 1 }"),
            "push.s \"k\"; dup.s; push.s \"j\"; seq.s.s; bt 6; b 8; push.e 1; pop.v.i b@-6; popz.s");
}

TEST(Generate, ExitReturnAndStrayBreakContinue) {
  EXPECT_EQ(Code("exit"), "exit.i");
  EXPECT_EQ(Code("return a + 1"), "push.v a@-6; push.e 1; add.i.v; ret.v");
  EXPECT_EQ(Code("return 1"), "push.e 1; conv.i.v; ret.v");
  EXPECT_EQ(Code("break; continue; a = 1"), "push.e 1; pop.v.i a@-6");
}

TEST(Generate, ContinueGoesToTheNextIteration) {
  EXPECT_EQ(Code("while a continue"), "push.v a@-6; conv.v.b; bf 5; b 0; b 0");
  // In repeat, continue counts down; in do-until it runs the test.
  EXPECT_EQ(Code("repeat 2 continue"),
            "push.e 2; dup.i; push.i 0; sle.i.i; bt 11; b 6; push.i 1; sub.i.i; dup.i; conv.i.b; "
            "bt 5; popz.i");
  EXPECT_EQ(Code("do continue until a"), "b 1; push.v a@-6; conv.v.b; bf 0");
  EXPECT_EQ(Code("for (i = 0; i; i += 1) continue"),
            "push.e 0; pop.v.i i@-6; push.v i@-6; conv.v.b; bf 11; b 6; push.v i@-6; push.e 1; "
            "add.i.v; pop.v.v i@-6; b 2");
  EXPECT_EQ(Code("with other continue"), "push.e -2; pushenv 3; b 3; popenv 2");
  // Leaving a switch by continue first pops the switch value.
  EXPECT_EQ(Code("while a { switch b { case 1: continue } }"),
            "push.v a@-6; conv.v.b; bf 13; push.v b@-6; dup.v; push.e 1; seq.i.v; bt 9; b 11; "
            "popz.v; b 0; popz.v; b 0");
  // A continue in a switch outside any loop does nothing.
  EXPECT_EQ(Code("switch b { case 1: continue }"),
            "push.v b@-6; dup.v; push.e 1; seq.i.v; bt 6; b 6; popz.v");
}

TEST(Generate, VariableSelectorsAndIndices) {
  EXPECT_EQ(Code("other.a = 1"), "push.e 1; pop.v.i a@-2");
  EXPECT_EQ(Code("global.g = 1"), "push.e 1; pop.v.i g@-5");
  EXPECT_EQ(Code("obj_ball.a[2] = 1"), "push.e 1; push.e 2; pop.v.i a@4[]");
  EXPECT_EQ(Code("(100005).a = 1"), "push.e 1; pop.v.i a@id100005");
  EXPECT_EQ(Code("(165535).a = 1"), "push.e 1; pop.v.i a@id165535");
  EXPECT_EQ(Code("(165536).a = 1"), "push.e 1; push.i 165536; pop.v.i a@stack");
  EXPECT_EQ(Code("(-40000).a = 1"), "push.e 1; push.i -40000; pop.v.i a@stack");
  EXPECT_EQ(Code("(3.5).a = 1"), "push.e 1; pop.v.i a@4");
  EXPECT_EQ(Code("(2.5).a = 1"), "push.e 1; pop.v.i a@2");
  EXPECT_EQ(Code("b.a = 1"), "push.e 1; push.v b@-6; conv.v.i; pop.v.i a@stack");
  // Object 40000 does not fit the 16-bit immediate and is passed on the stack.
  EXPECT_EQ(Code("obj_far.a = 1"), "push.e 1; push.i 40000; pop.v.i a@stack");
  EXPECT_EQ(Code("c = a[i, 2]"),
            "push.v i@-6; conv.v.i; push.i 32000; mul.i.i; push.e 2; add.i.i; push.v a@-6[]; "
            "pop.v.v c@-6");
  EXPECT_EQ(Code("c = b.a[1]"), "push.v b@-6; conv.v.i; push.e 1; push.v a@stack[]; pop.v.v c@-6");
  EXPECT_EQ(Code("var t; t = x"), "push.v x@-6; pop.v.v t@-7");
  EXPECT_EQ(Code("t = 1; var t"), "push.e 1; pop.v.i t@-7");
}

TEST(Generate, CallsPushArgumentZeroLast) {
  EXPECT_EQ(Code("show_message('hi')"), "push.s \"hi\"; conv.s.v; call.i show_message(1); popz.v");
  EXPECT_EQ(Code("a = point(1, b)"),
            "push.v b@-6; push.e 1; conv.i.v; call.i point(2); pop.v.v a@-6");
  EXPECT_EQ(Code("a = max()"), "call.i max(0); pop.v.v a@-6");
}

TEST(Generate, CompoundAssignmentReadsAndWritesTheSameElement) {
  EXPECT_EQ(Code("a[i] += 2"),
            "push.v i@-6; conv.v.i; push.v a@-6[]; push.e 2; add.i.v; push.v i@-6; conv.v.i; "
            "pop.v.v a@-6[]");
  EXPECT_EQ(Code("other.a -= 1"), "push.v a@-2; push.e 1; sub.i.v; pop.v.v a@-2");
  EXPECT_EQ(Code("a *= 2; a /= b; a |= 1; a &= 2; a ^= c"),
            "push.v a@-6; push.e 2; mul.i.v; pop.v.v a@-6; push.v a@-6; push.v b@-6; div.v.v; "
            "pop.v.v a@-6; push.v a@-6; push.e 1; or.i.v; pop.v.v a@-6; push.v a@-6; push.e 2; "
            "and.i.v; pop.v.v a@-6; push.v a@-6; push.v c@-6; xor.v.v; pop.v.v a@-6");
  EXPECT_EQ(Code("a += b < c"),
            "push.v a@-6; push.v b@-6; push.v c@-6; slt.v.v; conv.b.i; add.i.v; pop.v.v a@-6");
}

TEST(Generate, OperatorsAndTheirConversions) {
  EXPECT_EQ(Code("a = -b"), "push.v b@-6; neg.v.v; pop.v.v a@-6");
  EXPECT_EQ(Code("a = !b"), "push.v b@-6; conv.v.b; not.b.b; pop.v.b a@-6");
  EXPECT_EQ(Code("a = ~b"), "push.v b@-6; not.v.v; pop.v.v a@-6");
  EXPECT_EQ(Code("a = +b"), "push.v b@-6; pop.v.v a@-6");
  EXPECT_EQ(Code("a = b and c"),
            "push.v b@-6; conv.v.b; push.v c@-6; conv.v.b; and.b.b; pop.v.b a@-6");
  EXPECT_EQ(Code("a = b div c mod 2"),
            "push.v b@-6; push.v c@-6; rem.v.v; push.e 2; mod.i.v; pop.v.v a@-6");
  EXPECT_EQ(Code("a = b << 2 | c"),
            "push.v b@-6; push.e 2; shl.i.v; push.v c@-6; or.v.v; pop.v.v a@-6");
  // A boolean takes part in arithmetic as 0 or 1, and "/" always divides as reals.
  EXPECT_EQ(Code("a = (b < c) + 1"),
            "push.v b@-6; push.v c@-6; slt.v.v; conv.b.i; push.e 1; add.i.i; pop.v.i a@-6");
  EXPECT_EQ(Code("a = (b < c) / 2"),
            "push.v b@-6; push.v c@-6; slt.v.v; conv.b.i; push.e 2; conv.i.d; div.d.i; "
            "pop.v.d a@-6");
  EXPECT_EQ(Code("a = (b < c) == d"),
            "push.v b@-6; push.v c@-6; slt.v.v; conv.b.i; push.v d@-6; seq.v.i; pop.v.b a@-6");
  EXPECT_EQ(Code("a = (b < c) == (d > e)"),
            "push.v b@-6; push.v c@-6; slt.v.v; push.v d@-6; push.v e@-6; sgt.v.v; seq.b.b; "
            "pop.v.b a@-6");
  EXPECT_EQ(Code("a = b + 10000000000"),
            "push.v b@-6; push.l 10000000000; conv.l.d; add.d.v; pop.v.v a@-6");
}

TEST(Generate, ExpressionCodeReturnsItsValue) {
  CompilerTest::World world;
  CompileResult r = Compile("2 + 3", world.Hooks(), CompileAs::Expression);
  ASSERT_TRUE(r.ok);
  EXPECT_TRUE(r.code.isConstant);
  EXPECT_EQ(r.code.constant, CompileConstant::Real(5));
  EXPECT_EQ(CompilerTest::Listing(r.code), "push.e 5; conv.i.v; ret.v");
  EXPECT_EQ(Code("b * 2", CompileAs::Expression), "push.v b@-6; push.e 2; mul.i.v; ret.v");
}

TEST(Generate, SymbolListsGiveEveryReferringInstruction) {
  CompilerTest::World world;
  CompileResult r = Compile("a = 'x'; b = a; show_message('x' + b); a = 'y'", world.Hooks());
  ASSERT_TRUE(r.ok);
  // 0 push.s x; 8 pop a; 16 push.v a; 24 pop b; 32 push.s x; 40 push.v b; 48 add.v.s;
  // 52 call; 60 popz; 64 push.s y; 72 pop a
  ASSERT_EQ(r.code.variables.size(), 2u);
  EXPECT_EQ(r.code.variables[0].name, "a");
  EXPECT_EQ(r.code.variables[0].id, 100000);
  EXPECT_EQ(r.code.variables[0].offsets, (std::vector<uint32_t>{8, 16, 72}));
  EXPECT_EQ(r.code.variables[1].name, "b");
  EXPECT_EQ(r.code.variables[1].offsets, (std::vector<uint32_t>{24, 40}));
  ASSERT_EQ(r.code.functions.size(), 1u);
  EXPECT_EQ(r.code.functions[0].name, "show_message");
  EXPECT_EQ(r.code.functions[0].id, 3);
  EXPECT_EQ(r.code.functions[0].offsets, (std::vector<uint32_t>{52}));
  EXPECT_EQ(r.code.strings, (std::vector<std::string>{"x", "y"}));
  EXPECT_EQ(r.code.stringUses, (std::vector<uint32_t>{0, 32, 64}));
  EXPECT_EQ(r.code.bytes.size(), 80u);
}

TEST(Generate, PositionsMapStatementsToTheirSource) {
  CompilerTest::World world;
  CompileResult r = Compile("a = 1;\nb = 2", world.Hooks());
  ASSERT_TRUE(r.ok);
  const std::vector<std::pair<uint32_t, uint32_t>> expected = {{0, 0}, {12, 7}};
  EXPECT_EQ(r.code.positions, expected);
}

// A program that mixes the statement forms, so that branch targets, label order, folding and the
// symbol lists are checked together. Instruction numbers are given in the comments.
TEST(Generate, VariedProgramListing) {
  const std::string program =
      "var i; s = 'a' + 'b';\n"
      "for (i = 0; i < 2; i += 1) { switch i { case 0: continue; default: s += i * 2 } }\n"
      "with all if x break\n"
      "show_message('ab'); a[1, j] = -3; repeat 2 exit";
  const std::string expected =
      // 0: the folded string
      "push.s \"ab\"; pop.v.s s@-6; "
      // 2: for: init, 4: test, 8: switch, 15: case 0 (continue), 17: default, 23: end of switch,
      // 24: step, 29: after the loop
      "push.e 0; pop.v.i i@-7; push.v i@-7; push.e 2; slt.i.v; bf 29; "
      "push.v i@-7; dup.v; push.e 0; seq.i.v; bt 15; b 17; b 23; popz.v; b 24; "
      "push.v s@-6; push.v i@-7; push.e 2; mul.i.v; add.v.v; pop.v.v s@-6; popz.v; "
      "push.v i@-7; push.e 1; add.i.v; pop.v.v i@-7; b 4; "
      // 29: with: 31 body, 35 next instance, 37 clean-up after break, 38 after the with
      "push.e -3; pushenv 35; push.v x@-6; conv.v.b; bf 35; b 37; popenv 31; b 38; popenv drop; "
      // 38: the call, 42: the two-index store of the folded -3
      "push.s \"ab\"; conv.s.v; call.i show_message(1); popz.v; "
      "push.e -3; push.e 1; push.i 32000; mul.i.i; push.v j@-6; conv.v.i; add.i.i; pop.v.i a@-6[]; "
      // 50: repeat: 55 body, 56 count-down, 61 popping the counter
      "push.e 2; dup.i; push.i 0; sle.i.i; bt 61; exit.i; push.i 1; sub.i.i; dup.i; conv.i.b; "
      "bt 55; popz.i";
  CompilerTest::World world;
  CompileResult r = Compile(program, world.Hooks());
  ASSERT_TRUE(r.ok) << r.problem.message << " at " << r.problem.position;
  EXPECT_EQ(CompilerTest::Listing(r.code), expected);
  std::vector<std::string> names;
  for (const SymbolUse& v : r.code.variables) names.push_back(v.name);
  // In order of the first referring instruction: j is read (46) before a is written (49).
  EXPECT_EQ(names, (std::vector<std::string>{"s", "i", "x", "j", "a"}));
  ASSERT_EQ(r.code.functions.size(), 1u);
  EXPECT_EQ(r.code.functions[0].name, "show_message");
  EXPECT_EQ(r.code.strings, (std::vector<std::string>{"ab"}));
  EXPECT_EQ(r.code.stringUses.size(), 2u);
  EXPECT_EQ(r.code.localNames, (std::vector<std::string>{"i"}));
}
