// The stand-in engine through its exported functions, as a host sees it (no peer link).
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "messaging/engine_api.h"

namespace {

// Runs the calling thread's messages until `done` or until no message arrives for a while
// (a safety net against a hang, not a timing expectation).
template <typename Predicate>
void PumpUntil(Predicate done) {
  for (int idle = 0; !done() && idle < 50;) {
    MSG message;
    if (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      idle = 0;
      DispatchMessageW(&message);
    } else {
      ++idle;
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
    }
  }
}

// Runs the messages already queued for the calling thread.
void PumpPending() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
}

class ScopedEnv {
 public:
  ScopedEnv(const wchar_t* name, const wchar_t* value) : name_(name) {
    SetEnvironmentVariableW(name, value);
  }
  ~ScopedEnv() { SetEnvironmentVariableW(name_, nullptr); }

 private:
  const wchar_t* name_;
};

FlutterDesktopEngineRef CreateEngine() {
  FlutterDesktopEngineProperties properties = {};
  properties.assets_path = u"data\\flutter_assets";
  properties.icu_data_path = u"data\\icudtl.dat";
  properties.aot_library_path = u"data\\app.so";
  properties.dart_entrypoint = "";
  return FlutterDesktopEngineCreate(&properties);
}

struct FrameCounter {
  int calls = 0;
  DWORD thread = 0;
  static void OnFrame(void* user_data) {
    auto* self = static_cast<FrameCounter*>(user_data);
    ++self->calls;
    self->thread = GetCurrentThreadId();
  }
};

TEST(StandinEngineTest, NextFrameCallbackRunsOnceOnTheUiThreadPerArming) {
  FlutterDesktopEngineRef engine = CreateEngine();
  ASSERT_NE(engine, nullptr);
  {
    ScopedEnv manual(L"TESSO_STANDIN_FIRST_FRAME", L"manual");
    FlutterDesktopViewControllerRef controller = FlutterDesktopViewControllerCreate(64, 48, engine);
    ASSERT_NE(controller, nullptr);
    FrameCounter counter;
    FlutterDesktopEngineSetNextFrameCallback(engine, &FrameCounter::OnFrame, &counter);
    PumpPending();
    EXPECT_EQ(counter.calls, 0) << "no frame without a request in manual mode";

    FlutterDesktopViewControllerForceRedraw(controller);
    FlutterDesktopViewControllerForceRedraw(controller);
    PumpUntil([&] { return counter.calls > 0; });
    PumpPending();
    EXPECT_EQ(counter.calls, 1);
    EXPECT_EQ(counter.thread, GetCurrentThreadId());

    FlutterDesktopEngineSetNextFrameCallback(engine, &FrameCounter::OnFrame, &counter);
    FlutterDesktopViewControllerForceRedraw(controller);
    PumpUntil([&] { return counter.calls > 1; });
    EXPECT_EQ(counter.calls, 2);
    FlutterDesktopViewControllerDestroy(controller);
  }
}

TEST(StandinEngineTest, ViewGoneWithTheHostWindowBeforeTheControllerIsNotDestroyedTwice) {
  FlutterDesktopEngineRef engine = CreateEngine();
  FlutterDesktopViewControllerRef controller = FlutterDesktopViewControllerCreate(32, 32, engine);
  ASSERT_NE(controller, nullptr);
  const auto view =
      static_cast<HWND>(FlutterDesktopViewGetHWND(FlutterDesktopViewControllerGetView(controller)));
  HWND host = CreateWindowExW(0, L"STATIC", L"host", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                              nullptr, nullptr, nullptr);
  SetParent(view, host);
  DestroyWindow(host);
  EXPECT_FALSE(IsWindow(view));
  FlutterDesktopViewControllerDestroy(controller);  // must not touch the stale handle
}

TEST(StandinEngineTest, FailureSwitchesRefuseTheEngineOrTheControllerAndEndTheEngine) {
  FlutterDesktopEngineRef engine = CreateEngine();
  FlutterDesktopMessengerRef messenger =
      FlutterDesktopMessengerAddRef(FlutterDesktopEngineGetMessenger(engine));
  {
    ScopedEnv fail(L"TESSO_STANDIN_FAIL", L"engine,view_controller");
    EXPECT_EQ(FlutterDesktopViewControllerCreate(10, 10, engine), nullptr);
  }
  EXPECT_FALSE(FlutterDesktopMessengerIsAvailable(messenger));
  FlutterDesktopMessengerRelease(messenger);
  {
    ScopedEnv fail(L"TESSO_STANDIN_FAIL", L"engine");
    EXPECT_EQ(CreateEngine(), nullptr);
  }
  EXPECT_EQ(FlutterDesktopViewControllerCreate(10, 10, nullptr), nullptr);
  EXPECT_EQ(FlutterDesktopEngineGetMessenger(nullptr), nullptr);
}

TEST(StandinEngineTest, MessengerOutlivesItsEngineAndItsLockExcludesOtherThreads) {
  FlutterDesktopEngineRef engine = CreateEngine();
  FlutterDesktopMessengerRef messenger =
      FlutterDesktopMessengerAddRef(FlutterDesktopEngineGetMessenger(engine));
  std::atomic<bool> locked{false};
  std::atomic<bool> release{false};
  std::atomic<bool> seen_available{false};
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
  FlutterDesktopEngineDestroy(engine);
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

struct DestroyOnFrame {
  FlutterDesktopViewControllerRef controller = nullptr;
  bool ran = false;
  static void OnFrame(void* user_data) {
    auto* self = static_cast<DestroyOnFrame*>(user_data);
    self->ran = true;
    FlutterDesktopViewControllerDestroy(self->controller);
  }
};

TEST(StandinEngineTest, EngineMayBeEndedFromInsideItsOwnCallback) {
  FlutterDesktopEngineRef engine = CreateEngine();
  FlutterDesktopMessengerRef messenger =
      FlutterDesktopMessengerAddRef(FlutterDesktopEngineGetMessenger(engine));
  DestroyOnFrame state;
  state.controller = FlutterDesktopViewControllerCreate(16, 16, engine);
  ASSERT_NE(state.controller, nullptr);
  FlutterDesktopEngineSetNextFrameCallback(engine, &DestroyOnFrame::OnFrame, &state);
  PumpUntil([&] { return state.ran; });
  EXPECT_TRUE(state.ran);
  EXPECT_FALSE(FlutterDesktopMessengerIsAvailable(messenger));
  PumpPending();
  FlutterDesktopMessengerRelease(messenger);
}

}  // namespace
