// The stand-in engine through its exported functions, as a host sees it (no peer link), where
// the integration tests do not reach: the failure switches with null handles, and the
// messenger's life and lock. Frames and the view controller's failure are proven end to end.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "messaging/engine_api.h"

namespace {

FlutterDesktopEngineRef CreateEngine() {
  FlutterDesktopEngineProperties properties = {};
  properties.assets_path = u"data\\flutter_assets";
  properties.icu_data_path = u"data\\icudtl.dat";
  properties.aot_library_path = u"data\\app.so";
  properties.dart_entrypoint = "";
  return FlutterDesktopEngineCreate(&properties);
}

TEST(StandinEngineTest, FailureSwitchesRefuseTheEngineOrTheControllerAndEndTheEngine) {
  FlutterDesktopEngineRef engine = CreateEngine();
  FlutterDesktopMessengerRef messenger =
      FlutterDesktopMessengerAddRef(FlutterDesktopEngineGetMessenger(engine));
  SetEnvironmentVariableW(L"TESSO_STANDIN_FAIL", L"engine,view_controller");
  EXPECT_EQ(FlutterDesktopViewControllerCreate(10, 10, engine), nullptr);
  EXPECT_FALSE(FlutterDesktopMessengerIsAvailable(messenger));
  FlutterDesktopMessengerRelease(messenger);
  EXPECT_EQ(CreateEngine(), nullptr);
  SetEnvironmentVariableW(L"TESSO_STANDIN_FAIL", nullptr);
  EXPECT_EQ(FlutterDesktopViewControllerCreate(10, 10, nullptr), nullptr);
  EXPECT_EQ(FlutterDesktopEngineGetMessenger(nullptr), nullptr);
}

TEST(StandinEngineTest, MessengerOutlivesItsEngineAndItsLockExcludesOtherThreads) {
  FlutterDesktopEngineRef engine = CreateEngine();
  FlutterDesktopMessengerRef messenger =
      FlutterDesktopMessengerAddRef(FlutterDesktopEngineGetMessenger(engine));
  std::atomic<bool> locked{false}, release{false}, seen_available{false};
  std::thread worker([&] {
    FlutterDesktopMessengerRef held = FlutterDesktopMessengerLock(messenger);
    locked = true;
    while (!release) std::this_thread::yield();
    seen_available = FlutterDesktopMessengerIsAvailable(held);
    // A stale response handle is ignored.
    FlutterDesktopMessengerSendResponse(
        held, reinterpret_cast<const FlutterDesktopMessageResponseHandle*>(uintptr_t{12345}),
        nullptr, 0);
    FlutterDesktopMessengerUnlock(held);
  });
  while (!locked) std::this_thread::yield();
  release = true;
  // Blocks until the worker unlocks: the worker saw the engine still available.
  EXPECT_TRUE(FlutterDesktopEngineDestroy(engine));
  worker.join();
  EXPECT_TRUE(seen_available);
  // Still a live object: it can be locked, and sending is refused rather than crashing.
  EXPECT_FALSE(FlutterDesktopMessengerIsAvailable(messenger));
  EXPECT_EQ(FlutterDesktopMessengerLock(messenger), messenger);
  FlutterDesktopMessengerUnlock(messenger);
  const uint8_t byte = 1;
  EXPECT_FALSE(FlutterDesktopMessengerSend(messenger, "c", &byte, 1));
  FlutterDesktopMessengerRelease(messenger);
}

}  // namespace
