// The player's dialogs: messages, questions, text and number input, errors, colours, files and
// folders, menus and a login. They block the game until answered, as modal dialogs do; a headless
// run prints them and takes the cautious answer (Support/Support_Dialog.h). The login answers
// through the asynchronous dialog event (other event 63) in the next other-events stage.
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "Code/Code_Error.h"
#include "Function/Function_DataStructure.h"
#include "Function/Function_Library.h"
#include "Function/Function_Register.h"
#include "Graphics/Graphics_Window.h"
#include "Object/Object_Event.h"
#include "Support/Support_DataStructureMap.h"
#include "Support/Support_Dialog.h"
#include "Variable/Variable_BuiltInState.h"

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

// get_color(default): the chosen colour; the default when cancelled or nobody can answer.
void F_GetColor(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  int32_t colour = Library::ArgIndex(argc, args, 0) & 0xFFFFFF;
  Dialog_Colour("Choose a colour", colour);
  result.SetReal(colour);
}

// The file dialogs: the chosen path, or "" when cancelled or nobody can answer.
void FileResult(RValue& result, DialogFile kind, const std::string& caption, const std::string& filter, std::string path) {
  if (!Dialog_File(kind, caption, Dialog_ParseFilter(filter), path)) path.clear();
  Library::SetStringResult(result, path);
}

// get_open_filename(filter, fname) and get_save_filename(filter, fname)
void F_GetOpenFilename(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  FileResult(result, DialogFile::Open, "Open a file", Text(argc, args, 0), Text(argc, args, 1));
}
void F_GetSaveFilename(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  FileResult(result, DialogFile::Save, "Save a file", Text(argc, args, 0), Text(argc, args, 1));
}

// get_directory(dname) and get_directory_alt(capt, root): a folder, starting at the given one.
void F_GetDirectory(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  FileResult(result, DialogFile::Folder, "Choose a folder", "", Text(argc, args, 0));
}
void F_GetDirectoryAlt(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  const std::string caption = Text(argc, args, 0);
  FileResult(result, DialogFile::Folder, caption.empty() ? "Choose a folder" : caption, "", Text(argc, args, 1));
}

// show_menu(str, def) and show_menu_pos(x, y, str, def): the chosen item's number (from 0), def
// when cancelled or nobody can answer. The position is not used: a dialog program places itself.
void Menu(RValue& result, int argc, RValue* args, int first) {
  const double fallback = Library::ArgReal(argc, args, first + 1);
  const int chosen = Dialog_Menu(Caption(), Dialog_ParseMenu(Text(argc, args, first)), Text(argc, args, first + 1));
  result.SetReal(chosen >= 0 ? double(chosen) : fallback);
}
void F_ShowMenu(RValue& result, CInstance*, CInstance*, int argc, RValue* args) { Menu(result, argc, args, 0); }
void F_ShowMenuPos(RValue& result, CInstance*, CInstance*, int argc, RValue* args) { Menu(result, argc, args, 2); }

// get_login_async(username, password): asks at once, answers in the dialog event.
constexpr int kDialogEvent = 63;
struct Login {
  int id;
  bool ok;
  std::string user, password;
};
std::vector<Login> g_logins;
int g_nextLogin = 0;

void F_GetLoginAsync(RValue& result, CInstance*, CInstance*, int argc, RValue* args) {
  Login login{g_nextLogin++, false, Text(argc, args, 0), ""};
  login.ok = Dialog_Login("Log in", login.user, login.password);
  g_logins.push_back(login);
  result.SetReal(login.id);
}

}  // namespace

void Function_Dialog_RaiseEvents() {
  std::vector<Login> answered;
  answered.swap(g_logins);
  for (const Login& l : answered) {
    const int index = DataStructures_NewMap();
    CDS_Map* map = DataStructures_Map(index);
    map->Replace(RValue("id"), RValue(l.id));
    map->Replace(RValue("status"), RValue(l.ok ? 1.0 : 0.0));
    RValue user, password;
    Library::SetStringResult(user, l.user);
    Library::SetStringResult(password, l.password);
    map->Replace(RValue("username"), user);
    map->Replace(RValue("password"), password);
    Library::RaiseAsyncEvent(kDialogEvent, index);
  }
}

void Function_Dialog_Forget() {
  g_logins.clear();
  g_nextLogin = 0;
}

void Function_Dialog_Bind() {
  ImplementFunction("show_message", F_ShowMessage);
  ImplementFunction("show_question", F_ShowQuestion);
  ImplementFunction("show_message_ext", F_ShowMessageExt);
  ImplementFunction("show_error", F_ShowError);
  ImplementFunction("get_string", F_GetString);
  ImplementFunction("get_integer", F_GetInteger);
  ImplementFunction("message_caption", F_MessageCaption);
  ImplementFunction("get_color", F_GetColor);
  ImplementFunction("get_open_filename", F_GetOpenFilename);
  ImplementFunction("get_save_filename", F_GetSaveFilename);
  ImplementFunction("get_directory", F_GetDirectory);
  ImplementFunction("get_directory_alt", F_GetDirectoryAlt);
  ImplementFunction("show_menu", F_ShowMenu);
  ImplementFunction("show_menu_pos", F_ShowMenuPos);
  ImplementFunction("get_login_async", F_GetLoginAsync);
}
