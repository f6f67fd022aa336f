// Input injection on the real platform under Wine: text typed by TypeTextJob, a key press by
// KeyPressJob and a click by ClickJob, through the Win32 input, session and display ports,
// arrive in a window of this test that fills the primary display and holds an edit control.
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/unique_handle_win.h"
#include "input/display_catalogue.h"
#include "input/display_port_win.h"
#include "input/input_port_win.h"
#include "input/keyboard_injection.h"
#include "input/pointer_injection.h"
#include "input/session_port_win.h"

namespace tesso_test {
namespace {

using testing::ElementsAre;

constexpr wchar_t kProbeClass[] = L"TessoInjectionProbe";

// A message as the probe saw it: the name of the kind, and wParam or the client point.
struct Seen {
  std::string kind;
  int64_t first;
  int64_t second;
  bool operator==(const Seen& other) const {
    return kind == other.kind && first == other.first && second == other.second;
  }
};
void PrintTo(const Seen& seen, std::ostream* out) {
  *out << seen.kind << "(" << seen.first << ", " << seen.second << ")";
}

// One probe window for the whole suite: Wine takes seconds to create and to destroy one.
class InputInjectionWindowsTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    WNDCLASSW window_class = {};
    window_class.lpfnWndProc = ProbeProc;
    window_class.hInstance = ::GetModuleHandleW(nullptr);
    window_class.lpszClassName = kProbeClass;
    window_class.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    ::RegisterClassW(&window_class);
    probe_ = new tesso::UniqueWindow(::CreateWindowExW(
        0, kProbeClass, L"probe", WS_POPUP | WS_VISIBLE, 0, 0, ::GetSystemMetrics(SM_CXSCREEN),
        ::GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr, nullptr, nullptr));
    // Top left, away from the centre that the click aims at.
    edit_ = ::CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_WANTRETURN,
                              0, 0, 300, 200, probe_->get(), nullptr, nullptr, nullptr);
    edit_proc_ = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(edit_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(EditProc)));
  }
  static void TearDownTestSuite() {
    delete probe_;
    probe_ = nullptr;
  }

  void SetUp() override {
    ASSERT_TRUE(probe_->is_valid());
    ASSERT_NE(edit_, nullptr);
    ::SetWindowTextW(edit_, L"");
    ::SetForegroundWindow(probe_->get());
    ::SetFocus(edit_);
    PumpUntil([] { return false; }, 200);
    seen_.clear();
  }

  tesso::InputPorts ports() { return {&input_, &session_, &displays_}; }

  // Dispatches messages until `done` or `limit_ms` have passed; answers `done`.
  bool PumpUntil(const std::function<bool()>& done, DWORD limit_ms = 3000) {
    const DWORD start = ::GetTickCount();
    while (!done() && ::GetTickCount() - start < limit_ms) {
      MSG message;
      while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
      }
      ::Sleep(5);
    }
    return done();
  }

  std::u16string EditText() {
    std::u16string text(static_cast<size_t>(::GetWindowTextLengthW(edit_)) + 1, u'\0');
    text.resize(static_cast<size_t>(::GetWindowTextW(edit_, reinterpret_cast<wchar_t*>(&text[0]),
                                                     static_cast<int>(text.size()))));
    return text;
  }

  static LRESULT CALLBACK ProbeProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_LBUTTONDOWN || message == WM_LBUTTONUP) {
      seen_.push_back({message == WM_LBUTTONDOWN ? "down" : "up",
                       static_cast<int16_t>(LOWORD(lparam)), static_cast<int16_t>(HIWORD(lparam))});
    }
    return ::DefWindowProcW(window, message, wparam, lparam);
  }

  static LRESULT CALLBACK EditProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    const char* kind = message == WM_KEYDOWN ? "keydown"
                       : message == WM_KEYUP ? "keyup"
                       : message == WM_CHAR  ? "char"
                                             : nullptr;
    if (kind != nullptr) seen_.push_back({kind, static_cast<int64_t>(wparam), 0});
    return ::CallWindowProcW(edit_proc_, window, message, wparam, lparam);
  }

  static tesso::UniqueWindow* probe_;
  static HWND edit_;
  static WNDPROC edit_proc_;
  static std::vector<Seen> seen_;

  tesso::InputPortWin input_;
  tesso::SessionPortWin session_;
  tesso::DisplayPortWin displays_;
};

