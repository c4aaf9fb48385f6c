// Feeds arbitrary text to the model reader. Reading must not crash; a refused text leaves the
// commands alone; an accepted one writes back to a text that reads to the same commands, and that
// text is stable from then on.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "Graphics/Graphics_Model.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::vector<ModelCommand> commands(1);
  std::string error;
  if (!Model_FromText(text, commands, error)) {
    if (commands.size() != 1 || error.empty()) std::abort();
    return 0;
  }
  CModel model;
  model.commands = commands;
  const std::string written = Model_ToText(model);
  std::vector<ModelCommand> again;
  if (!Model_FromText(written, again, error) || again.size() != commands.size()) std::abort();
  for (size_t i = 0; i < again.size(); ++i) {
    if (again[i].type != commands[i].type) std::abort();
  }
  CModel second;
  second.commands = again;
  std::vector<ModelCommand> third;
  if (!Model_FromText(Model_ToText(second), third, error)) std::abort();
  CModel settled;
  settled.commands = third;
  if (Model_ToText(settled) != Model_ToText(second)) std::abort();
  return 0;
}
