// The player's dialogs: messages, questions, text and number input, errors. They block the game
// until answered, as modal dialogs do; a headless run prints them and takes the cautious answer
// (Support/Support_Dialog.h).
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "Code/Code_Error.h"
#include "Function/Function_Library.h"
#include "Function/Function_Register.h"
#include "Graphics/Graphics_Window.h"
#include "Support/Support_Dialog.h"

namespace {

// message_caption: whether a caption is shown and its text ("" for the game's caption).
bool g_showCaption = true;
std::string g_caption;

std::string Caption() {
  if (!g_showCaption) return "";
  return g_caption.empty() ? Window_Caption() : g_caption;
}

std::string Text(int argc, RValue* args, int i) { return Library::ArgText(argc, args, i); }

// show_message(text): an OK box.
void F_ShowMessage(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  Dialog_Choose(Caption(), Text(argc, args, 0), {"OK"}, 0, 0);
}

// show_question(text): Yes gives 1, No 0. Nobody to ask: No.
void F_ShowQuestion(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  const int chosen = Dialog_Choose(Caption(), Text(argc, args, 0), {"Yes", "No"}, 0, 1);
  result.SetReal(chosen == 0 ? 1.0 : 0.0);
}

// show_message_ext(text, but1, but2, but3): buttons with the non-empty labels; the result is the
// number (1 to 3) of the chosen one, 0 when the box is closed. Nobody to ask: 0.
void F_ShowMessageExt(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  std::vector<std::string> labels;
  std::vector<int> numbers;
  for (int i = 1; i <= 3; ++i) {
    std::string label = Text(argc, args, i);
    if (FunctionArgument(argc, args, i).IsReal() || label.empty()) continue;
    // "&" marks a keyboard shortcut in the labels games give; the system box shows plain text.
    std::string plain;
    for (char c : label) {
      if (c != '&') plain += c;
    }
    labels.push_back(plain);
    numbers.push_back(i);
  }
  if (labels.empty()) {
    labels.push_back("OK");
    numbers.push_back(1);
  }
  labels.push_back("Cancel");
  numbers.push_back(0);
  const int chosen = Dialog_Choose(Caption(), Text(argc, args, 0), labels, 0, static_cast<int>(labels.size()) - 1);
  result.SetReal(chosen >= 0 && chosen < static_cast<int>(numbers.size()) ? numbers[size_t(chosen)] : 0);
}

// show_error(text, abort): through the error reporter; an abort ends the game.
void F_ShowError(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  ReportError(Text(argc, args, 0).c_str(), FunctionArgumentBool(FunctionArgument(argc, args, 1)));
}

// get_string(prompt, default): the text typed, or the default when cancelled or nobody can answer.
void F_GetString(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  std::string value = Text(argc, args, 1);
  Dialog_Input(Caption(), Text(argc, args, 0), value);
  Library::SetStringResult(result, value);
}

// get_integer(prompt, default): the number typed; the default when cancelled, when nobody can
// answer or when the answer is not a number.
void F_GetInteger(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  const double fallback = Library::ArgReal(argc, args, 1);
  std::string value = Text(argc, args, 1);
  result.SetReal(fallback);
  if (!Dialog_Input(Caption(), Text(argc, args, 0), value)) return;
  const char* begin = value.c_str();
  while (*begin == ' ' || *begin == '\t') ++begin;
  char* end = nullptr;
  errno = 0;
  const double number = std::strtod(begin, &end);
  while (end && (*end == ' ' || *end == '\t')) ++end;
  if (end == begin || *end != '\0' || errno == ERANGE || !std::isfinite(number)) return;
  result.SetReal(number);
}

// message_caption(show, text)
void F_MessageCaption(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  g_showCaption = FunctionArgumentBool(FunctionArgument(argc, args, 0));
  g_caption = Text(argc, args, 1);
}

}  // namespace

void Function_Dialog_Bind() {
  ImplementFunction("show_message", F_ShowMessage);
  ImplementFunction("show_question", F_ShowQuestion);
  ImplementFunction("show_message_ext", F_ShowMessageExt);
  ImplementFunction("show_error", F_ShowError);
  ImplementFunction("get_string", F_GetString);
  ImplementFunction("get_integer", F_GetInteger);
  ImplementFunction("message_caption", F_MessageCaption);
}