tesso::UniqueWindow* InputInjectionWindowsTest::probe_ = nullptr;
HWND InputInjectionWindowsTest::edit_ = nullptr;
WNDPROC InputInjectionWindowsTest::edit_proc_ = nullptr;
std::vector<Seen> InputInjectionWindowsTest::seen_;

TEST_F(InputInjectionWindowsTest, TypedTextArrivesExactlyInTheFocusedEditControl) {
  const std::u16string text = u"漢字 tab\there, \U0001F600\r\nline two\nthree";
  ASSERT_TRUE(tesso::TypeTextJob(ports(), text));
  // CR is skipped; each LF is an Enter key, which the edit control turns into CR LF.
  const std::u16string expected = u"漢字 tab\there, \U0001F600\r\nline two\r\nthree";
  EXPECT_TRUE(PumpUntil([&] { return EditText() == expected; }));
  EXPECT_EQ(EditText(), expected);
}

TEST_F(InputInjectionWindowsTest, AKeyPressArrivesBetweenItsModifiers) {
  ASSERT_TRUE(tesso::KeyPressJob(ports(), 'A', {0xA0}));  // shift
  EXPECT_TRUE(PumpUntil([&] { return seen_.size() >= 5; }));
  EXPECT_THAT(seen_,
              ElementsAre(Seen{"keydown", VK_SHIFT, 0}, Seen{"keydown", 'A', 0},
                          Seen{"char", 'A', 0}, Seen{"keyup", 'A', 0}, Seen{"keyup", VK_SHIFT, 0}));
  EXPECT_EQ(EditText(), u"A");
}

TEST_F(InputInjectionWindowsTest, AClickAtTheCentreMovesThePointerThereAndPressesTheButton) {
  const int width = ::GetSystemMetrics(SM_CXSCREEN);
  const int height = ::GetSystemMetrics(SM_CYSCREEN);
  ASSERT_TRUE(tesso::ClickJob(ports(), 0, 0.5, 0.5, false));
  EXPECT_TRUE(PumpUntil([&] { return seen_.size() >= 2; }));
  POINT cursor = {};
  ASSERT_TRUE(::GetCursorPos(&cursor));
  EXPECT_EQ(cursor.x, width / 2);
  EXPECT_EQ(cursor.y, height / 2);
  EXPECT_THAT(seen_,
              ElementsAre(Seen{"down", width / 2, height / 2}, Seen{"up", width / 2, height / 2}));
}

// On several screens (wine-run --screens) the absolute space spans them all.
TEST_F(InputInjectionWindowsTest, AClickAtTheCentreOfEachDisplayMovesThePointerThere) {
  const std::vector<tesso::DisplayInfo> displays = tesso::EnumerateDisplays(displays_);
  ASSERT_FALSE(displays.empty());
  for (size_t i = 0; i < displays.size(); ++i) {
    SCOPED_TRACE(i);
    const tesso::DisplayInfo& d = displays[i];
    ASSERT_TRUE(tesso::ClickJob(ports(), static_cast<int32_t>(i), 0.5, 0.5, false));
    POINT cursor = {};
    ASSERT_TRUE(::GetCursorPos(&cursor));
    EXPECT_EQ(std::vector<LONG>({cursor.x, cursor.y}),
              std::vector<LONG>({d.left + d.width() / 2, d.top + d.height() / 2}));
  }
}

}  // namespace
}  // namespace tesso_test
