// The dialogs without a window: the text on the console and the cautious answer.
#include <functional>
#include <string>

#include "Function/Function_Exercise.h"
#include "Platform/Platform_Console.h"

namespace {

RValue Call(const char* name, std::vector<RValue> args) { return CallBuiltin(name, std::move(args)); }

std::string Printed(const std::function<void()>& f) {
  Console::Flush();
  testing::internal::CaptureStdout();
  f();
  Console::Flush();
  return testing::internal::GetCapturedStdout();
}

void ExMessages() {
  EXPECT_EQ(Printed([] { Call("show_message", {RValue("Hello")}); }), "Hello\n");
  EXPECT_EQ(Printed([] { Call("show_message", {RValue(2.5)}); }), "2.50\n");
  RValue answer;
  EXPECT_EQ(Printed([&] { answer = Call("show_question", {RValue("Sure?")}); }), "Sure?\n-> No\n");
  EXPECT_EQ(answer.real, 0.0);
  // Labels lose their shortcut marks; a real or empty label gives no button.
  EXPECT_EQ(Printed([&] { answer = Call("show_message_ext", {RValue("Pick"), RValue("&Red"), RValue(0.0), RValue("")}); }),
            "Pick\n-> Cancel\n");
  EXPECT_EQ(answer.real, 0.0);
  Call("message_caption", {RValue(1.0), RValue("Title")});
  Call("message_caption", {RValue(1.0), RValue("")});
}

void ExInput() {
  RValue r;
  EXPECT_EQ(Printed([&] { r = Call("get_string", {RValue("Name?"), RValue("Bo")}); }), "Name?\n-> Bo\n");
  EXPECT_STREQ(r.Str(), "Bo");
  EXPECT_EQ(Printed([&] { r = Call("get_integer", {RValue("Count?"), RValue(-4.0)}); }), "Count?\n-> -4\n");
  EXPECT_TRUE(r.IsReal());
  EXPECT_EQ(r.real, -4.0);
}

void ExShowError() {
  const std::string out = Printed([] { Call("show_error", {RValue("Careful"), RValue(0.0)}); });
  EXPECT_NE(out.find("Careful"), std::string::npos);
}

const RegisterExercise kMessages({"show_message", "show_question", "show_message_ext", "message_caption"}, ExMessages);
const RegisterExercise kInput({"get_string", "get_integer"}, ExInput);
const RegisterExercise kShowError({"show_error"}, ExShowError);

}  // namespace
