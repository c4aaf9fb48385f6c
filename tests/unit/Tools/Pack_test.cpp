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

namespace {

// A manifest the builder must refuse, and a text its message must hold.
struct Refusal {
  const char* manifest;
  const char* says;
};

}  // namespace

TEST_F(Pack, UnknownKeysAndEntriesThatAreNotObjectsAreRefusedWithTheirPlace) {
  const Refusal cases[] = {
      {R"j({"objekts": [{"name": "o"}]})j", "game.json: unknown key \"objekts\" at the top level (did you mean \"objects\"?)"},
      {R"j({"window": {"widht": 3}})j", "unknown key \"widht\" in window (did you mean \"width\"?)"},
      {R"j({"scripts": [{"name": "s", "code": "", "args": 2}]})j", "unknown key \"args\" in scripts[s]"},
      {R"j({"objects": [{"name": "o", "sprit": -1}]})j", "unknown key \"sprit\" in objects[o] (did you mean \"sprite\"?)"},
      {R"j({"objects": [{"name": "o", "events": {"create": {"code": "", "file": "x.tss"}}}]})j",
       "unknown key \"file\" in objects[o].events.create"},
      {R"j({"timelines": [{"name": "t", "moments": [{"time": 0, "code": "", "tme": 1}]}]})j",
       "unknown key \"tme\" in timelines[t].moments[0]"},
      {R"j({"objects": [{"name": "o"}], "rooms": [{"name": "r", "instances": [{"object": "o", "creation_code": {"cod": ""}}]}]})j",
       "unknown key \"cod\" in rooms[r].instances[0].creation_code"},
      {R"j({"rooms": [{"name": "r", "views": [{"xveiw": 1}]}]})j", "unknown key \"xveiw\" in rooms[r].views[0] (did you mean \"xview\"?)"},
      {R"j({"rooms": [{"name": "r", "backgrounds": [{"visible": true, "colour": 1}]}]})j",
       "unknown key \"colour\" in rooms[r].backgrounds[0]"},
      {R"j({"rooms": [{"tiles": [{"dept": 1}]}]})j", "unknown key \"dept\" in rooms[0].tiles[0] (did you mean \"depth\"?)"},
      {R"j({"rooms": [{"name": "r", "room_speed": 60}]})j", "unknown key \"room_speed\" in rooms[r]"},
      // Entries that hold keys must be objects (code may also be a file name).
      {R"j({"objects": [3]})j", "game.json: objects[0] must be an object"},
      {R"j({"window": 640})j", "game.json: window must be an object"},
      {R"j({"objects": [{"name": "o", "events": {"create": 5}}]})j", "objects[o].events.create must be an object or a file name"},
  };
  for (const Refusal& c : cases) {
    File("game.json", c.manifest);
    for (const char* extra : {"", "--check", "--source"}) {
      Result b = Build(extra);
      EXPECT_EQ(b.exitCode, 1) << c.manifest;
      EXPECT_NE(b.out.find(c.says), std::string::npos) << b.out;
      EXPECT_FALSE(fs::exists(dir / "out.win")) << c.manifest;
    }
  }
}

