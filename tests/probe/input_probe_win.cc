// tesso_input_probe.exe: a window that reports on standard output, one JSON object a line,
// what input reached it, so that tests under Wine can check injected input against what a
// Windows program really receives. Tests only.
//
// A borderless, topmost popup at --rect X,Y,W,H (screen pixels): its upper two thirds are the
// pad, painted in one colour (--fill RRGGBB), which reports mouse messages; the lower third is
// a multiline EDIT control, which has the focus and reports key messages. Lines on standard
// input, each answered by {"event": its name} once it has run:
//   text           report the edit control's text as UTF-16 units
//   clear          empty the edit control
//   fill RRGGBB    repaint the pad in that colour
//   animate on|off repaint the pad with moving stripes every 15 ms (a screen that always
//                  changes, for the capture benchmark)
//   focus          bring the window to the front and focus the edit control
//   blur           focus the pad instead, so that no caret blinks on the screen
//   quit           end (as does the end of standard input)
#include <windows.h>
// After windows.h, which it builds on.
#include <shellapi.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <memory>
#include <string>
#include <thread>

namespace {

constexpr UINT kCommandMessage = WM_APP + 1;  // lParam: a std::string* to take over
constexpr UINT_PTR kAnimationTimer = 1;

HWND g_window = nullptr, g_pad = nullptr, g_edit = nullptr;
WNDPROC g_edit_procedure = nullptr;
COLORREF g_fill = RGB(0x20, 0x60, 0xC0);
bool g_animating = false;
unsigned g_tick = 0;

void WriteLine(const std::string& line) {
  const std::string text = line + "\n";
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text.data(), static_cast<DWORD>(text.size()), &written,
            nullptr);
}

template <typename... Args>
void Report(const char* format, Args... args) {
  char line[256];
  std::snprintf(line, sizeof line, format, args...);
  WriteLine(line);
}

std::string Rect(HWND window) {
  RECT r{};
  GetClientRect(window, &r);
  POINT origin{0, 0};
  ClientToScreen(window, &origin);
  return "[" + std::to_string(origin.x) + "," + std::to_string(origin.y) + "," +
         std::to_string(r.right) + "," + std::to_string(r.bottom) + "]";
}

const char* Down(int vk) { return (GetKeyState(vk) & 0x8000) != 0 ? "true" : "false"; }

// WM_MOUSEWHEEL goes to the focus window; every window of ours reports it where it lands.
bool ReportWheel(UINT message, WPARAM wparam, const char* window) {
  if (message != WM_MOUSEWHEEL) return false;
  Report(R"({"event":"wheel","delta":%d,"window":"%s"})", static_cast<int16_t>(HIWORD(wparam)),
         window);
  return true;
}

COLORREF Colour(unsigned long rgb) {
  return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

void PaintPad(HWND window) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  RECT r{};
  GetClientRect(window, &r);
  // Still: one colour. Animated: stripes 64 pixels wide whose colours move a stripe a tick.
  for (LONG x = 0; x < r.right; x += g_animating ? 64 : r.right) {
    const unsigned k = static_cast<unsigned>(x / 64) + g_tick;
    RECT stripe{x, 0, g_animating ? x + 64 : r.right, r.bottom};
    HBRUSH brush = CreateSolidBrush(
        g_animating ? RGB((k * 53) & 0xFF, (k * 97) & 0xFF, (k * 151) & 0xFF) : g_fill);
    FillRect(dc, &stripe, brush);
    DeleteObject(brush);
  }
  EndPaint(window, &paint);
}

LRESULT CALLBACK PadProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) noexcept {
  static const struct {
    UINT message;
    const char* name;
  } kMouse[] = {{WM_LBUTTONDOWN, "lbuttondown"},
                {WM_LBUTTONUP, "lbuttonup"},
                {WM_RBUTTONDOWN, "rbuttondown"},
                {WM_RBUTTONUP, "rbuttonup"},
                {WM_MOUSEMOVE, "mousemove"}};
  if (message == WM_PAINT) {
    PaintPad(window);
    return 0;
  }
  if (message == WM_LBUTTONDOWN) SetCapture(window);
  if (message == WM_LBUTTONUP) ReleaseCapture();
  for (const auto& mouse : kMouse) {
    if (mouse.message != message) continue;
    POINT p{static_cast<int16_t>(LOWORD(lparam)), static_cast<int16_t>(HIWORD(lparam))};
    POINT screen = p;
    ClientToScreen(window, &screen);
    Report(R"({"event":"%s","x":%ld,"y":%ld,"screenX":%ld,"screenY":%ld,"buttons":%u})", mouse.name,
           p.x, p.y, screen.x, screen.y, static_cast<unsigned>(wparam & 0xFFFF));
    return 0;
  }
  if (ReportWheel(message, wparam, "pad")) return 0;
  return DefWindowProcW(window, message, wparam, lparam);
}

LRESULT CALLBACK EditProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) noexcept {
  const char* key = message == WM_KEYDOWN      ? "keydown"
                    : message == WM_KEYUP      ? "keyup"
                    : message == WM_SYSKEYDOWN ? "syskeydown"
                    : message == WM_SYSKEYUP   ? "syskeyup"
                                               : nullptr;
  if (key != nullptr) {
    Report(R"({"event":"%s","vk":%u,"control":%s,"shift":%s,"alt":%s,"win":%s})", key,
           static_cast<unsigned>(wparam), Down(VK_CONTROL), Down(VK_SHIFT), Down(VK_MENU),
           (GetKeyState(VK_LWIN) | GetKeyState(VK_RWIN)) & 0x8000 ? "true" : "false");
  }
  if (ReportWheel(message, wparam, "edit")) return 0;
  return CallWindowProcW(g_edit_procedure, window, message, wparam, lparam);
}

