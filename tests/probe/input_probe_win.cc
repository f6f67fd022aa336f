// tesso_input_probe.exe: reports on standard output, one JSON object a line, the input a
// Windows window really receives. A borderless topmost popup at --rect X,Y,W,H: the upper two
// thirds are the pad (--fill RRGGBB), which reports mouse messages; below, a multiline EDIT
// control reports key messages. Commands on standard input, each answered by {"event": its
// name}: "text" (the edit control's UTF-16 units), "clear", "fill RRGGBB", "animate on|off"
// (stripes moving every 15 ms), "focus" (to the front, the edit control focused), "blur" (the
// pad focused: no caret blinks), "quit" (as is the end of standard input).
#include <windows.h>
// After windows.h, which it builds on.
#include <shellapi.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>

namespace {

constexpr UINT kCommandMessage = WM_APP + 1;  // lParam: a std::string* to take over

HWND g_window = nullptr, g_edit = nullptr;
WNDPROC g_edit_procedure = nullptr;
RECT g_pad{};  // client coordinates of the window
COLORREF g_fill = RGB(0x20, 0x60, 0xC0);
bool g_animating = false;
unsigned g_tick = 0;

template <typename... Args>
void Report(const char* format, Args... args) {
  std::string line(static_cast<size_t>(std::snprintf(nullptr, 0, format, args...)) + 1, '\0');
  std::snprintf(line.data(), line.size(), format, args...);
  line.back() = '\n';
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), line.data(), static_cast<DWORD>(line.size()), &written,
            nullptr);
}

COLORREF Colour(unsigned long rgb) {
  return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

void PaintPad(HWND window) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  // Still: one colour. Animated: stripes 64 pixels wide whose colours move a stripe a tick.
  const LONG step = g_animating ? 64 : g_pad.right;
  for (LONG x = 0; x < g_pad.right; x += step) {
    const unsigned k = static_cast<unsigned>(x / 64) + g_tick;
    RECT stripe{x, 0, x + step, g_pad.bottom};
    HBRUSH brush = CreateSolidBrush(
        g_animating ? RGB((k * 53) & 0xFF, (k * 97) & 0xFF, (k * 151) & 0xFF) : g_fill);
    FillRect(dc, &stripe, brush);
    DeleteObject(brush);
  }
  EndPaint(window, &paint);
}

LRESULT CALLBACK EditProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) noexcept {
  static const char* const kKeys[] = {"keydown", "keyup",      nullptr,
                                      nullptr,   "syskeydown", "syskeyup"};
  if (message >= WM_KEYDOWN && message <= WM_SYSKEYUP && kKeys[message - WM_KEYDOWN]) {
    auto down = [](int vk) { return (GetKeyState(vk) & 0x8000) != 0 ? "true" : "false"; };
    Report(R"({"event":"%s","vk":%u,"control":%s,"shift":%s,"alt":%s})",
           kKeys[message - WM_KEYDOWN], static_cast<unsigned>(wparam), down(VK_CONTROL),
           down(VK_SHIFT), down(VK_MENU));
  }
  return CallWindowProcW(g_edit_procedure, window, message, wparam, lparam);
}

void RunCommand(const std::string& line) {
  const std::string name = line.substr(0, line.find(' '));
  const std::string argument = line.size() > name.size() ? line.substr(name.size() + 1) : "";
  if (name == "text") {
    const int length = GetWindowTextLengthW(g_edit);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(g_edit, text.data(), length + 1)));
    std::string units;
    for (const wchar_t unit : text) units += (units.empty() ? "" : ",") + std::to_string(unit);
    return Report(R"({"event":"text","utf16":[%s]})", units.c_str());
  }
  if (name == "quit") return static_cast<void>(DestroyWindow(g_window));
  if (name == "clear") SetWindowTextW(g_edit, L"");
  if (name == "fill") g_fill = Colour(std::strtoul(argument.c_str(), nullptr, 16));
  if (name == "fill" || name == "animate") {
    g_animating = name == "animate" && argument == "on";
    if (!g_animating) KillTimer(g_window, 1);
    if (g_animating) SetTimer(g_window, 1, 15, nullptr);
    InvalidateRect(g_window, &g_pad, FALSE);
    UpdateWindow(g_window);
    GdiFlush();
  }
  if (name == "focus") SetForegroundWindow(g_window);
  if (name == "focus" || name == "blur") SetFocus(name == "focus" ? g_edit : g_window);
  Report(R"({"event":"%s"})", name.c_str());
}

