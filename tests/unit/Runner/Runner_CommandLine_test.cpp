#include <gtest/gtest.h>

#include "Runner/Runner_CommandLine.h"

TEST(CommandLine, TokenisingSkipsBlanksAndHonoursQuotes) {
  using V = std::vector<std::string>;
  EXPECT_EQ(CommandLine_Tokenise("  -game  \"my game.win\" -debug\t"), (V{"-game", "my game.win", "-debug"}));
  EXPECT_EQ(CommandLine_Tokenise("a\"b c\"d"), (V{"ab cd"}));  // quotes toggle and are dropped
  EXPECT_EQ(CommandLine_Tokenise("\x01\x02x"), (V{"x"}));     // characters below '!' are blanks
  EXPECT_EQ(CommandLine_Tokenise(""), V{});
  EXPECT_EQ(CommandLine_Tokenise("\"\""), (V{""}));
}

TEST(CommandLine, JoinTokenisesBackToTheArguments) {
  const char* args[] = {"tessera", "-game", "a b/c.win", "-bp", "x@3"};
  const std::string line = CommandLine_Join(5, const_cast<char**>(args));
  EXPECT_EQ(CommandLine_Tokenise(line), (std::vector<std::string>{"-game", "a b/c.win", "-bp", "x@3"}));
  std::string big(9000, 'a');
  const char* longArgs[] = {"tessera", big.c_str()};
  EXPECT_EQ(CommandLine_Join(2, const_cast<char**>(longArgs)).size(), kCommandLineBuffer - 1);
}

TEST(CommandLine, SwitchesAndTheirValues) {
  CommandLineSwitches s;
  CommandLine_Parse(CommandLine_Tokenise("-trace -game first.win -game second.win -ext -noaudio "
                                         "-record in.rec -playback out.rec -frames 12 -headless -nosleep "
                                         "-screenshot s.png -profile -unknown -DEBUG"),
                    s);
  EXPECT_EQ(s.gameFile, "first.win");  // the first -game wins
  EXPECT_TRUE(s.trace);
  EXPECT_FALSE(s.debug);               // switches are case-sensitive
  EXPECT_TRUE(s.skipExternalCalls);
  EXPECT_TRUE(s.noAudio);
  EXPECT_EQ(s.recordFile, "out.rec");  // one shared name: the last one given
  EXPECT_TRUE(s.record);
  EXPECT_TRUE(s.playback);
  EXPECT_EQ(s.frames, 12);
  EXPECT_TRUE(s.headless);
  EXPECT_TRUE(s.noSleep);
  EXPECT_EQ(s.screenshotFile, "s.png");
  EXPECT_TRUE(s.profile);
}

TEST(CommandLine, BreakpointsAreStoredMinusOneAndCappedAtTen) {
  CommandLineSwitches s;
  std::string line = "-bp obj_player_Step@12 -bp scr_init";
  for (int i = 0; i < 12; ++i) line += " -bp c" + std::to_string(i) + "@5";
  CommandLine_Parse(CommandLine_Tokenise(line), s);
  ASSERT_EQ(s.breakpoints.size(), 10u);
  EXPECT_EQ(s.breakpoints[0].codeName, "obj_player_Step");
  EXPECT_EQ(s.breakpoints[0].line, 11);
  EXPECT_EQ(s.breakpoints[1].codeName, "scr_init");
  EXPECT_EQ(s.breakpoints[1].line, 0);  // no "@": line 0
  EXPECT_EQ(s.breakpoints[9].codeName, "c7");
}

TEST(CommandLine, ASwitchWithoutItsValueIsIgnored) {
  CommandLineSwitches s;
  EXPECT_TRUE(CommandLine_Parse(CommandLine_Tokenise("-debug -game"), s));
  EXPECT_TRUE(s.debug);
  EXPECT_EQ(s.gameFile, "");
}

TEST(CommandLine, ANumberThatIsNotOneIsRefusedWithAMessage) {
  struct Case {
    const char* line;
    const char* says;
  };
  const Case cases[] = {
      {"-frames abc", "-frames abc: the number of frames must be a whole number, 0 or more"},
      {"-frames -1", "-frames -1: the number of frames"},  // not "forever"
      {"-frames 1.5", "-frames 1.5: the number of frames"},
      {"-frames 12x", "-frames 12x: the number of frames"},
      {"-frames 99999999999999999999", "the number of frames"},  // would overflow
      {"-frames", "-frames needs a number of frames"},
      {"-screenshot", "-screenshot needs a file name"},
      {"-bp scr_a@", "-bp scr_a@: the line after \"@\" must be a whole number"},
      {"-bp scr_a@ten", "-bp scr_a@ten: the line after"},
  };
  for (const Case& c : cases) {
    CommandLineSwitches s;
    std::string error;
    EXPECT_FALSE(CommandLine_Parse(CommandLine_Tokenise(std::string("-debug ") + c.line), s, &error)) << c.line;
    EXPECT_NE(error.find(c.says), std::string::npos) << c.line << ": " << error;
    EXPECT_TRUE(s.debug);        // the other switches still apply
    EXPECT_EQ(s.frames, -1);     // a bad value changes nothing
    EXPECT_TRUE(s.breakpoints.empty());
  }
  CommandLineSwitches s;
  std::string error = "stale";
  EXPECT_TRUE(CommandLine_Parse(CommandLine_Tokenise("-frames 0 -bp a@0"), s, &error));
  EXPECT_EQ(error, "");
  EXPECT_EQ(s.frames, 0);
  EXPECT_EQ(s.breakpoints[0].line, -1);
}
