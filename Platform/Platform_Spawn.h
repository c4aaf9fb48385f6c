// Starting other programs: a program with its arguments, waited for or not, and documents and URLs
// handed to the desktop's opener (xdg-open). The platform half lives in Linux/Platform_SpawnM.cpp.
#pragma once
#include <string>
#include <vector>

struct SpawnOutcome {
  bool started = false;
  int exitCode = -1;  // when waited for: the exit status, or -1 when a signal ended the program
  std::string error;  // why it could not start
};

// Starts `program` (searched in PATH when the name holds no '/') with `args` after it. With `wait`
// the call returns when the program has ended. Programs not waited for are reaped by later calls
// and by Platform_ReapChildren, which the runner calls every step.
SpawnOutcome Platform_Spawn(const std::string& program, const std::vector<std::string>& args, bool wait);
// Hands a document or URL to the desktop's opener, without waiting. An empty target, or one that
// starts with '-', is refused.
SpawnOutcome Platform_OpenDocument(const std::string& target);
// Collects programs that were started without waiting and have ended.
void Platform_ReapChildren();
// Called about fifty times a second while Platform_Spawn waits for a program (the runner keeps its
// window answering); null waits without calling anything.
void Platform_SetSpawnWaitHook(void (*hook)());

// A command line split into arguments: blanks separate them; double quotes group blanks into one
// (the quotes are dropped); \" is a quote character; any other backslash is kept.
std::vector<std::string> Platform_SplitCommandLine(const std::string& line);
