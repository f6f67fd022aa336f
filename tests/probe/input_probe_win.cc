// tesso_input_probe.exe: a window that reports on standard output, one JSON object a line,
// what input reached it, so that tests under Wine can check injected input against what a
// Windows program really receives. Tests only.
//
// The window is a borderless, topmost popup at --rect X,Y,W,H (screen pixels). Its upper two
// thirds are the pad, painted in one colour (--fill RRGGBB), which reports mouse messages; the
// lower third is a multiline EDIT control, which has the focus and reports key messages.
// Lines on standard input:
//   text           report the edit control's text (UTF-16 units and UTF-8)
//   clear          empty the edit control
//   fill RRGGBB    repaint the pad in that colour
//   animate on|off repaint the pad with moving stripes every 15 ms (a screen that always
//                  changes, for the capture benchmark)
//   focus          bring the window to the front and focus the edit control
//   blur           focus the pad instead, so that no caret blinks on the screen
//   quit           report the text, then end (as does the end of standard input)
// Every command is answered by one line ("event": the command's name) once it has run.
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
#include <vector>

namespace {

constexpr UINT kCommandMessage = WM_APP + 1;  // lParam: a std::string* to take over
constexpr UINT_PTR kAnimationTimer = 1;
constexpr int kEditId = 2;

struct Probe {
  HWND window = nullptr;
  HWND pad = nullptr;
  HWND edit = nullptr;
  WNDPROC edit_procedure = nullptr;
  COLORREF fill = RGB(0x20, 0x60, 0xC0);
  bool animating = false;
  unsigned tick = 0;
};

Probe g_probe;

void WriteLine(const std::string& line) {
  const std::string text = line + "\n";
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text.data(), static_cast<DWORD>(text.size()), &written,
            nullptr);
}

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(size > 0 ? size : 0), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size,
                      nullptr, nullptr);
  return out;
}

std::string JsonString(const std::string& text) {
  std::string out = "\"";
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (byte < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
      out += escaped;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string Rect(HWND window) {
  RECT r{};
  GetClientRect(window, &r);
  POINT origin{0, 0};
  ClientToScreen(window, &origin);
  char text[96];
  std::snprintf(text, sizeof text, "[%ld,%ld,%ld,%ld]", origin.x, origin.y, r.right, r.bottom);
  return text;
}

void ReportText(const char* event) {
  const int length = GetWindowTextLengthW(g_probe.edit);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(g_probe.edit, text.data(), length + 1)));
  std::string units;
  for (const wchar_t unit : text) {
    if (!units.empty()) units += ',';
    units += std::to_string(static_cast<uint16_t>(unit));
  }
  WriteLine(std::string("{\"event\":\"") + event + "\",\"utf16\":[" + units +
            "],\"utf8\":" + JsonString(Utf8(text)) + "}");
}

bool Down(int vk) { return (GetKeyState(vk) & 0x8000) != 0; }

void ReportKey(const char* event, WPARAM vk) {
  char line[160];
  std::snprintf(line, sizeof line,
                "{\"event\":\"%s\",\"vk\":%u,\"control\":%s,\"shift\":%s,\"alt\":%s,\"win\":%s}",
                event, static_cast<unsigned>(vk), Down(VK_CONTROL) ? "true" : "false",
                Down(VK_SHIFT) ? "true" : "false", Down(VK_MENU) ? "true" : "false",
                Down(VK_LWIN) || Down(VK_RWIN) ? "true" : "false");
  WriteLine(line);
}

void ReportMouse(const char* event, HWND window, LPARAM lparam, WPARAM wparam) {
  POINT p{static_cast<int16_t>(LOWORD(lparam)), static_cast<int16_t>(HIWORD(lparam))};
  POINT screen = p;
  ClientToScreen(window, &screen);
  char line[192];
  std::snprintf(line, sizeof line,
                "{\"event\":\"%s\",\"x\":%ld,\"y\":%ld,\"screenX\":%ld,\"screenY\":%ld,"
                "\"buttons\":%u}",
                event, p.x, p.y, screen.x, screen.y, static_cast<unsigned>(wparam & 0xFFFF));
  WriteLine(line);
}