TEST_F(Pack, AConstantNamesOnlyResourcesAndEarlierConstants) {
  const Refusal cases[] = {
      {R"j({"constants": {"B": "NOPE + 2"}})j",
       "game.json (constant B):1:1: \"NOPE\" is not the name of a resource or of an earlier constant"},
      // The constants are defined in the order they are written.
      {R"j({"constants": {"B": "M + 2", "M": 5}})j", "(constant B):1:1: \"M\" is not the name"},
      {R"j({"constants": {"M": 5, "B": "1 +\n  M * NOPE"}})j", "(constant B):2:7: \"NOPE\" is not the name"},
      {R"j({"constants": {"M": 5, "B": "M +"}})j", "(constant B):1:4: Unexpected symbol in expression."},
      {R"j({"constants": {"S": "\"a\" * \"b\""}})j", "(constant S):1:5: Wrong type of arguments to *."},
      {R"j({"constants": {"B": "nothing_called_this(1)"}})j", "(constant B):1:1: Unknown function or script: nothing_called_this"},
      {R"j({"constants": {"1x": 5}})j", "game.json: Constant name 1x  is not valid."},
      // A built-in variable with no room to read it from is a runtime error: reported, not fatal.
      {R"j({"constants": {"B": "room_speed"}})j", "game.json: Value for constant B  is not valid. (Push :: Execution Error - Variable Get room_speed)"},
      {R"j({"constants": {"B": "execute_string(\"return NOPE\")"}})j", "game.json: Value for constant B  is not valid."},
      {R"j({"constants": {"B": true}})j", "constant \"B\" must be a number or an expression text"},
  };
  for (const Refusal& c : cases) {
    File("game.json", c.manifest);
    for (const char* extra : {"", "--check"}) {
      Result b = Build(extra);
      EXPECT_EQ(b.exitCode, 1) << c.manifest << "\n" << b.out;
      EXPECT_NE(b.out.find(c.says), std::string::npos) << b.out;
      EXPECT_FALSE(fs::exists(dir / "out.win")) << c.manifest;
    }
  }
  File("game.json", R"j({"constants": {"M": 5, "B": "M + 2", "O": "obj_o", "S": "\"a\" + \"b\""}, "objects": [{"name": "obj_o"}]})j");
  Result b = Build();
  EXPECT_EQ(b.exitCode, 0) << b.out;
  Result d = Shell(dump + " " + (dir / "out.win").string());
  // Written in the order given: the runner defines them in that order too.
  EXPECT_NE(d.out.find("  M = 5\n  B = M + 2\n  O = obj_o\n  S = \"a\" + \"b\"\n"), std::string::npos) << d.out;
}

TEST_F(Pack, OddManifestsEndWithAMessageNeverSilently) {
  const char* manifests[] = {
      "[]",
      "3",
      R"j({"objects": 3})j",
      R"j({"objects": [3]})j",
      R"j({"objects": [{"name": 3}]})j",
      R"j({"objects": [{"name": "o", "events": {"create": 5}}]})j",
      R"j({"objects": [{"name": "o", "events": 5}]})j",
      R"j({"objects": [{"name": "o", "parent": "o2"}]})j",
      R"j({"rooms": [{"instances": [{"object": "o", "x": "a"}]}], "objects": [{"name": "o"}]})j",
      R"j({"rooms": [{"name": "r"}], "room_order": ["nowhere"]})j",
      R"j({"timelines": [{"name": "t", "moments": [{"time": "x"}]}]})j",
      R"j({"timelines": [{"name": "t", "moments": [{"time": 2, "code": ""}, {"time": 1, "code": ""}]}]})j",
      R"j({"scripts": [{"name": "s"}]})j",
      R"j({"scripts": [{"name": "s", "file": "missing.tss"}]})j",
      R"j({"options": {"no_such_option": 1}})j",
      R"j({"constants": {"B": "show_debug_message()"}})j",
  };
  for (const char* m : manifests) {
    File("game.json", m);
    fs::remove(dir / "out.win");
    Result b = Build();
    EXPECT_EQ(b.exitCode, 1) << m << "\n" << b.out;
    EXPECT_NE(b.out.find("game.json"), std::string::npos) << m << "\n" << b.out;
    EXPECT_FALSE(fs::exists(dir / "out.win")) << m;
  }
}

TEST_F(Pack, WarningsForAnOpenCommentAndAScriptThatHidesABuiltInFunction) {
  File("game.json", R"j({"scripts": [{"name": "abs", "code": "return 1;"}, {"name": "s", "file": "s.tss"}]})j");
  File("s.tss", "x = 1;\n  /* not closed\ny = 2;\n");
  Result b = Build();
  EXPECT_EQ(b.exitCode, 0) << b.out;
  EXPECT_NE(b.out.find("game.json: warning: script abs hides the built-in function abs"), std::string::npos) << b.out;
  EXPECT_NE(b.out.find((dir / "s.tss").string() + ":2:3: warning: this /* comment is not closed"), std::string::npos)
      << b.out;
  EXPECT_TRUE(fs::exists(dir / "out.win"));
}

