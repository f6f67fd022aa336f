// The capture worker's seam to COM: joining and leaving an apartment on the calling thread.
// Each method is one platform call.
#ifndef TESSO_DESKTOP_HOST_COM_APARTMENT_H_
#define TESSO_DESKTOP_HOST_COM_APARTMENT_H_

#include <cstdint>

namespace tesso {

// COINIT_MULTITHREADED.
inline constexpr uint32_t kCoinitMultithreaded = 0;

class ComApartment {
 public:
  virtual ~ComApartment() = default;
  // CoInitializeEx(nullptr, coinit) on the calling thread: its HRESULT (negative on failure,
  // S_FALSE when the thread had already joined).
  virtual int32_t CoInitializeEx(uint32_t coinit) = 0;
  // CoUninitialize on the calling thread.
  virtual void CoUninitialize() = 0;
};

}  // namespace tesso

#endif  // TESSO_DESKTOP_HOST_COM_APARTMENT_H_
