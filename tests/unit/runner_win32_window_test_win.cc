// The window base on a real window under Wine, and the executable's resources
// (this program carries the same icon and manifest as tesso.exe).
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runner/win32_window.h"

namespace {

using testing::ElementsAre;
using testing::UnorderedElementsAre;

constexpr wchar_t kClassName[] = L"FLUTTER_RUNNER_WIN32_WINDOW";

bool ClassRegistered() {
  WNDCLASSEXW info = {};
  info.cbSize = sizeof(info);
  return GetClassInfoExW(GetModuleHandleW(nullptr), kClassName, &info) != 0;
}

// A window whose hooks record what they saw.
class TestWindow : public tesso::Win32Window {
 public:
  bool on_create_result = true;
  int creates = 0;
  int destroys = 0;
  HWND handle_at_create = nullptr;
  std::vector<UINT> messages;

 protected:
  LRESULT MessageHandler(HWND window, UINT message, WPARAM wparam, LPARAM lparam) override {
    messages.push_back(message);
    return Win32Window::MessageHandler(window, message, wparam, lparam);
  }
  bool OnCreate() override {
    ++creates;
    handle_at_create = GetHandle();
    return on_create_result;
  }
  void OnDestroy() override { ++destroys; }
};

RECT WindowRect(HWND window) {
  RECT rect = {};
  GetWindowRect(window, &rect);
  return rect;
}

RECT ChildRectInParent(HWND child) {
  RECT rect = {};
  GetWindowRect(child, &rect);
  MapWindowPoints(HWND_DESKTOP, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

HWND CreateChild() {
  return CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, GetDesktopWindow(),
                         nullptr, GetModuleHandleW(nullptr), nullptr);
}

// Removes and returns the queued WM_QUIT's exit code, or -1 when there is none.
int TakeQuitMessage() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) return static_cast<int>(message.wParam);
    DispatchMessageW(&message);
  }
  return -1;
}