TEST_F(Pack, DumpListsTheTextAndTheListingOfASourceGame) {
  File("game.json", R"j({"name": "src", "scripts": [{"name": "scr_two", "code": "return 2;"}],
    "objects": [{"name": "obj_a"}, {"name": "obj_b", "events": {"create": "b.tss"}}],
    "rooms": [{"name": "rm", "creation_code": {"code": "global.g = obj_b;"}, "instances": [{"object": "obj_b"}]}]})j");
  File("b.tss", "// the create event\nshow_debug_message(scr_two());\n");
  ASSERT_EQ(Build("--source").exitCode, 0);
  Result d = Shell(dump + " --code " + (dir / "out.win").string());
  ASSERT_EQ(d.exitCode, 0) << d.out;
  const char* inOrder[] = {"Code 0: scr_two\n--- source\nreturn 2;\n--- listing\n",
                           "ret.v",
                           "Code 1: Object.obj_b.Create.0\n--- source\n// the create event\nshow_debug_message(scr_two());\n",
                           "call.i    scr_two",
                           "call.i    show_debug_message",
                           "Code 2: Room.rm\n--- source\nglobal.g = obj_b;\n--- listing\n",
                           "push.e    1"};  // obj_b is object 1
  size_t at = 0;
  for (const char* text : inOrder) {
    const size_t found = d.out.find(text, at);
    ASSERT_NE(found, std::string::npos) << "missing, or out of order: " << text << "\n" << d.out;
    at = found;
  }
}

TEST_F(Pack, DumpListsEveryBuiltInFunctionWithItsArgumentsAndState) {
  Result counts = Shell(dump + " --functions");
  int registered = 0, implemented = 0;
  ASSERT_EQ(std::sscanf(counts.out.c_str(), "Built-in functions: %d registered, %d implemented", &registered, &implemented), 2)
      << counts.out;
  Result all = Shell(dump + " --functions --list");
  ASSERT_EQ(all.exitCode, 0);
  // One line per registered function, ending in its state.
  int yes = 0, no = 0;
  size_t start = 0;
  for (size_t end; (end = all.out.find('\n', start)) != std::string::npos; start = end + 1) {
    const std::string line = all.out.substr(start, end - start);
    if (line.size() > 4 && line.compare(line.size() - 4, 4, "  no") == 0) ++no;
    if (line.size() > 5 && line.compare(line.size() - 5, 5, "  yes") == 0) ++yes;
  }
  EXPECT_EQ(yes, implemented);
  EXPECT_EQ(yes + no, registered);

  Result maths = Shell(dump + " --functions --list STRINGS");  // a word of the family's name, any case
  EXPECT_EQ(maths.out.find("9. mathematics and strings: 73 functions"), 0u) << maths.out;
  EXPECT_NE(maths.out.find("\n  choose "), std::string::npos);
  EXPECT_NE(maths.out.find(" any  "), std::string::npos);  // choose takes any number
  EXPECT_EQ(maths.out.find("3-D drawing"), std::string::npos);
  Result first = Shell(dump + " --functions --list 1");
  EXPECT_EQ(first.out.find("1. 3-D drawing: 75 functions"), 0u) << first.out;
  EXPECT_NE(first.out.find("\n  d3d_start "), std::string::npos);
  Result none = Shell(dump + " --functions --list nothing_like_it");
  EXPECT_EQ(none.exitCode, 1);
  EXPECT_NE(none.out.find("no function family matches \"nothing_like_it\""), std::string::npos);
  EXPECT_NE(none.out.find("15. platform services"), std::string::npos);
}

TEST_F(Pack, RuntimeErrorsCountLinesFromZeroAndNeedTheSideFileForTheirText) {
  File("game.json", R"j({"objects": [{"name": "o", "events": {"create": "create.tss"}}],
    "rooms": [{"name": "r", "instances": [{"object": "o"}]}]})j");
  File("create.tss", "a = 1;\nb = \"text\";\nc = a + b;\n");
  ASSERT_EQ(Build().exitCode, 0);
  ASSERT_TRUE(fs::exists(dir / "out.brindledebug"));
  const std::string run = "cd " + dir.string() + " && XDG_DATA_HOME=" + (dir / "xdg").string() + " " +
                          fs::path(pack).parent_path().string() + "/tessera -game out.win -headless -nosleep -frames 1";
  Result r = Shell(run);
  EXPECT_EQ(r.exitCode, 255);
  EXPECT_NE(r.out.find(" at Object.o.Create.0 (line 2) - c = a + b;\n"), std::string::npos) << r.out;
  fs::remove(dir / "out.brindledebug");
  r = Shell(run);
  EXPECT_EQ(r.exitCode, 255);
  EXPECT_NE(r.out.find(" at Object.o.Create.0 (line 0) - <unknown source line>\n"), std::string::npos) << r.out;
}
