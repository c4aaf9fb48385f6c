#include "Code/Code_Error.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Platform/Platform_Console.h"
#include "Platform/Platform_Memory.h"

namespace {

// What the hooks saw during one test.
struct HookLog {
  std::vector<int> newRoom;
  int quits = 0;
  int inputClears = 0;
  int debuggerCalls = 0;
  std::vector<bool> dialogFatal;
  ErrorDialogResult dialogAnswer = ErrorDialogResult::Ignore;
};
HookLog g_Log;

void InstallHooks() {
  SetErrorNewRoomHook([](int request) { g_Log.newRoom.push_back(request); });
  SetErrorQuitHook([] { ++g_Log.quits; });
  SetErrorClearInputHook([] { ++g_Log.inputClears; });
  SetErrorDebuggerHook([] { ++g_Log.debuggerCalls; });
}

class ErrorReporterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetErrorReporter();
    g_Log = HookLog();
    InstallHooks();
  }
  void TearDown() override { ResetErrorReporter(); }

  // Runs `report` and returns what it printed on the console.
  template <typename F>
  std::string Captured(F report) {
    Console::Flush();
    ::testing::internal::CaptureStdout();
    report();
    Console::Flush();
    return ::testing::internal::GetCapturedStdout();
  }
};

std::string Take(char* text) {
  std::string s = text;
  MemFree(text);
  return s;
}

TEST_F(ErrorReporterTest, NonFatalReportRecordsEchoesAndContinues) {
  std::string out = Captured([] { ReportError("Data structure with index does not exist.", false); });
  EXPECT_EQ(out, "ERROR!!! :: Data structure with index does not exist.\n");
  EXPECT_TRUE(ErrorOccurred());
  EXPECT_STREQ(LastErrorText(), "Data structure with index does not exist.");
  EXPECT_FALSE(ErrorAborting());
  EXPECT_TRUE(g_Log.newRoom.empty());
  EXPECT_EQ(g_Log.quits, 0);
  EXPECT_EQ(g_Log.inputClears, 1);
  EXPECT_EQ(g_Log.debuggerCalls, 1);

  // Game code clears the flag; the next report sets it again.
  SetErrorOccurred(false);
  Captured([] { ReportError("second", false); });
  EXPECT_TRUE(ErrorOccurred());
  EXPECT_STREQ(LastErrorText(), "second");
}

TEST_F(ErrorReporterTest, FatalReportEndsTheGameAndLaterReportsAreDropped) {
  Captured([] { ReportError("first", true); });
  EXPECT_TRUE(ErrorAborting());
  ASSERT_EQ(g_Log.newRoom.size(), 1u);
  EXPECT_EQ(g_Log.newRoom[0], -400);
  EXPECT_EQ(g_Log.quits, 1);

  std::string out = Captured([] {
    ReportError("after", false);
    ReportActionError("after action", false);
  });
  EXPECT_EQ(out, "");
  EXPECT_STREQ(LastErrorText(), "first");
  EXPECT_EQ(ErrorReportCount(), 1);
  EXPECT_EQ(g_Log.newRoom.size(), 1u);
}

TEST_F(ErrorReporterTest, AbortOnAllErrorsMakesEveryReportFatal) {
  SetAbortOnAllErrors(true);
  SetErrorDialogHook([](const char*, bool fatal) {
    g_Log.dialogFatal.push_back(fatal);
    return ErrorDialogResult::Ignore;
  });
  Captured([] { ReportError("minor", false); });
  ASSERT_EQ(g_Log.dialogFatal.size(), 1u);
  EXPECT_TRUE(g_Log.dialogFatal[0]);  // shown with Abort only
  EXPECT_TRUE(ErrorAborting());
  ASSERT_EQ(g_Log.newRoom.size(), 1u);
  EXPECT_EQ(g_Log.newRoom[0], kNewRoomEndAfterError);
}

TEST_F(ErrorReporterTest, DialogChoiceAndDisplayOption) {
  // Choosing Abort turns a non-fatal report fatal.
  SetErrorDialogHook([](const char*, bool fatal) {
    g_Log.dialogFatal.push_back(fatal);
    return g_Log.dialogAnswer;
  });
  g_Log.dialogAnswer = ErrorDialogResult::Ignore;
  Captured([] { ReportError("ignored", false); });
  EXPECT_FALSE(ErrorAborting());
  ASSERT_EQ(g_Log.dialogFatal.size(), 1u);
  EXPECT_FALSE(g_Log.dialogFatal[0]);

  // With display errors off no dialog is shown, but the error is still recorded.
  SetDisplayErrors(false);
  Captured([] { ReportError("quiet", false); });
  EXPECT_EQ(g_Log.dialogFatal.size(), 1u);
  EXPECT_TRUE(ErrorOccurred());
  EXPECT_STREQ(LastErrorText(), "quiet");

  SetDisplayErrors(true);
  g_Log.dialogAnswer = ErrorDialogResult::Abort;
  Captured([] { ReportError("aborted", false); });
  EXPECT_TRUE(ErrorAborting());
  EXPECT_EQ(g_Log.newRoom.size(), 1u);
}

TEST_F(ErrorReporterTest, HeadlessDefaultIgnoresNonFatalAndEndsOnFatal) {
  EXPECT_EQ(HeadlessErrorDialog("x", false), ErrorDialogResult::Ignore);
  EXPECT_EQ(HeadlessErrorDialog("x", true), ErrorDialogResult::Abort);
  Captured([] { ReportError("goes on", false); });  // display errors on, no dialog installed
  EXPECT_FALSE(ErrorAborting());
}

