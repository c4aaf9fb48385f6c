#include "Support/Support_Dialog.h"

#include <SDL.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include "Graphics/Graphics_Window.h"
#include "Platform/Platform_Console.h"

namespace {

bool g_consoleOnly = false;

bool CanShow() { return !g_consoleOnly && Window_HasWindow() && !Window_IsHeadless(); }

// Runs a program with its arguments (no shell) and reads its standard output. False when it
// cannot run or exits with a non-zero code.
bool RunForOutput(const std::vector<std::string>& argv, std::string& out) {
  int pipeFds[2];
  if (pipe(pipeFds) != 0) return false;
  const pid_t pid = fork();
  if (pid < 0) {
    close(pipeFds[0]);
    close(pipeFds[1]);
    return false;
  }
  if (pid == 0) {
    dup2(pipeFds[1], STDOUT_FILENO);
    close(pipeFds[0]);
    close(pipeFds[1]);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
  }
  close(pipeFds[1]);
  out.clear();
  char buffer[512];
  ssize_t n;
  while ((n = read(pipeFds[0], buffer, sizeof buffer)) > 0) out.append(buffer, size_t(n));
  close(pipeFds[0]);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool HaveZenity() {
  static int have = -1;
  if (have < 0) have = std::system("command -v zenity >/dev/null 2>&1") == 0 ? 1 : 0;
  return have == 1;
}

}  // namespace

int Dialog_Choose(const std::string& caption, const std::string& text, const std::vector<std::string>& buttons,
                  int defaultButton, int cancelButton) {
  if (CanShow()) {
    std::vector<SDL_MessageBoxButtonData> data;
    // SDL lays buttons out in reverse of the array on most back ends; give them right to left.
    for (int i = static_cast<int>(buttons.size()) - 1; i >= 0; --i) {
      Uint32 flags = 0;
      if (i == defaultButton) flags |= SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT;
      if (i == cancelButton) flags |= SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT;
      data.push_back({flags, i, buttons[size_t(i)].c_str()});
    }
    const SDL_MessageBoxData box = {SDL_MESSAGEBOX_INFORMATION, nullptr, caption.c_str(), text.c_str(),
                                    static_cast<int>(data.size()), data.data(), nullptr};
    int chosen = -1;
    if (SDL_ShowMessageBox(&box, &chosen) == 0) return chosen < 0 ? cancelButton : chosen;
    Console::Output("The message box cannot be shown (%s); the message follows.\n", SDL_GetError());
  }
  Console::Output("%s\n", text.c_str());
  if (buttons.size() > 1 && cancelButton >= 0 && cancelButton < static_cast<int>(buttons.size())) {
    Console::Output("-> %s\n", buttons[size_t(cancelButton)].c_str());
  }
  return cancelButton;
}

bool Dialog_Input(const std::string& caption, const std::string& prompt, std::string& value) {
  if (CanShow() && HaveZenity()) {
    std::string out;
    if (RunForOutput({"zenity", "--entry", "--title=" + caption, "--text=" + prompt, "--entry-text=" + value}, out)) {
      while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
      value = out;
      return true;
    }
    return false;
  }
  if (CanShow()) {
    Dialog_Choose(caption, prompt + "\n\n(typing an answer needs zenity, which is not installed; the answer is \"" +
                               value + "\")", {"OK"}, 0, 0);
    return false;
  }
  Console::Output("%s\n-> %s\n", prompt.c_str(), value.c_str());
  return false;
}

void Dialog_SetConsoleOnly(bool on) { g_consoleOnly = on; }
