#ifndef TESSO_MESSAGING_ENGINE_PROJECT_H_
#define TESSO_MESSAGING_ENGINE_PROJECT_H_

#include <cstdint>
#include <string>
#include <vector>

namespace flutter {

// What the engine runs: the user interface bundle and how to enter it.
struct EngineProject {
  std::u16string assets_path;
  std::u16string icu_data_path;
  std::u16string aot_library_path;
  // Empty: the engine's default entrypoint.
  std::string dart_entrypoint;
  std::vector<std::string> dart_entrypoint_arguments;
  // Handed unchanged to the two option fields that close the engine's properties record.
  int32_t option_a = 0;
  int32_t option_b = 0;
};

}  // namespace flutter

#endif  // TESSO_MESSAGING_ENGINE_PROJECT_H_
