// The player's dialogs: messages with buttons, a line of input, colours, files and folders, menus
// and a login. In a window they are system dialogs (SDL message boxes; the rest through the
// desktop's dialog program, zenity or kdialog, when one is installed); in a headless run, or when no
// dialog can be shown, the text goes to the console and the default answer is taken, so a game
// never waits for a player who is not there.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Shows `text` with the buttons (at least one); returns the index of the chosen button. Return
// picks `defaultButton`, Escape or closing `cancelButton`. When no one can answer the result is
// `cancelButton`: headless, the text is printed and, when there is a choice, "-> <label>" of it.
int Dialog_Choose(const std::string& caption, const std::string& text, const std::vector<std::string>& buttons,
                  int defaultButton, int cancelButton);

// Asks for a line of text, starting from `value`. True with the entered text; false (value kept)
// when cancelled or when no one can answer. Headless: prints the prompt and "-> <value>".
bool Dialog_Input(const std::string& caption, const std::string& prompt, std::string& value);

// ---- Files, folders, colours, menus, login ----------------------------------------------------

// A file filter "Name|pattern;pattern|Name|pattern": pairs of a name and its patterns. A pattern
// "*.*" means every file ("*"); a last name without patterns is its own pattern; pairs without a
// pattern are dropped.
struct DialogFilter {
  std::string name;
  std::vector<std::string> patterns;
};
std::vector<DialogFilter> Dialog_ParseFilter(const std::string& filter);

enum class DialogFile { Open, Save, Folder };
// Asks for a file to open or save, or a folder, starting at `path` (a file name, a folder or
// empty). True with the chosen path; false (path kept) when cancelled or no one can answer.
// Headless: prints the caption and "-> Cancel".
bool Dialog_File(DialogFile kind, const std::string& caption, const std::vector<DialogFilter>& filters, std::string& path);

// Asks for a colour (a script colour, 0x00BBGGRR) starting from `colour`. True with the choice;
// false (colour kept) when cancelled or no one can answer. Headless: prints the caption and
// "-> <colour>".
bool Dialog_Colour(const std::string& caption, int32_t& colour);

// A menu "item|item|-|item": every piece is an item numbered by its place from 0; "-" is a
// separator line that cannot be chosen.
struct DialogMenuItem {
  std::string label;
  bool separator = false;
};
std::vector<DialogMenuItem> Dialog_ParseMenu(const std::string& menu);
// The chosen item's number, or -1 when cancelled or no one can answer. Headless: prints the
// choosable items separated by " | " and "-> <fallback>" (the caller's default answer).
int Dialog_Menu(const std::string& caption, const std::vector<DialogMenuItem>& items, const std::string& fallback);

// Asks for a user name (starting from `user`) and a password. True with both; false (user kept,
// password emptied) when cancelled or no one can answer. Headless: prints the caption and
// "-> Cancel".
bool Dialog_Login(const std::string& caption, std::string& user, std::string& password);

// ---- The desktop's dialog program --------------------------------------------------------------

enum class DialogTool { None, Zenity, Kdialog };
// The program on PATH, whether or not a window exists: kdialog on a KDE desktop when it is there,
// else zenity, else kdialog. Looked up once.
DialogTool Dialog_DesktopTool();
// The program's command line for a file dialog (the program name first).
std::vector<std::string> Dialog_FileCommand(DialogTool tool, DialogFile kind, const std::string& caption,
                                            const std::vector<DialogFilter>& filters, const std::string& path);
// A colour answer of either program ("#rrggbb", "#rrrrggggbbbb", "rgb(r,g,b)", "rgba(r,g,b,a)") as
// a script colour; false for anything else.
bool Dialog_ParseColourAnswer(const std::string& answer, int32_t& colour);
// A script colour as "#rrggbb".
std::string Dialog_ColourText(int32_t colour);

// Runs a program (no shell; standard input and error /dev/null) and reads its standard output without
// its trailing line breaks, pumping the window meanwhile so that it stays responsive (input that
// arrives lands in the incoming state as usual). The exit code, or -1 when it cannot run or did not
// exit normally.
int Dialog_RunProgram(const std::vector<std::string>& argv, std::string& out);

// Tests and servers: never show a system dialog, even with a window.
void Dialog_SetConsoleOnly(bool on);