TEST_F(ErrorReporterTest, SuppressedReportIsNotEchoedAndAbsentTextClears) {
  SetErrorSuppressed(true);
  std::string out = Captured([] { ReportError("hidden", false); });
  EXPECT_EQ(out, "");
  EXPECT_TRUE(ErrorOccurred());
  EXPECT_STREQ(LastErrorText(), "hidden");
  SetErrorSuppressed(false);

  Captured([] { ReportError(nullptr, false); });
  EXPECT_STREQ(LastErrorText(), "");
}

TEST_F(ErrorReporterTest, ActionFrameNamesEventObjectAndOneBasedAction) {
  CErrorNames names;
  names.eventName = [](int, int type, int number, char* buffer, size_t size) {
    snprintf(buffer, size, "%s", (type == 3 && number == 0) ? "Step Event" : "?");
  };
  names.objectName = [](int index) -> const char* { return index == 4 ? "obj_player" : nullptr; };
  names.timelineName = [](int index) -> const char* { return index == 2 ? "tl_intro" : nullptr; };
  SetErrorNames(names);

  CActionContext& ctx = CurrentActionContext();
  ctx.objectIndex = 4;
  ctx.eventType = 3;
  ctx.eventNumber = 0;
  ctx.actionNumber = 0;
  EXPECT_EQ(Take(FrameActionError("boom", false)),
            "ERROR in\naction number 1\nof Step Event\nfor object obj_player:\n\n\nboom");
  EXPECT_EQ(Take(FrameActionError("boom", true)),
            "FATAL ERROR in\naction number 1\nof Step Event\nfor object obj_player:\n\n\nboom");

  ctx.objectIndex = kTimelineObjectIndex;
  ctx.timelineIndex = 2;
  ctx.eventNumber = 30;
  ctx.actionNumber = 4;
  EXPECT_EQ(Take(FrameActionError("bad", false)),
            "ERROR in\naction number 5\nat time step30\nof time line tl_intro:\n\n\nbad");

  // The report carries the frame.
  ctx.objectIndex = 4;
  ctx.eventNumber = 0;
  ctx.actionNumber = 2;
  std::string out = Captured([] { ReportActionError("oops", false); });
  EXPECT_EQ(out, "ERROR!!! :: ERROR in\naction number 3\nof Step Event\nfor object obj_player:\n\n\noops\n");
}

TEST_F(ErrorReporterTest, ActionFrameWithoutWorldUsesNeutralNames) {
  CurrentActionContext().objectIndex = 9;
  EXPECT_EQ(Take(FrameActionError("m", false)),
            "ERROR in\naction number 1\nof <Unknown Event>\nfor object <undefined>:\n\n\nm");
}

TEST(CompileErrorText, StatementListGivesLineTextAndColumn) {
  // "a = 1;\n" takes bytes 0..6; the ";" of the second line is byte 11, its fifth character.
  EXPECT_EQ(Take(BuildCompileErrorText("a = 1;\nb = ;\nc = 2;", 11, "unexpected symbol",
                                       CompileKind::Statements)),
            "Error in code at line 2:\n   b = ;\n\nat position 5: unexpected symbol");
  // First line, first character.
  EXPECT_EQ(Take(BuildCompileErrorText("@x", 0, "m", CompileKind::Statements)),
            "Error in code at line 1:\n   @x\n\nat position 1: m");
  // Carriage returns are not counted in the column: bytes a \r \n \r b @, position 5.
  EXPECT_EQ(Take(BuildCompileErrorText("a\r\n\rb@", 5, "m", CompileKind::Statements)),
            "Error in code at line 2:\n   \rb@\n\nat position 2: m");
  // A position past the end is taken as the end.
  EXPECT_EQ(Take(BuildCompileErrorText("ab\ncd", 1000, "m", CompileKind::Statements)),
            "Error in code at line 2:\n   cd\n\nat position 3: m");
}

TEST(CompileErrorText, ExpressionGivesWholeTextAndColumn) {
  EXPECT_EQ(Take(BuildCompileErrorText("1 + * 2", 4, "Unexpected symbol in expression.",
                                       CompileKind::Expression)),
            "Error in expression: 1 + * 2\n position 5: Unexpected symbol in expression.");
}

TEST(CompileErrorText, FirstErrorOfACompilationWins) {
  ResetErrorReporter();
  ClearCompileFailure();
  CompileError("x = ;", 4, "first");
  CompileError("x = ;", 0, "second");
  EXPECT_TRUE(CompileFailed());
  EXPECT_STREQ(CompileErrorText(), "Error in code at line 1:\n   x = ;\n\nat position 5: first");

  // The next compilation pass starts clean.
  ClearCompileFailure();
  CompileError("y", 0, "third", CompileKind::Expression);
  EXPECT_STREQ(CompileErrorText(), "Error in expression: y\n position 1: third");

  // A suppressed runtime error raises the flag without a text, which also blocks later errors.
  ClearCompileFailure();
  SetCompileFailure();
  CompileError("z", 0, "ignored");
  EXPECT_STREQ(CompileErrorText(), "Error in expression: y\n position 1: third");
  ResetErrorReporter();
}

TEST(ErrorDialogLayout, RuleTabsAndLineBreaks) {
  const std::string rule = "\r\n" + std::string(43, '_') + "\r\n";
  EXPECT_EQ(Take(ErrorDialogText("a\tb")), rule + "a       b");
  // LF, CR LF, CR and LF CR each become one CR LF; two LFs are two breaks.
  EXPECT_EQ(Take(ErrorDialogText("1\n2\r\n3\r4\n\r5\n\n6")), rule + "1\r\n2\r\n3\r\n4\r\n5\r\n\r\n6");
  EXPECT_EQ(Take(ErrorDialogText("")), rule);
  EXPECT_EQ(Take(ErrorDialogText(nullptr)), rule);
  EXPECT_STREQ(kErrorDialogCaption, "Code Error...");
}

}  // namespace
