#include "Runner/Runner_Main.h"

#include "Platform/Platform_Console.h"

int Runner_Main(int argc, char** argv) {
  Console::Output("tessera: not yet able to run a game\n");
  return 1;
}
