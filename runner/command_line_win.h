// The command line as Windows holds it. Win32 build only.
#ifndef TESSO_RUNNER_COMMAND_LINE_WIN_H_
#define TESSO_RUNNER_COMMAND_LINE_WIN_H_

#include <string>
#include <vector>

namespace tesso {

// Splits `command_line` by the shell's rules (CommandLineToArgvW) and returns the UTF-8
// arguments after the program path (see ArgumentsAfterProgramPath). Empty if the command line
// cannot be split.
std::vector<std::string> ArgumentsFromCommandLine(const std::u16string& command_line);

// The arguments of this process's own command line (GetCommandLineW).
std::vector<std::string> GetCommandLineArguments();

}  // namespace tesso

#endif  // TESSO_RUNNER_COMMAND_LINE_WIN_H_
