#include "runner/command_line_win.h"

#include <windows.h>

#include <shellapi.h>

#include "runner/command_line.h"

namespace tesso {
namespace {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows text is UTF-16");

std::vector<std::string> SplitAndConvert(const wchar_t* command_line) {
  int count = 0;
  wchar_t** argv = ::CommandLineToArgvW(command_line, &count);
  if (argv == nullptr) return {};
  std::vector<std::u16string> elements;
  elements.reserve(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) elements.emplace_back(reinterpret_cast<const char16_t*>(argv[i]));
  std::vector<std::string> arguments = ArgumentsAfterProgramPath(elements);
  ::LocalFree(argv);
  return arguments;
}

}  // namespace

std::vector<std::string> ArgumentsFromCommandLine(const std::u16string& command_line) {
  return SplitAndConvert(reinterpret_cast<const wchar_t*>(command_line.c_str()));
}

std::vector<std::string> GetCommandLineArguments() { return SplitAndConvert(::GetCommandLineW()); }

}  // namespace tesso
