// What the command line means to the shell: the arguments handed to the user interface, the
// start-hidden option among them, and the engine project built from them.
#ifndef TESSO_RUNNER_COMMAND_LINE_H_
#define TESSO_RUNNER_COMMAND_LINE_H_

#include <string>
#include <vector>

#include "messaging/engine_project.h"

namespace tesso {

// Starts the process in the tray. Compared byte-wise with each whole argument.
inline constexpr char kStartHiddenArgument[] = "--hidden";

// The UTF-8 arguments that follow the program path, in order. `argv` is the command line split
// into elements, element 0 being the program path. An element that cannot be converted (an
// unpaired surrogate) becomes an empty string in its place, so positions are kept.
std::vector<std::string> ArgumentsAfterProgramPath(const std::vector<std::u16string>& argv);

// True if any of `arguments` (which start after the program path) is exactly "--hidden";
// --HIDDEN, --hidden=1 or -hidden do not count.
bool IsStartHidden(const std::vector<std::string>& arguments);

// The project record for the user interface bundle in the "data" folder beside the executable.
// The paths stay relative: the engine resolves them against the executable's folder. All of
// `arguments`, "--hidden" included, become the entrypoint arguments.
flutter::EngineProject MakeEngineProject(std::vector<std::string> arguments);

}  // namespace tesso

#endif  // TESSO_RUNNER_COMMAND_LINE_H_
