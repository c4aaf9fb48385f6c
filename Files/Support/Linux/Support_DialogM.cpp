#include <SDL.h>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "Graphics/Graphics_Window.h"
#include "Platform/Platform_Console.h"
#include "Support/Support_Dialog.h"

extern char** environ;

namespace {

bool g_consoleOnly = false;

bool CanShow() { return !g_consoleOnly && Window_HasWindow() && !Window_IsHeadless(); }

bool OnPath(const char* name) {
  const char* path = std::getenv("PATH");
  if (path == nullptr) return false;
  std::string folders = path;
  size_t start = 0;
  while (start <= folders.size()) {
    size_t end = folders.find(':', start);
    if (end == std::string::npos) end = folders.size();
    const std::string folder = end > start ? folders.substr(start, end - start) : ".";
    if (access((folder + "/" + name).c_str(), X_OK) == 0) return true;
    start = end + 1;
  }
  return false;
}

DialogTool Tool() { return CanShow() ? Dialog_DesktopTool() : DialogTool::None; }

}  // namespace

DialogTool Dialog_DesktopTool() {
  static int tool = -1;
  if (tool < 0) {
    const bool zenity = OnPath("zenity"), kdialog = OnPath("kdialog");
    const char* desktop = std::getenv("XDG_CURRENT_DESKTOP");
    const bool kde = desktop != nullptr && std::strstr(desktop, "KDE") != nullptr;
    tool = int(kdialog && (kde || !zenity) ? DialogTool::Kdialog : zenity ? DialogTool::Zenity : DialogTool::None);
  }
  return DialogTool(tool);
}

int Dialog_RunProgram(const std::vector<std::string>& argv, std::string& out) {
  out.clear();
  int fds[2];
  if (argv.empty() || pipe2(fds, O_CLOEXEC) != 0) return -1;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);  // toolkit chatter
  posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid = -1;
  const int failed = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(fds[1]);
  if (failed != 0) {
    close(fds[0]);
    return -1;
  }
  char buffer[512];
  for (;;) {
    pollfd p{fds[0], POLLIN, 0};
    const int ready = poll(&p, 1, 50);
    if (ready < 0 && errno != EINTR) break;
    if (ready > 0) {
      const ssize_t n = read(fds[0], buffer, sizeof buffer);
      if (n > 0) out.append(buffer, size_t(n));
      else if (n == 0 || errno != EINTR) break;
    }
    Window_PumpMessages();
  }
  close(fds[0]);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

