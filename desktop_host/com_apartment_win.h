// The COM seam on Windows. Win32 build only.
#ifndef TESSO_DESKTOP_HOST_COM_APARTMENT_WIN_H_
#define TESSO_DESKTOP_HOST_COM_APARTMENT_WIN_H_

#include <cstdint>

#include "desktop_host/com_apartment.h"

namespace tesso {

class ComApartmentWin : public ComApartment {
 public:
  int32_t CoInitializeEx(uint32_t coinit) override;
  void CoUninitialize() override;
};

}  // namespace tesso

#endif  // TESSO_DESKTOP_HOST_COM_APARTMENT_WIN_H_