void Repaint() {
  InvalidateRect(g_pad, nullptr, FALSE);
  UpdateWindow(g_pad);
  GdiFlush();
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
    return WriteLine(R"({"event":"text","utf16":[)" + units + "]}");
  }
  if (name == "quit") {
    DestroyWindow(g_window);
    return;
  }
  if (name == "clear") {
    SetWindowTextW(g_edit, L"");
  } else if (name == "fill" || name == "animate") {
    if (name == "fill") g_fill = Colour(std::strtoul(argument.c_str(), nullptr, 16));
    g_animating = name == "animate" && argument == "on";
    if (g_animating) {
      SetTimer(g_window, kAnimationTimer, 15, nullptr);
    } else {
      KillTimer(g_window, kAnimationTimer);
      Repaint();
    }
  } else if (name == "focus") {
    SetForegroundWindow(g_window);
    SetFocus(g_edit);
  } else if (name == "blur") {
    SetFocus(g_pad);
  } else {
    return WriteLine(R"({"event":"unknown"})");
  }
  WriteLine(R"({"event":")" + name + "\"}");
}

LRESULT CALLBACK ProbeProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) noexcept {
  if (message == kCommandMessage) {
    std::unique_ptr<std::string> line(reinterpret_cast<std::string*>(lparam));
    try {
      RunCommand(*line);
    } catch (...) {
      WriteLine(R"({"event":"failed"})");
    }
  } else if (message == WM_TIMER) {
    ++g_tick;
    InvalidateRect(g_pad, nullptr, FALSE);
  } else if (message == WM_SETFOCUS) {
    SetFocus(g_edit);
  } else if (message == WM_DESTROY) {
    PostQuitMessage(0);
  } else if (!ReportWheel(message, wparam, "window")) {
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
      if (!line->empty() && line->back() == '\r') line->pop_back();
      if (!PostMessageW(window, kCommandMessage, 0, reinterpret_cast<LPARAM>(line.get()))) return;
      line.release();
    }
  }
  PostMessageW(window, kCommandMessage, 0, reinterpret_cast<LPARAM>(new std::string("quit")));
}

bool ParseArguments(RECT* rect) {
  int count = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &count);
  bool ok = argv != nullptr && count % 2 == 1;
  for (int i = 1; ok && i + 1 < count; i += 2) {
    long x = 0, y = 0, w = 0, h = 0;
    if (std::wcscmp(argv[i], L"--rect") == 0) {
      ok = swscanf(argv[i + 1], L"%ld,%ld,%ld,%ld", &x, &y, &w, &h) == 4;
      *rect = RECT{x, y, x + w, y + h};
    } else {
      ok = std::wcscmp(argv[i], L"--fill") == 0;
      g_fill = Colour(wcstoul(argv[i + 1], nullptr, 16));
    }
  }
  LocalFree(argv);
  return ok;
}

int Run(HINSTANCE instance) {
  RECT rect{100, 100, 740, 580};
  if (!ParseArguments(&rect)) {
    WriteLine(R"({"event":"usage","text":"--rect X,Y,W,H --fill RRGGBB"})");
    return 2;
  }
  WNDCLASSW probe_class{};
  probe_class.lpfnWndProc = ProbeProcedure;
  probe_class.hInstance = instance;
  probe_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  probe_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  probe_class.lpszClassName = L"TessoInputProbe";
  WNDCLASSW pad_class = probe_class;
  pad_class.lpfnWndProc = PadProcedure;
  pad_class.hbrBackground = nullptr;
  pad_class.lpszClassName = L"TessoInputProbePad";
  if (!RegisterClassW(&probe_class) || !RegisterClassW(&pad_class)) return 1;
  const int width = rect.right - rect.left, height = rect.bottom - rect.top;
  const int pad_height = height * 2 / 3;
  g_window = CreateWindowExW(WS_EX_TOPMOST, probe_class.lpszClassName, L"Tesso input probe",
                             WS_POPUP | WS_VISIBLE, rect.left, rect.top, width, height, nullptr,
                             nullptr, instance, nullptr);
  if (g_window == nullptr) return 1;
  g_pad = CreateWindowExW(0, pad_class.lpszClassName, L"", WS_CHILD | WS_VISIBLE, 0, 0, width,
                          pad_height, g_window, nullptr, instance, nullptr);
  g_edit = CreateWindowExW(
      0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN, 0,
      pad_height, width, height - pad_height, g_window, nullptr, instance, nullptr);
  if (g_pad == nullptr || g_edit == nullptr) return 1;
  SendMessageW(g_edit, EM_SETLIMITTEXT, 0, 0);
  g_edit_procedure = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(g_edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(EditProcedure)));
  UpdateWindow(g_window);
  SetForegroundWindow(g_window);
  SetFocus(g_edit);
  GdiFlush();
  WriteLine(R"({"event":"ready","window":)" + Rect(g_window) + R"(,"pad":)" + Rect(g_pad) +
            R"(,"edit":)" + Rect(g_edit) + "}");
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