namespace {

int Run(const std::vector<std::string>& argv, std::string& out) { return Dialog_RunProgram(argv, out); }

// A window but no dialog program: a box says so and the default answer is taken.
void WithoutTool(const std::string& caption, const std::string& text, const std::string& answer) {
  Dialog_Choose(caption, text + "\n\n(answering needs zenity or kdialog, neither of which is installed; the answer is " +
                             answer + ")", {"OK"}, 0, 0);
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
    // With the game's window as its parent the box is centred on it, and on X11 SDL goes straight
    // to its own X box (without one it tries zenity first).
    const SDL_MessageBoxData box = {SDL_MESSAGEBOX_INFORMATION, SDL_GL_GetCurrentWindow(), caption.c_str(), text.c_str(),
                                    static_cast<int>(data.size()), data.data(), nullptr};
    int chosen = -1;
    SDL_ClearError();
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
  std::string out;
  switch (Tool()) {
    case DialogTool::Zenity:
      if (Run({"zenity", "--entry", "--title=" + caption, "--text=" + prompt, "--entry-text=" + value}, out) != 0) return false;
      value = out;
      return true;
    case DialogTool::Kdialog:
      if (Run({"kdialog", "--title", caption, "--inputbox", prompt, value}, out) != 0) return false;
      value = out;
      return true;
    case DialogTool::None:
      break;
  }
  if (CanShow()) {
    WithoutTool(caption, prompt, "\"" + value + "\"");
    return false;
  }
  Console::Output("%s\n-> %s\n", prompt.c_str(), value.c_str());
  return false;
}

bool Dialog_File(DialogFile kind, const std::string& caption, const std::vector<DialogFilter>& filters, std::string& path) {
  const DialogTool tool = Tool();
  if (tool != DialogTool::None) {
    std::string out;
    if (Run(Dialog_FileCommand(tool, kind, caption, filters, path), out) != 0 || out.empty()) return false;
    path = out;
    return true;
  }
  if (CanShow()) {
    WithoutTool(caption, caption, "Cancel");
    return false;
  }
  Console::Output("%s\n-> Cancel\n", caption.c_str());
  return false;
}

bool Dialog_Colour(const std::string& caption, int32_t& colour) {
  const std::string start = Dialog_ColourText(colour);
  std::string out;
  int code = -1;
  switch (Tool()) {
    case DialogTool::Zenity:
      code = Run({"zenity", "--color-selection", "--title=" + caption, "--color=" + start}, out);
      break;
    case DialogTool::Kdialog:
      code = Run({"kdialog", "--title", caption, "--getcolor", "--default", start}, out);
      break;
    case DialogTool::None:
      if (CanShow()) {
        WithoutTool(caption, caption, std::to_string(colour));
        return false;
      }
      Console::Output("%s\n-> %d\n", caption.c_str(), colour);
      return false;
  }
  return code == 0 && Dialog_ParseColourAnswer(out, colour);
}

int Dialog_Menu(const std::string& caption, const std::vector<DialogMenuItem>& items, const std::string& fallback) {
  std::vector<std::string> argv;
  std::vector<std::string> labels;
  std::vector<int> numbers;
  for (size_t i = 0; i < items.size(); ++i) {
    if (items[i].separator) continue;
    labels.push_back(items[i].label);
    numbers.push_back(int(i));
  }
  if (labels.empty()) return -1;
  const DialogTool tool = Tool();
  if (tool == DialogTool::Zenity) {
    argv = {"zenity", "--list", "--title=" + caption, "--text=" + caption, "--hide-header", "--column=n",
            "--column=item", "--hide-column=1", "--print-column=1"};
  } else if (tool == DialogTool::Kdialog) {
    argv = {"kdialog", "--title", caption, "--menu", caption};
  }
  if (!argv.empty()) {
    for (size_t i = 0; i < labels.size(); ++i) {
      argv.push_back(std::to_string(numbers[i]));
      argv.push_back(labels[i]);
    }
    std::string out;
    if (Run(argv, out) != 0) return -1;
    char* end = nullptr;
    const long chosen = std::strtol(out.c_str(), &end, 10);
    const bool known = !out.empty() && *end == '\0' && chosen >= 0 && chosen < long(items.size()) && !items[size_t(chosen)].separator;
    return known ? int(chosen) : -1;
  }
  if (CanShow()) {
    // Without a dialog program the items become the buttons of a box.
    labels.push_back("Cancel");
    const int chosen = Dialog_Choose(caption, caption, labels, 0, int(labels.size()) - 1);
    return chosen >= 0 && chosen < int(numbers.size()) ? numbers[size_t(chosen)] : -1;
  }
  std::string line;
  for (size_t i = 0; i < labels.size(); ++i) line += (i ? " | " : "") + labels[i];
  Console::Output("%s\n-> %s\n", line.c_str(), fallback.c_str());
  return -1;
}

bool Dialog_Login(const std::string& caption, std::string& user, std::string& password) {
  password.clear();
  std::string out;
  switch (Tool()) {
    case DialogTool::Zenity: {
      // zenity answers "user|password"; a user name cannot hold '|' here.
      if (Run({"zenity", "--password", "--username", "--title=" + caption}, out) != 0) return false;
      const size_t bar = out.find('|');
      if (bar == std::string::npos) return false;
      user = out.substr(0, bar);
      password = out.substr(bar + 1);
      return true;
    }
    case DialogTool::Kdialog: {
      std::string name;
      if (Run({"kdialog", "--title", caption, "--inputbox", "User name:", user}, name) != 0) return false;
      if (Run({"kdialog", "--title", caption, "--password", "Password:"}, out) != 0) return false;
      user = name;
      password = out;
      return true;
    }
    case DialogTool::None:
      break;
  }
  if (CanShow()) {
    WithoutTool(caption, caption, "Cancel");
    return false;
  }
  Console::Output("%s\n-> Cancel\n", caption.c_str());
  return false;
}

void Dialog_SetConsoleOnly(bool on) { g_consoleOnly = on; }
