// The player's dialogs: a message with buttons and a line of input. In a window they are system
// dialogs (SDL message boxes; input through zenity when it is installed); in a headless run, or
// when no dialog can be shown, the text goes to the console and the default answer is taken, so
// a game never waits for a player who is not there.
#pragma once
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

// Tests and servers: never show a system dialog, even with a window.
void Dialog_SetConsoleOnly(bool on);
