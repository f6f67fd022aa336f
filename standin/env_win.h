// Environment switches of the stand-in engine.
#ifndef TESSO_STANDIN_ENV_WIN_H_
#define TESSO_STANDIN_ENV_WIN_H_

#include <string>
#include <string_view>

namespace tesso::standin {

// The variable's value as UTF-8, empty when it is not set. Read from the process environment
// at each call, so a test can change it between engines.
std::string GetEnv(const wchar_t* name) noexcept;

// True when TESSO_STANDIN_FAIL, a comma-separated list, names `what` ("engine",
// "view_controller").
bool FailureRequested(std::string_view what) noexcept;

}  // namespace tesso::standin

#endif  // TESSO_STANDIN_ENV_WIN_H_
