// The dialogs without a window: the text on the console and the cautious answer; the filters,
// menus and colour answers the desktop's dialog programs are given and give back.
#include <functional>
#include <string>

#include "Function/Function_Exercise.h"
#include "Function/Function_Register.h"
#include "IO/IO_Main.h"
#include "Platform/Platform_Console.h"
#include "Support/Support_Dialog.h"

namespace {

RValue Call(const char* name, std::vector<RValue> args) { return CallBuiltin(name, std::move(args)); }

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

void ExChoices() {
  RValue r;
  // get_color keeps only the colour's 24 bits.
  EXPECT_EQ(Printed([&] { r = Call("get_color", {RValue(double(0x1FF8040))}); }), "Choose a colour\n-> 16744512\n");
  EXPECT_EQ(r.real, double(0xFF8040));
  EXPECT_EQ(Printed([&] { r = Call("get_open_filename", {RValue("Text|*.txt"), RValue("a.txt")}); }), "Open a file\n-> Cancel\n");
  EXPECT_STREQ(r.Str(), "");
  EXPECT_EQ(Printed([&] { r = Call("get_save_filename", {RValue(""), RValue("b.sav")}); }), "Save a file\n-> Cancel\n");
  EXPECT_STREQ(r.Str(), "");
  EXPECT_EQ(Printed([&] { r = Call("get_directory", {RValue("/tmp")}); }), "Choose a folder\n-> Cancel\n");
  EXPECT_STREQ(r.Str(), "");
  EXPECT_EQ(Printed([&] { r = Call("get_directory_alt", {RValue("Pick"), RValue("/")}); }), "Pick\n-> Cancel\n");
  EXPECT_STREQ(r.Str(), "");
  // The default answer comes back as given; separators are not offered.
  EXPECT_EQ(Printed([&] { r = Call("show_menu", {RValue("A|-|B"), RValue(2.5)}); }), "A | B\n-> 2.50\n");
  EXPECT_EQ(r.real, 2.5);
  EXPECT_EQ(Printed([&] { r = Call("show_menu_pos", {RValue(0.0), RValue(0.0), RValue(""), RValue(-1.0)}); }), "");
  EXPECT_EQ(r.real, -1.0);  // nothing to choose from: nothing asked
}

void ExLogin() {
  Function_Dialog_Forget();
  RValue r;
  EXPECT_EQ(Printed([&] { r = Call("get_login_async", {RValue("ada"), RValue("pw")}); }), "Log in\n-> Cancel\n");
  EXPECT_EQ(r.real, 0.0);
  Printed([&] { r = Call("get_login_async", {RValue("bob"), RValue("")}); });
  EXPECT_EQ(r.real, 1.0);  // ids count up
  Function_Dialog_Forget();
}

void ExDoubleTap() {
  // On at start: a double tap on a touch screen is the right button; a mouse's double click, a single
  // tap and the other buttons stay as they are; switched off, a double tap stays the left button.
  EXPECT_EQ(IO_PointerButton(1, true, 2), 2);
  EXPECT_EQ(IO_PointerButton(1, true, 3), 2);
  EXPECT_EQ(IO_PointerButton(1, false, 2), 1);
  EXPECT_EQ(IO_PointerButton(1, true, 1), 1);
  EXPECT_EQ(IO_PointerButton(3, true, 2), 3);
  Call("device_mouse_dbclick_enable", {RValue(0.0)});
  EXPECT_EQ(IO_PointerButton(1, true, 2), 1);
  Call("device_mouse_dbclick_enable", {RValue(1.0)});
  EXPECT_EQ(IO_PointerButton(1, true, 2), 2);
}

TEST(DialogText, FiltersPairNamesWithPatterns) {
  auto f = Dialog_ParseFilter("Text files|*.txt; *.log|All files|*.*");
  ASSERT_EQ(f.size(), 2u);
  EXPECT_EQ(f[0].name, "Text files");
  EXPECT_EQ(f[0].patterns, (std::vector<std::string>{"*.txt", "*.log"}));
  EXPECT_EQ(f[1].patterns, (std::vector<std::string>{"*"}));  // "*.*" is every file, dotted or not
  // A last name without patterns is its own pattern; a pair with no pattern is dropped; a missing
  // name is the patterns.
  f = Dialog_ParseFilter("Images|;|*.png");
  ASSERT_EQ(f.size(), 1u);
  EXPECT_EQ(f[0].name, "*.png");
  EXPECT_EQ(f[0].patterns, (std::vector<std::string>{"*.png"}));
  EXPECT_TRUE(Dialog_ParseFilter("").empty());
}

TEST(DialogText, MenusNumberEveryPieceSeparatorsIncluded) {
  const auto m = Dialog_ParseMenu("New||-|Quit");
  ASSERT_EQ(m.size(), 4u);
  EXPECT_EQ(m[1].label, "");
  EXPECT_FALSE(m[1].separator);
  EXPECT_TRUE(m[2].separator);
  EXPECT_EQ(m[3].label, "Quit");
  EXPECT_TRUE(Dialog_ParseMenu("").empty());
}

TEST(DialogText, ColourAnswersOfBothPrograms) {
  int32_t c = -1;
  // Script colours are 0x00BBGGRR.
  EXPECT_TRUE(Dialog_ParseColourAnswer("#ff8000\n", c));
  EXPECT_EQ(c, 0x0080FF);
  EXPECT_TRUE(Dialog_ParseColourAnswer("#ffff80800000", c));
  EXPECT_EQ(c, 0x0080FF);
  EXPECT_TRUE(Dialog_ParseColourAnswer("rgb(1,2,3)", c));
  EXPECT_EQ(c, 0x030201);
  EXPECT_TRUE(Dialog_ParseColourAnswer("rgba(255,0,16,0.5)", c));
  EXPECT_EQ(c, 0x1000FF);
  c = 7;
  for (const char* bad : {"", "#12345", "#gg0000", "rgb(1,2)", "rgb(1,2,300)", "rgb(1,2,3,4)", "rgba(1,2,3)", "red"}) {
    EXPECT_FALSE(Dialog_ParseColourAnswer(bad, c)) << bad;
  }
  EXPECT_EQ(c, 7);
  EXPECT_EQ(Dialog_ColourText(0x0080FF), "#ff8000");
}

TEST(DialogText, FileCommandsInEachProgramsFilterForm) {
  const auto filters = Dialog_ParseFilter("Text|*.txt;*.md|All|*.*");
  EXPECT_EQ(Dialog_FileCommand(DialogTool::Zenity, DialogFile::Save, "Save", filters, "a.txt"),
            (std::vector<std::string>{"zenity", "--file-selection", "--title=Save", "--save", "--filename=a.txt",
                                      "--file-filter=Text | *.txt *.md", "--file-filter=All | *"}));
  EXPECT_EQ(Dialog_FileCommand(DialogTool::Kdialog, DialogFile::Open, "Open", filters, ""),
            (std::vector<std::string>{"kdialog", "--title", "Open", "--getopenfilename", ".", "*.txt *.md|Text\n*|All"}));
  // Folders take no filter.
  EXPECT_EQ(Dialog_FileCommand(DialogTool::Zenity, DialogFile::Folder, "F", filters, ""),
            (std::vector<std::string>{"zenity", "--file-selection", "--title=F", "--directory"}));
}

TEST(DialogText, ProgramsRunWithoutAShellAndTheirAnswerIsRead) {
  std::string out;
  // The answer loses its trailing line breaks only; a long answer is read whole.
  EXPECT_EQ(Dialog_RunProgram({"printf", "a  b\n\n"}, out), 0);
  EXPECT_EQ(out, "a  b");
  EXPECT_EQ(Dialog_RunProgram({"head", "-c", "100000", "/dev/zero"}, out), 0);
  EXPECT_EQ(out.size(), 100000u);
  // No shell: a quote or a semicolon is just text.
  EXPECT_EQ(Dialog_RunProgram({"echo", "x; echo y"}, out), 0);
  EXPECT_EQ(out, "x; echo y");
  EXPECT_EQ(Dialog_RunProgram({"false"}, out), 1);  // cancelled, as the dialog programs say it
  EXPECT_EQ(Dialog_RunProgram({"cat"}, out), 0);    // nothing to read from
  EXPECT_EQ(out, "");
  EXPECT_EQ(Dialog_RunProgram({"/no/such/program"}, out), -1);
  EXPECT_EQ(Dialog_RunProgram({}, out), -1);
}

const RegisterExercise kChoices({"get_color", "get_open_filename", "get_save_filename", "get_directory",
                                 "get_directory_alt", "show_menu", "show_menu_pos"}, ExChoices);
const RegisterExercise kLogin({"get_login_async"}, ExLogin);
const RegisterExercise kDoubleTap({"device_mouse_dbclick_enable"}, ExDoubleTap);
const RegisterExercise kMessages({"show_message", "show_question", "show_message_ext", "message_caption"}, ExMessages);
const RegisterExercise kInput({"get_string", "get_integer"}, ExInput);
const RegisterExercise kShowError({"show_error"}, ExShowError);

}  // namespace
