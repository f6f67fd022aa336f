#include "runner/command_line.h"

#include <algorithm>
#include <utility>

#include "base/string_conversions.h"

namespace tesso {
namespace {

constexpr char16_t kProjectBaseDirectory[] = u"data";

}  // namespace

std::vector<std::string> ArgumentsAfterProgramPath(const std::vector<std::u16string>& argv) {
  std::vector<std::string> arguments;
  if (argv.size() > 1) arguments.reserve(argv.size() - 1);
  for (size_t i = 1; i < argv.size(); ++i) arguments.push_back(ArgumentToUtf8(argv[i]));
  return arguments;
}

bool IsStartHidden(const std::vector<std::string>& arguments) {
  return std::find(arguments.begin(), arguments.end(), kStartHiddenArgument) != arguments.end();
}

flutter::EngineProject MakeEngineProject(std::vector<std::string> arguments) {
  const std::u16string base(kProjectBaseDirectory);
  flutter::EngineProject project;
  project.assets_path = base + u"\\flutter_assets";
  project.icu_data_path = base + u"\\icudtl.dat";
  project.aot_library_path = base + u"\\app.so";
  project.dart_entrypoint_arguments = std::move(arguments);
  return project;
}

}  // namespace tesso
