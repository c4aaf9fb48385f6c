// The builder as a process: reference chains across code entries, errors with file, line and
// column, nothing written on failure, and source-text games.
#include "PackTestSupport.h"

TEST_F(Pack, ReferencesAcrossCodeEntriesAreChainedAndStringsShared) {
  File("game.json", R"({"name": "chains",
    "scripts": [{"name": "first", "file": "first.tss"}, {"name": "second", "file": "second.tss"}]})");
  File("first.tss", "counter = 1; show_debug_message(\"same\");");
  File("second.tss", "counter = counter + 2; show_debug_message(\"same\"); show_debug_message(counter);");
  Result b = Build();
  ASSERT_EQ(b.exitCode, 0) << b.out;
  Result d = Shell(dump + " --code " + (dir / "out.win").string());
  ASSERT_EQ(d.exitCode, 0) << d.out;
  // Every occurrence of the variable and the function must link to its name: "counter" is written
  // in the first entry and read, written and read in the second (four uses); three calls.
  size_t vars = 0, calls = 0, at = 0;
  while ((at = d.out.find("$counter$", at)) != std::string::npos) ++vars, ++at;
  at = 0;
  while ((at = d.out.find("call.i    show_debug_message", at)) != std::string::npos) ++calls, ++at;
  EXPECT_EQ(vars, 4u) << d.out;
  EXPECT_EQ(calls, 3u);
  EXPECT_NE(d.out.find("Code 1: second"), std::string::npos);
  Result s = Shell(dump + " " + (dir / "out.win").string());
  EXPECT_NE(s.out.find("  CODE "), std::string::npos);
}

TEST_F(Pack, ErrorsNameFileLineAndColumnAndWriteNothing) {
  File("game.json", R"({"name": "bad", "scripts": [{"name": "s", "file": "s.tss"}]})");
  File("s.tss", "a = 1;\nb = (2 + ;\n");
  Result b = Build();
  EXPECT_EQ(b.exitCode, 1);
  EXPECT_NE(b.out.find((dir / "s.tss").string() + ":2:"), std::string::npos) << b.out;
  EXPECT_FALSE(fs::exists(dir / "out.win"));

  File("game.json", "{\"name\": \"bad\",\n  \"window\": { \"width\": 640,, }\n}");
  b = Build();
  EXPECT_EQ(b.exitCode, 1);
  EXPECT_NE(b.out.find("game.json:2:"), std::string::npos) << b.out;
  EXPECT_FALSE(fs::exists(dir / "out.win"));

  File("game.json", R"({"objects": [{"name": "o", "events": {"collision:nobody": {"code": ""}}}]})");
  b = Build();
  EXPECT_EQ(b.exitCode, 1);
  EXPECT_NE(b.out.find("no object named \"nobody\""), std::string::npos) << b.out;

  File("game.json", R"({"rooms": [{"name": "r", "instances": [{"object": "ghost"}]}]})");
  b = Build("--check");
  EXPECT_EQ(b.exitCode, 1);
  EXPECT_NE(b.out.find("no object named \"ghost\""), std::string::npos) << b.out;
}

TEST_F(Pack, ASourceGameCarriesNoBytecode) {
  File("game.json", R"({"name": "src", "scripts": [{"name": "s", "code": "x = 1;"}],
    "objects": [{"name": "o", "events": {"create": {"code": "y = 2;"}, "other:user3": {"code": ""}}}]})");
  Result b = Build("--source");
  ASSERT_EQ(b.exitCode, 0) << b.out;
  Result s = Shell(dump + " " + (dir / "out.win").string());
  EXPECT_EQ(s.out.find("  CODE "), std::string::npos) << s.out;
  EXPECT_NE(s.out.find("  SCPT "), std::string::npos);
  EXPECT_NE(s.out.find("  OBJT "), std::string::npos);
  Result check = Build("--check");
  EXPECT_EQ(check.exitCode, 0) << check.out;
}
