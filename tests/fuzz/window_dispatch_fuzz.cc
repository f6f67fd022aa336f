// The window service's method dispatch behind the fake shell port and messenger: any method
// name and any argument bytes get exactly one answer, within one message's budget.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/fakes/deferred_reply_messenger.h"
#include "tests/fakes/fake_shell_port.h"
#include "tests/fuzz/fuzz_budget.h"
#include "tests/fuzz/fuzz_call.h"
#include "tray/window_channel.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::vector<std::string> kMethods = {"setCloseToTray", "showNotice",
                                                    "setViewerActive", "isHidden"};
  if (size == 0) return 0;
  tesso_test::FakeShellPort shell;
  tesso_test::DeferredReplyMessenger messenger;
  tesso::WindowChannel service(&messenger, tesso_test::FakeShellPort::kWindow,
                               /*start_hidden=*/(data[0] & 0x80) != 0, &shell);
  const std::vector<uint8_t> message = tesso_fuzz::CallMessage(kMethods, data, size);
  tesso_fuzz::BudgetCheck check;
  const auto id = messenger.Deliver(tesso::WindowChannel::kChannelName, message);
  if (!id || messenger.ResponseFor(*id).answers != 1) std::abort();
  return 0;
}
