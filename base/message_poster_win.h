// The message poster on Windows: PostMessageW. Win32 build only.
#ifndef TESSO_BASE_MESSAGE_POSTER_WIN_H_
#define TESSO_BASE_MESSAGE_POSTER_WIN_H_

#include <cstdint>

#include "base/worker_ports.h"

namespace tesso {

class MessagePosterWin : public MessagePoster {
 public:
  bool PostMessageW(WindowHandle window, uint32_t message, uint64_t wparam,
                    int64_t lparam) override;
};

}  // namespace tesso

#endif  // TESSO_BASE_MESSAGE_POSTER_WIN_H_
