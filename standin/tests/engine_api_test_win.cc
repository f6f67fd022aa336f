// The stand-in engine through its exported functions, as a host sees it (no peer link): the
// next-frame callback, the failure switches, and the messenger's life and lock.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "messaging/engine_api.h"

namespace {

// Runs the calling thread's messages until `done` or until no message arrives for a while
// (a safety net against a hang, not a timing expectation); without `done`, what is queued.
template <typename Predicate>
void Pump(Predicate done, int patience = 50) {
  for (int idle = 0; !done() && idle < patience;) {
    MSG message;
    if (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      idle = 0;
      DispatchMessageW(&message);
    } else if (++idle < patience) {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
    }
  }
}
void PumpPending() {
  Pump([] { return false; }, 1);
}

FlutterDesktopEngineRef CreateEngine() {
  FlutterDesktopEngineProperties properties = {};
  properties.assets_path = u"data\\flutter_assets";
  properties.icu_data_path = u"data\\icudtl.dat";
  properties.aot_library_path = u"data\\app.so";
  properties.dart_entrypoint = "";
  return FlutterDesktopEngineCreate(&properties);
}

// Counts frames and their thread; can end the engine from inside the callback.
struct Frames {
  int calls = 0;
  DWORD thread = 0;
  FlutterDesktopViewControllerRef destroy = nullptr;
  static void OnFrame(void* user_data) {
    auto* self = static_cast<Frames*>(user_data);
    ++self->calls;
    self->thread = GetCurrentThreadId();
    if (self->destroy != nullptr) FlutterDesktopViewControllerDestroy(self->destroy);
  }
};

TEST(StandinEngineTest, NextFrameCallbackRunsOnceOnTheUiThreadPerArming) {
  FlutterDesktopEngineRef engine = CreateEngine();
  ASSERT_NE(engine, nullptr);
  SetEnvironmentVariableW(L"TESSO_STANDIN_FIRST_FRAME", L"manual");
  FlutterDesktopViewControllerRef controller = FlutterDesktopViewControllerCreate(64, 48, engine);
  SetEnvironmentVariableW(L"TESSO_STANDIN_FIRST_FRAME", nullptr);
  ASSERT_NE(controller, nullptr);
  Frames frames;
  FlutterDesktopEngineSetNextFrameCallback(engine, &Frames::OnFrame, &frames);
  PumpPending();
  EXPECT_EQ(frames.calls, 0) << "no frame without a request in manual mode";
  FlutterDesktopViewControllerForceRedraw(controller);
  FlutterDesktopViewControllerForceRedraw(controller);
  Pump([&] { return frames.calls > 0; });
  PumpPending();
  EXPECT_EQ(frames.calls, 1);
  EXPECT_EQ(frames.thread, GetCurrentThreadId());
  FlutterDesktopEngineSetNextFrameCallback(engine, &Frames::OnFrame, &frames);
  FlutterDesktopViewControllerForceRedraw(controller);
  Pump([&] { return frames.calls > 1; });
  EXPECT_EQ(frames.calls, 2);
  FlutterDesktopViewControllerDestroy(controller);
}

TEST(StandinEngineTest, EngineMayBeEndedFromInsideItsOwnCallback) {
  FlutterDesktopEngineRef engine = CreateEngine();
  FlutterDesktopMessengerRef messenger =
      FlutterDesktopMessengerAddRef(FlutterDesktopEngineGetMessenger(engine));
  Frames frames;
  frames.destroy = FlutterDesktopViewControllerCreate(16, 16, engine);
  ASSERT_NE(frames.destroy, nullptr);
  FlutterDesktopEngineSetNextFrameCallback(engine, &Frames::OnFrame, &frames);
  Pump([&] { return frames.calls > 0; });
  EXPECT_EQ(frames.calls, 1);
  EXPECT_FALSE(FlutterDesktopMessengerIsAvailable(messenger));
  PumpPending();
  FlutterDesktopMessengerRelease(messenger);
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
