// The title bar's colours after the user's app theme.
#ifndef TESSO_RUNNER_THEME_H_
#define TESSO_RUNNER_THEME_H_

#include <cstdint>

namespace tesso {

// `apps_use_light_theme` is the REG_DWORD "AppsUseLightTheme" of the user's personalisation
// settings: 0 asks for dark app windows, any other value for light ones. True when the title
// bar should be dark (DWMWA_USE_IMMERSIVE_DARK_MODE set to 1).
constexpr bool DarkTitleBarForLightThemeValue(uint32_t apps_use_light_theme) {
  return apps_use_light_theme == 0;
}

}  // namespace tesso

#endif  // TESSO_RUNNER_THEME_H_
