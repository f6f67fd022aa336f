// The wake service's method dispatch behind fake ports: any method name and any argument
// bytes get exactly one answer (a started query's after its result message), within one
// message's budget.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "tests/fakes/deferred_reply_messenger.h"
#include "tests/fakes/fake_ip_helper_port.h"
#include "tests/fakes/fake_wake_ports.h"
#include "tests/fuzz/fuzz_budget.h"
#include "tests/fuzz/fuzz_call.h"
#include "wake/windows_wake_channel.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::vector<std::string> kMethods = {"listAdapters"};
  if (size == 0) return 0;
  auto poster = std::make_shared<tesso_test::FakeMessagePoster>();
  auto starter = std::make_shared<tesso_test::FakeWorkerStarter>();
  starter->fail = (data[0] & 0x80) != 0;
  tesso_test::DeferredReplyMessenger messenger;
  tesso::WindowsWakeChannel service(&messenger, static_cast<tesso::WindowHandle>(0xBEE),
                                    {std::make_shared<tesso_test::FakeIpHelperPort>(), poster,
                                     starter, std::make_shared<tesso_test::FakeSteadyClock>()});
  const std::vector<uint8_t> message = tesso_fuzz::CallMessage(kMethods, data, size);
  tesso_fuzz::BudgetCheck check;
  const auto id = messenger.Deliver(tesso::WindowsWakeChannel::kChannelName, message);
  if (id && starter->started != 0) {
    poster->WaitForPosts(1);
    service.DeliverAdapterResult();
  }
  if (!id || messenger.ResponseFor(*id).answers != 1) std::abort();
  return 0;
}
