#include "desktop_host/com_apartment_win.h"

#include <objbase.h>

namespace tesso {

int32_t ComApartmentWin::CoInitializeEx(uint32_t coinit) {
  return static_cast<int32_t>(::CoInitializeEx(nullptr, static_cast<DWORD>(coinit)));
}

void ComApartmentWin::CoUninitialize() { ::CoUninitialize(); }

}  // namespace tesso
