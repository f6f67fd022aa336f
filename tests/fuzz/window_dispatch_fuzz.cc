// The window service's method dispatch behind the fake shell port and messenger: any method
// name and any argument bytes get exactly one answer, within one message's budget.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/fakes/fake_binary_messenger.h"
#include "tests/fakes/fake_shell_port.h"
#include "tests/fuzz/fuzz_budget.h"
#include "tests/fuzz/fuzz_call.h"
#include "tray/window_channel.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::vector<std::string> kMethods = {"setCloseToTray", "showNotice",
                                                    "setViewerActive", "isHidden"};
  if (size == 0) return 0;
  tesso_test::FakeShellPort shell;
  tesso_test::FakeBinaryMessenger messenger;
  tesso::WindowChannel service(&messenger, static_cast<tesso::WindowHandle>(0xAB0),
                               /*start_hidden=*/(data[0] & 0x80) != 0, &shell);
  const std::vector<uint8_t> message = tesso_fuzz::CallMessage(kMethods, data, size);
  tesso_fuzz::BudgetCheck check;
  if (!messenger.Deliver("com.vel.halvo/window", message)) std::abort();  // unanswered
  return 0;
}
