// The test host's top-level window: runs the stand-in engine's view, registers the five
// plug-ins and serves the test channel.
#ifndef TESSO_TESTS_TEST_HOST_TEST_HOST_WINDOW_WIN_H_
#define TESSO_TESTS_TEST_HOST_TEST_HOST_WINDOW_WIN_H_

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "messaging/flutter_view_controller.h"
#include "tests/test_host/host_channel.h"

namespace tesso::test_host {

// UI thread only.
class TestHostWindow {
 public:
  explicit TestHostWindow(std::vector<std::string> entrypoint_arguments);
  ~TestHostWindow();

  TestHostWindow(const TestHostWindow&) = delete;
  TestHostWindow& operator=(const TestHostWindow&) = delete;

  // Creates the window (hidden until the engine's first frame) with the engine's view in it.
  // False when the window or the view cannot be created.
  bool Create();

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam,
                                     LPARAM lparam) noexcept;
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);
  bool OnCreate();
  void OnDestroy();
  void RegisterPlugins();

  std::vector<std::string> entrypoint_arguments_;
  HWND window_ = nullptr;  // owned; ends in DestroyWindow or with the destructor
  std::unique_ptr<flutter::FlutterViewController> controller_;
  std::unique_ptr<HostChannel> channel_;
};

}  // namespace tesso::test_host

#endif  // TESSO_TESTS_TEST_HOST_TEST_HOST_WINDOW_WIN_H_