LRESULT CALLBACK ProbeProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) noexcept {
  static const char* const kMouse[] = {"mousemove", "lbuttondown", "lbuttonup",
                                       nullptr,     "rbuttondown", "rbuttonup"};
  if (message >= WM_MOUSEMOVE && message <= WM_RBUTTONUP && kMouse[message - WM_MOUSEMOVE]) {
    if (message == WM_LBUTTONDOWN) SetCapture(window);
    if (message == WM_LBUTTONUP) ReleaseCapture();
    POINT p{static_cast<int16_t>(LOWORD(lparam)), static_cast<int16_t>(HIWORD(lparam))};
    ClientToScreen(window, &p);
    Report(R"({"event":"%s","screenX":%ld,"screenY":%ld,"buttons":%u})",
           kMouse[message - WM_MOUSEMOVE], p.x, p.y, static_cast<unsigned>(wparam & 0xFFFF));
  } else if (message == kCommandMessage) {
    std::unique_ptr<std::string> line(reinterpret_cast<std::string*>(lparam));
    try {
      RunCommand(*line);
    } catch (...) {
      Report(R"({"event":"failed"})");
    }
  } else if (message == WM_TIMER) {
    ++g_tick;
    InvalidateRect(window, &g_pad, FALSE);
  } else if (message == WM_PAINT) {
    PaintPad(window);
  } else if (message == WM_DESTROY) {
    PostQuitMessage(0);
  } else if (message == WM_MOUSEWHEEL) {  // to the focus window: the pad, once blurred
    Report(R"({"event":"wheel","delta":%d,"window":"pad"})", static_cast<int16_t>(HIWORD(wparam)));
  } else {
    return DefWindowProcW(window, message, wparam, lparam);
  }
  return 0;
}

// Standard input, line by line, posted to the window; its end counts as "quit".
void ReadCommands(HWND window) {
  std::string pending;
  char buffer[512];
  DWORD read = 0;
  while (ReadFile(GetStdHandle(STD_INPUT_HANDLE), buffer, sizeof buffer, &read, nullptr) &&
         read > 0) {
    pending.append(buffer, read);
    for (size_t end; (end = pending.find('\n')) != std::string::npos; pending.erase(0, end + 1)) {
      auto line = std::make_unique<std::string>(pending.substr(0, end));
      if (!PostMessageW(window, kCommandMessage, 0, reinterpret_cast<LPARAM>(line.get()))) return;
      line.release();
    }
  }
  PostMessageW(window, kCommandMessage, 0, reinterpret_cast<LPARAM>(new std::string("quit")));
}

int Run(HINSTANCE instance) {
  long x = 100, y = 100, width = 640, height = 480;
  int count = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &count);
  for (int i = 1; argv != nullptr && i + 1 < count; i += 2) {  // --rect X,Y,W,H; --fill RRGGBB
    if (std::wstring(argv[i]) == L"--rect")
      swscanf(argv[i + 1], L"%ld,%ld,%ld,%ld", &x, &y, &width, &height);
    if (std::wstring(argv[i]) == L"--fill") g_fill = Colour(wcstoul(argv[i + 1], nullptr, 16));
  }
  LocalFree(argv);
  WNDCLASSW probe_class{};
  probe_class.lpfnWndProc = ProbeProcedure;
  probe_class.hInstance = instance;
  probe_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  probe_class.lpszClassName = L"TessoInputProbe";
  if (!RegisterClassW(&probe_class)) return 1;
  g_pad = RECT{0, 0, width, height * 2 / 3};
  g_window = CreateWindowExW(WS_EX_TOPMOST, probe_class.lpszClassName, L"Tesso input probe",
                             WS_POPUP | WS_VISIBLE, x, y, width, height, nullptr, nullptr, instance,
                             nullptr);
  g_edit = CreateWindowExW(
      0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN, 0,
      g_pad.bottom, width, height - g_pad.bottom, g_window, nullptr, instance, nullptr);
  if (g_window == nullptr || g_edit == nullptr) return 1;
  SendMessageW(g_edit, EM_SETLIMITTEXT, 0, 0);
  g_edit_procedure = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(g_edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(EditProcedure)));
  UpdateWindow(g_window);
  SetForegroundWindow(g_window);
  SetFocus(g_edit);
  GdiFlush();
  // Screen rectangles: the popup has no border.
  Report(
      R"({"event":"ready","window":[%ld,%ld,%ld,%ld],"pad":[%ld,%ld,%ld,%ld],"edit":[%ld,%ld,%ld,%ld]})",
      x, y, width, height, x, y, width, g_pad.bottom, x, y + g_pad.bottom, width,
      height - g_pad.bottom);
  std::thread(ReadCommands, g_window).detach();  // ends with the process
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  try {
    return Run(instance);
  } catch (...) {
    return 1;
  }
}
