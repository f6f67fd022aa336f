// The HRESULTs that the capture engine tells apart. Negative values are failures.
#ifndef TESSO_DESKTOP_HOST_HRESULTS_H_
#define TESSO_DESKTOP_HOST_HRESULTS_H_

#include <cstdint>

namespace tesso {

constexpr int32_t kSOk = 0;
constexpr int32_t kEAccessDenied = static_cast<int32_t>(0x80070005u);
constexpr int32_t kDxgiErrorNotFound = static_cast<int32_t>(0x887A0002u);
constexpr int32_t kDxgiErrorUnsupported = static_cast<int32_t>(0x887A0004u);
constexpr int32_t kDxgiErrorAccessLost = static_cast<int32_t>(0x887A0026u);
constexpr int32_t kDxgiErrorWaitTimeout = static_cast<int32_t>(0x887A0027u);
constexpr int32_t kDxgiErrorSessionDisconnected = static_cast<int32_t>(0x887A0028u);

}  // namespace tesso

#endif  // TESSO_DESKTOP_HOST_HRESULTS_H_