// WM_MOUSEWHEEL goes to the focus window; every window of ours reports it where it lands.
void ReportWheel(const char* window, WPARAM wparam) {
  char line[96];
  std::snprintf(line, sizeof line, "{\"event\":\"wheel\",\"delta\":%d,\"window\":\"%s\"}",
                static_cast<int16_t>(HIWORD(wparam)), window);
  WriteLine(line);
}

void PaintPad(HWND window) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  RECT r{};
  GetClientRect(window, &r);
  if (!g_probe.animating) {
    HBRUSH brush = CreateSolidBrush(g_probe.fill);
    FillRect(dc, &r, brush);
    DeleteObject(brush);
  } else {
    // Vertical stripes 64 pixels wide whose colours move by one stripe a tick.
    for (LONG x = 0; x < r.right; x += 64) {
      const unsigned k = static_cast<unsigned>(x / 64) + g_probe.tick;
      RECT stripe{x, 0, x + 64, r.bottom};
      HBRUSH brush = CreateSolidBrush(RGB((k * 53) & 0xFF, (k * 97) & 0xFF, (k * 151) & 0xFF));
      FillRect(dc, &stripe, brush);
      DeleteObject(brush);
    }
  }
  EndPaint(window, &paint);
}

LRESULT CALLBACK PadProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) noexcept {
  switch (message) {
    case WM_PAINT:
      PaintPad(window);
      return 0;
    case WM_LBUTTONDOWN:
      SetCapture(window);
      ReportMouse("lbuttondown", window, lparam, wparam);
      return 0;
    case WM_LBUTTONUP:
      ReleaseCapture();
      ReportMouse("lbuttonup", window, lparam, wparam);
      return 0;
    case WM_RBUTTONDOWN:
      ReportMouse("rbuttondown", window, lparam, wparam);
      return 0;
    case WM_RBUTTONUP:
      ReportMouse("rbuttonup", window, lparam, wparam);
      return 0;
    case WM_MOUSEMOVE:
      ReportMouse("mousemove", window, lparam, wparam);
      return 0;
    case WM_MOUSEWHEEL:
      ReportWheel("pad", wparam);
      return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

LRESULT CALLBACK EditProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) noexcept {
  switch (message) {
    case WM_KEYDOWN:
      ReportKey("keydown", wparam);
      break;
    case WM_KEYUP:
      ReportKey("keyup", wparam);
      break;
    case WM_SYSKEYDOWN:
      ReportKey("syskeydown", wparam);
      break;
    case WM_SYSKEYUP:
      ReportKey("syskeyup", wparam);
      break;
    case WM_MOUSEWHEEL:
      ReportWheel("edit", wparam);
      return 0;
  }
  return CallWindowProcW(g_probe.edit_procedure, window, message, wparam, lparam);
}

void RunCommand(const std::string& line) {
  const std::string name = line.substr(0, line.find(' '));
  const std::string argument = line.size() > name.size() ? line.substr(name.size() + 1) : "";
  if (name == "text") {
    ReportText("text");
    return;
  }
  if (name == "quit") {
    DestroyWindow(g_probe.window);
    return;
  }
  if (name == "clear") {
    SetWindowTextW(g_probe.edit, L"");
  } else if (name == "fill") {
    const unsigned long rgb = std::strtoul(argument.c_str(), nullptr, 16);
    g_probe.fill = RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
    g_probe.animating = false;
    KillTimer(g_probe.window, kAnimationTimer);
    InvalidateRect(g_probe.pad, nullptr, FALSE);
    UpdateWindow(g_probe.pad);
    GdiFlush();
  } else if (name == "animate") {
    g_probe.animating = argument == "on";
    if (g_probe.animating) {
      SetTimer(g_probe.window, kAnimationTimer, 15, nullptr);
    } else {
      KillTimer(g_probe.window, kAnimationTimer);
      InvalidateRect(g_probe.pad, nullptr, FALSE);  // back to the plain colour
      UpdateWindow(g_probe.pad);
      GdiFlush();
    }
  } else if (name == "focus") {
    SetForegroundWindow(g_probe.window);
    SetFocus(g_probe.edit);
  } else if (name == "blur") {
    SetFocus(g_probe.pad);
  } else {
    WriteLine("{\"event\":\"unknown\",\"line\":" + JsonString(line) + "}");
    return;
  }
  WriteLine("{\"event\":\"" + name + "\"}");
}

LRESULT CALLBACK ProbeProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) noexcept {
  switch (message) {
    case kCommandMessage: {
      std::unique_ptr<std::string> line(reinterpret_cast<std::string*>(lparam));
      try {
        RunCommand(*line);
      } catch (...) {
        WriteLine("{\"event\":\"failed\"}");
      }
      return 0;
    }
    case WM_TIMER:
      ++g_probe.tick;
      InvalidateRect(g_probe.pad, nullptr, FALSE);
      return 0;
    case WM_MOUSEWHEEL:
      ReportWheel("window", wparam);
      return 0;
    case WM_SETFOCUS:
      SetFocus(g_probe.edit);
      return 0;
    case WM_DESTROY:
      ReportText("final");
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

// Standard input, line by line, posted to the window; its end counts as "quit".
void ReadCommands(HWND window) {
  HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  std::string pending;
  char buffer[512];
  DWORD read = 0;
  while (ReadFile(input, buffer, sizeof buffer, &read, nullptr) && read > 0) {
    pending.append(buffer, read);
    for (size_t end; (end = pending.find('\n')) != std::string::npos;) {
      std::string line = pending.substr(0, end);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      pending.erase(0, end + 1);
      auto* owned = new std::string(std::move(line));
      if (!PostMessageW(window, kCommandMessage, 0, reinterpret_cast<LPARAM>(owned))) {
        delete owned;
        return;
      }
    }
  }
  PostMessageW(window, kCommandMessage, 0, reinterpret_cast<LPARAM>(new std::string("quit")));
}

bool ParseArguments(RECT* rect) {
  int count = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &count);
  if (argv == nullptr) return false;
  bool ok = true;
  for (int i = 1; i + 1 < count; i += 2) {
    const std::wstring name = argv[i];
    const std::wstring value = argv[i + 1];
    if (name == L"--rect") {
      long x = 0, y = 0, w = 0, h = 0;
      ok = ok && swscanf(value.c_str(), L"%ld,%ld,%ld,%ld", &x, &y, &w, &h) == 4;
      *rect = RECT{x, y, x + w, y + h};
    } else if (name == L"--fill") {
      const unsigned long rgb = wcstoul(value.c_str(), nullptr, 16);
      g_probe.fill = RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
    } else {
      ok = false;
    }
  }
  LocalFree(argv);
  return ok;
}

int Run(HINSTANCE instance) {
  RECT rect{100, 100, 740, 580};
  if (!ParseArguments(&rect)) {
    WriteLine("{\"event\":\"usage\",\"text\":\"--rect X,Y,W,H --fill RRGGBB\"}");
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

  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  g_probe.window = CreateWindowExW(WS_EX_TOPMOST, probe_class.lpszClassName, L"Tesso input probe",
                                   WS_POPUP | WS_VISIBLE, rect.left, rect.top, width, height,
                                   nullptr, nullptr, instance, nullptr);
  if (g_probe.window == nullptr) return 1;
  const int pad_height = height * 2 / 3;
  g_probe.pad = CreateWindowExW(0, pad_class.lpszClassName, L"", WS_CHILD | WS_VISIBLE, 0, 0, width,
                                pad_height, g_probe.window, nullptr, instance, nullptr);
  g_probe.edit = CreateWindowExW(
      0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN, 0,
      pad_height, width, height - pad_height, g_probe.window,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(kEditId)), instance, nullptr);
  if (g_probe.pad == nullptr || g_probe.edit == nullptr) return 1;
  SendMessageW(g_probe.edit, EM_SETLIMITTEXT, 0, 0);
  g_probe.edit_procedure = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(g_probe.edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(EditProcedure)));
  UpdateWindow(g_probe.window);
  SetForegroundWindow(g_probe.window);
  SetFocus(g_probe.edit);
  GdiFlush();
  WriteLine("{\"event\":\"ready\",\"window\":" + Rect(g_probe.window) +
            ",\"pad\":" + Rect(g_probe.pad) + ",\"edit\":" + Rect(g_probe.edit) + "}");

  std::thread(ReadCommands, g_probe.window).detach();  // ends with the process
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
