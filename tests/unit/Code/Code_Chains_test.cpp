#include "Code/Code_Chains.h"

#include <gtest/gtest.h>

#include "Code/Code_Compiler.h"
#include "CompilerTestSupport.h"

using namespace Compiler;

namespace {

uint32_t WordAt(const std::vector<uint8_t>& bytes, uint32_t at) {
  uint32_t w = 0;
  for (int i = 0; i < 4; ++i) w |= uint32_t(bytes[at + i]) << (8 * i);
  return w;
}

}  // namespace

TEST(Chains, OccurrencesChainAcrossUnitsInFileOrder) {
  CompilerTest::World world;
  const CompileHooks hooks = world.Hooks();
  // A: 0 push.v b; 8 pop a; 16 push.v a; 24 call show_message; 32 popz
  CompileResult a = Compile("a = b; show_message(a)", hooks);
  // B: 0 push.e 1; 4 pop b; 12 push.v b; 20 call show_message; 28 popz
  CompileResult b = Compile("b = 1; show_message(b)", hooks);
  // C: 0 push.s p; 8 pop c; 16 push.s q; 24 pop d
  CompileResult c = Compile("c = 'p'; d = 'q'", hooks);
  ASSERT_TRUE(a.ok && b.ok && c.ok);

  ChainedCode out;
  std::string error;
  const auto strings = [](const std::string& s) { return s == "p" ? 7u : 9u; };
  // B is placed after C in the list but before it in the file: chains follow the file.
  ASSERT_TRUE(BuildChains({{&a.code, 100}, {&c.code, 300}, {&b.code, 200}}, strings, out, error))
      << error;

  ASSERT_GE(out.variables.size(), 2u);
  EXPECT_EQ(out.variables[0].name, "b");
  EXPECT_EQ(out.variables[0].count, 3u);
  EXPECT_EQ(out.variables[0].firstOccurrence, 100u);
  EXPECT_EQ(out.variables[1].name, "a");
  EXPECT_EQ(out.variables[1].count, 2u);
  EXPECT_EQ(out.variables[1].firstOccurrence, 108u);

  const uint32_t plain = 0xA0000000u;  // no index, selector in the immediate
  EXPECT_EQ(WordAt(out.bytes[0], 4), plain | 104u);  // b: 100 -> 204
  EXPECT_EQ(WordAt(out.bytes[2], 8), plain | 8u);    // b: 204 -> 212
  EXPECT_EQ(WordAt(out.bytes[2], 16), plain | 0u);   // last b
  EXPECT_EQ(WordAt(out.bytes[0], 12), plain | 8u);   // a: 108 -> 116
  EXPECT_EQ(WordAt(out.bytes[0], 20), plain | 0u);

  ASSERT_EQ(out.functions.size(), 1u);
  EXPECT_EQ(out.functions[0].name, "show_message");
  EXPECT_EQ(out.functions[0].count, 2u);
  EXPECT_EQ(out.functions[0].firstOccurrence, 124u);
  EXPECT_EQ(WordAt(out.bytes[0], 28), 96u);  // 124 -> 220
  EXPECT_EQ(WordAt(out.bytes[2], 24), 0u);

  EXPECT_EQ(WordAt(out.bytes[1], 4), 7u);
  EXPECT_EQ(WordAt(out.bytes[1], 20), 9u);
  // The compiled units themselves are untouched.
  EXPECT_EQ(WordAt(a.code.bytes, 4), plain | 100001u);
}

TEST(Chains, OverlappingUnitsAreRefused) {
  CompilerTest::World world;
  CompileResult a = Compile("a = 1", world.Hooks());
  ASSERT_TRUE(a.ok);
  ChainedCode out;
  std::string error;
  const auto strings = [](const std::string&) { return 0u; };
  EXPECT_FALSE(BuildChains({{&a.code, 100}, {&a.code, 104}}, strings, out, error));
  EXPECT_FALSE(error.empty());
  EXPECT_TRUE(BuildChains({{&a.code, 100}, {&a.code, 112}}, strings, out, error));
}