TEST(Win32WindowTest, CreatesAHiddenOverlappedWindowAt96Dpi) {
  TestWindow window;
  ASSERT_TRUE(window.Create(L"Tesso", {10, 10}, {1280, 720}));
  const HWND handle = window.GetHandle();
  ASSERT_NE(handle, nullptr);
  EXPECT_EQ(window.creates, 1);
  EXPECT_EQ(window.handle_at_create, handle);
  EXPECT_FALSE(IsWindowVisible(handle));
  EXPECT_EQ(static_cast<DWORD>(GetWindowLongPtrW(handle, GWL_STYLE)) & WS_OVERLAPPEDWINDOW,
            static_cast<DWORD>(WS_OVERLAPPEDWINDOW));
  EXPECT_EQ(GetWindowLongPtrW(handle, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
  wchar_t title[16] = {};
  GetWindowTextW(handle, title, 16);
  EXPECT_EQ(std::wstring(title), L"Tesso");
  wchar_t class_name[64] = {};
  GetClassNameW(handle, class_name, 64);
  EXPECT_EQ(std::wstring(class_name), kClassName);
  // Wine's default prefix runs at 96 DPI: no scaling.
  const RECT rect = WindowRect(handle);
  EXPECT_EQ(rect.left, 10);
  EXPECT_EQ(rect.top, 10);
  EXPECT_EQ(rect.right - rect.left, 1280);
  EXPECT_EQ(rect.bottom - rect.top, 720);
}

TEST(Win32WindowTest, WindowClassCarriesItsStyleIconAndCursor) {
  TestWindow window;
  ASSERT_TRUE(window.Create(L"Tesso", {10, 10}, {300, 200}));
  WNDCLASSEXW info = {};
  info.cbSize = sizeof(info);
  ASSERT_TRUE(GetClassInfoExW(GetModuleHandleW(nullptr), kClassName, &info));
  EXPECT_EQ(info.style, static_cast<UINT>(CS_HREDRAW | CS_VREDRAW));
  EXPECT_EQ(info.cbClsExtra, 0);
  EXPECT_EQ(info.cbWndExtra, 0);
  EXPECT_NE(info.hIcon, nullptr);  // icon group 101 of this program
  EXPECT_EQ(info.hCursor, LoadCursorW(nullptr, IDC_ARROW));
  EXPECT_EQ(info.hbrBackground, nullptr);
  EXPECT_EQ(info.lpszMenuName, nullptr);
}

TEST(Win32WindowTest, CreateReturnsOnCreatesRefusalWithTheWindowInPlace) {
  TestWindow window;
  window.on_create_result = false;
  EXPECT_FALSE(window.Create(L"Tesso", {10, 10}, {300, 200}));
  EXPECT_EQ(window.creates, 1);
  EXPECT_NE(window.GetHandle(), nullptr);
}

TEST(Win32WindowTest, MessagesAfterCreationReachTheObjectsHandler) {
  TestWindow window;
  ASSERT_TRUE(window.Create(L"Tesso", {10, 10}, {300, 200}));
  window.messages.clear();
  SendMessageW(window.GetHandle(), WM_APP + 5, 0, 0);
  EXPECT_THAT(window.messages, ElementsAre(WM_APP + 5));
}

TEST(Win32WindowTest, ClassIsUnregisteredWhenTheLastWindowObjectGoes) {
  {
    TestWindow first;
    ASSERT_TRUE(first.Create(L"a", {10, 10}, {300, 200}));
    {
      TestWindow second;
      ASSERT_TRUE(second.Create(L"b", {20, 20}, {300, 200}));
      EXPECT_TRUE(ClassRegistered());
    }
    // One object is left: the class stays.
    EXPECT_TRUE(ClassRegistered());
    EXPECT_NE(first.GetHandle(), nullptr);
    EXPECT_TRUE(IsWindow(first.GetHandle()));
  }
  EXPECT_FALSE(ClassRegistered());
  // A later creation registers it again.
  TestWindow again;
  EXPECT_TRUE(again.Create(L"c", {10, 10}, {300, 200}));
  EXPECT_TRUE(ClassRegistered());
}

TEST(Win32WindowTest, SecondCreateDestroysTheFirstWindowFirst) {
  TestWindow window;
  ASSERT_TRUE(window.Create(L"one", {10, 10}, {300, 200}));
  const HWND first = window.GetHandle();
  ASSERT_TRUE(window.Create(L"two", {10, 10}, {300, 200}));
  EXPECT_FALSE(IsWindow(first));
  EXPECT_NE(window.GetHandle(), first);
  EXPECT_TRUE(IsWindow(window.GetHandle()));
  EXPECT_EQ(window.creates, 2);
  EXPECT_GE(window.destroys, 1);
}

TEST(Win32WindowTest, DestroyingTheWindowRunsOnDestroyAndClearsTheHandle) {
  TestWindow window;
  ASSERT_TRUE(window.Create(L"Tesso", {10, 10}, {300, 200}));
  const HWND handle = window.GetHandle();
  const int destroys_before = window.destroys;
  DestroyWindow(handle);
  EXPECT_EQ(window.destroys, destroys_before + 1);
  EXPECT_EQ(window.GetHandle(), nullptr);
  EXPECT_FALSE(IsWindow(handle));
  EXPECT_EQ(TakeQuitMessage(), -1);  // quit on close is off by default
}

TEST(Win32WindowTest, DestroyingTheWindowWithQuitOnClosePostsQuitWithCodeZero) {
  TestWindow window;
  ASSERT_TRUE(window.Create(L"Tesso", {10, 10}, {300, 200}));
  window.SetQuitOnClose(true);
  TakeQuitMessage();
  SendMessageW(window.GetHandle(), WM_CLOSE, 0, 0);  // DefWindowProc destroys the window
  EXPECT_EQ(window.GetHandle(), nullptr);
  EXPECT_EQ(TakeQuitMessage(), 0);
}

TEST(Win32WindowTest, ChildContentFillsTheClientAreaAndFollowsResizing) {
  TestWindow window;
  ASSERT_TRUE(window.Create(L"Tesso", {10, 10}, {640, 480}));
  const HWND child = CreateChild();
  ASSERT_NE(child, nullptr);
  window.SetChildContent(child);
  EXPECT_EQ(GetParent(child), window.GetHandle());
  RECT client = window.GetClientArea();
  RECT rect = ChildRectInParent(child);
  EXPECT_EQ(rect.left, client.left);
  EXPECT_EQ(rect.top, client.top);
  EXPECT_EQ(rect.right, client.right);
  EXPECT_EQ(rect.bottom, client.bottom);

  SetWindowPos(window.GetHandle(), nullptr, 0, 0, 900, 700, SWP_NOMOVE | SWP_NOZORDER);
  client = window.GetClientArea();
  rect = ChildRectInParent(child);
  EXPECT_GT(client.right, 640);
  EXPECT_EQ(rect.right - rect.left, client.right - client.left);
  EXPECT_EQ(rect.bottom - rect.top, client.bottom - client.top);
}

TEST(Win32WindowTest, DpiChangeMovesTheWindowToTheSuggestedRectangle) {
  TestWindow window;
  ASSERT_TRUE(window.Create(L"Tesso", {10, 10}, {640, 480}));
  RECT suggested = {30, 40, 30 + 960, 40 + 720};
  EXPECT_EQ(SendMessageW(window.GetHandle(), WM_DPICHANGED, MAKEWPARAM(144, 144),
                         reinterpret_cast<LPARAM>(&suggested)),
            0);
  const RECT rect = WindowRect(window.GetHandle());
  EXPECT_EQ(rect.left, 30);
  EXPECT_EQ(rect.top, 40);
  EXPECT_EQ(rect.right, 990);
  EXPECT_EQ(rect.bottom, 760);
}

TEST(Win32WindowTest, GetHandleIsNullBeforeCreation) {
  TestWindow window;
  EXPECT_EQ(window.GetHandle(), nullptr);
}

// --- The executable's resources ---

#pragma pack(push, 2)
struct IconGroupHeader {
  WORD reserved;
  WORD type;
  WORD count;
};
struct IconGroupEntry {
  BYTE width;
  BYTE height;
  BYTE colour_count;
  BYTE reserved;
  WORD planes;
  WORD bit_count;
  DWORD bytes;
  WORD id;
};
#pragma pack(pop)

std::string ResourceBytes(LPCWSTR name, LPCWSTR type) {
  HRSRC found = FindResourceW(nullptr, name, type);
  if (found == nullptr) return {};
  HGLOBAL loaded = LoadResource(nullptr, found);
  const auto* data = static_cast<const char*>(LockResource(loaded));
  return std::string(data, SizeofResource(nullptr, found));
}

TEST(ExecutableResources, IconGroup101OffersSixSizes) {
  const std::string group = ResourceBytes(MAKEINTRESOURCEW(101), RT_GROUP_ICON);
  ASSERT_GE(group.size(), sizeof(IconGroupHeader));
  const auto* header = reinterpret_cast<const IconGroupHeader*>(group.data());
  EXPECT_EQ(header->type, 1);
  ASSERT_EQ(group.size(), sizeof(IconGroupHeader) + header->count * sizeof(IconGroupEntry));
  const auto* entries = reinterpret_cast<const IconGroupEntry*>(header + 1);
  std::vector<int> sizes;
  for (int i = 0; i < header->count; ++i) {
    EXPECT_EQ(entries[i].width, entries[i].height);
    EXPECT_EQ(entries[i].bit_count, 32);
    sizes.push_back(entries[i].width == 0 ? 256 : entries[i].width);
  }
  EXPECT_THAT(sizes, UnorderedElementsAre(16, 24, 32, 48, 64, 256));
}

TEST(ExecutableResources, IconLoadsAtTheSmallIconSizeAndLarger) {
  for (const int size : {GetSystemMetrics(SM_CXSMICON), 32, 48, 256}) {
    HICON icon = static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(101),
                                               IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
    EXPECT_NE(icon, nullptr) << size;
    ICONINFO info = {};
    if (icon != nullptr && GetIconInfo(icon, &info)) {
      BITMAP bitmap = {};
      GetObjectW(info.hbmColor, sizeof(bitmap), &bitmap);
      EXPECT_EQ(bitmap.bmWidth, size);
      EXPECT_EQ(bitmap.bmHeight, size);
      DeleteObject(info.hbmColor);
      DeleteObject(info.hbmMask);
    }
    if (icon != nullptr) DestroyIcon(icon);
  }
}

TEST(ExecutableResources, ManifestAsksForPerMonitorV2AsInvokerOnWindows10) {
  const std::string manifest = ResourceBytes(MAKEINTRESOURCEW(1), RT_MANIFEST);
  EXPECT_NE(manifest.find(">PerMonitorV2</dpiAwareness>"), std::string::npos);
  EXPECT_NE(manifest.find("level=\"asInvoker\""), std::string::npos);
  EXPECT_NE(manifest.find("uiAccess=\"false\""), std::string::npos);
  EXPECT_NE(manifest.find("{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"), std::string::npos);
}

}  // namespace
