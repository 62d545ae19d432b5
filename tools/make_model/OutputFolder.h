#pragma once

#include <string>
#include <vector>

namespace makemodel {

// Whether outFolder may receive a model. It may when it does not exist (the folder that holds
// it does), when it is an empty folder, and, with force, when it holds a model this tool wrote
// and nothing else. Never through a symbolic link, never the working directory or a folder
// above it, never a folder that holds one of the inputs, whatever force says: --force replaces
// a model, not the user's files. The problem, empty when it may.
std::string
checkOutputFolder(const std::string& outFolder, bool force, const std::vector<std::string>& inputs);

// While a model folder is being written beside the output, an interruption (Ctrl-C, SIGTERM)
// only raises a flag: the writer stops at the next file, its scratch folder is removed, and the
// signal then ends the program as it would have.
class InterruptionGuard
{
public:
  InterruptionGuard();
  // Puts the previous handlers back, then delivers a signal that came meanwhile.
  ~InterruptionGuard();
  InterruptionGuard(const InterruptionGuard&) = delete;
  InterruptionGuard& operator=(const InterruptionGuard&) = delete;

  static bool interrupted();
};

} // namespace makemodel
