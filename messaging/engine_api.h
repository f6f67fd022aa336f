// Our declaration of the engine library's plain-function interface ("flutter_windows.dll").
// Only the functions this host calls are declared, with the records they take. Window
// handles and message parameters use fixed-width aliases so that portable code (and the
// in-process fake engine of the host build) compiles without <windows.h>; on 64-bit Windows
// they have the same size and meaning as HWND, HMONITOR, UINT, WPARAM, LPARAM and LRESULT.
#ifndef TESSO_MESSAGING_ENGINE_API_H_
#define TESSO_MESSAGING_ENGINE_API_H_

#include <stddef.h>
#include <stdint.h>

// Callers link against an import library (or a static fake), so only the library that
// implements the functions marks them.
#if defined(_WIN32) && defined(TESSO_ENGINE_IMPLEMENTATION)
#define TESSO_ENGINE_EXPORT __declspec(dllexport)
#else
#define TESSO_ENGINE_EXPORT
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef struct FlutterDesktopEngine* FlutterDesktopEngineRef;
typedef struct FlutterDesktopViewController* FlutterDesktopViewControllerRef;
typedef struct FlutterDesktopView* FlutterDesktopViewRef;
typedef struct FlutterDesktopMessenger* FlutterDesktopMessengerRef;
typedef struct FlutterDesktopPluginRegistrar* FlutterDesktopPluginRegistrarRef;
typedef struct FlutterDesktopMessageResponseHandle FlutterDesktopMessageResponseHandle;

typedef void* FlutterDesktopWindowHandle;      // HWND
typedef void* FlutterDesktopMonitorHandle;     // HMONITOR
typedef uint32_t FlutterDesktopWindowMessage;  // UINT
typedef uintptr_t FlutterDesktopWParam;        // WPARAM
typedef intptr_t FlutterDesktopLParam;         // LPARAM
typedef intptr_t FlutterDesktopLResult;        // LRESULT

// UTF-16 text as the engine library takes it (wchar_t on Windows).
typedef char16_t FlutterDesktopPathChar;

// Properties of an engine to create. The strings are borrowed for the duration of the call.
typedef struct {
  const FlutterDesktopPathChar* assets_path;
  const FlutterDesktopPathChar* icu_data_path;
  const FlutterDesktopPathChar* aot_library_path;
  // Never null: an empty string selects the engine's default entrypoint.
  const char* dart_entrypoint;
  int32_t dart_entrypoint_argc;
  // Null when dart_entrypoint_argc is 0.
  const char** dart_entrypoint_argv;
  int32_t option_a;
  int32_t option_b;
} FlutterDesktopEngineProperties;

// One message received from the user interface. Only message, message_size and
// response_handle are read by the host.
typedef struct {
  size_t struct_size;
  const char* channel;
  const uint8_t* message;
  size_t message_size;
  const FlutterDesktopMessageResponseHandle* response_handle;
} FlutterDesktopMessage;

typedef void (*FlutterDesktopMessageCallback)(FlutterDesktopMessengerRef messenger,
                                              const FlutterDesktopMessage* message,
                                              void* user_data);
typedef void (*FlutterDesktopBinaryReply)(const uint8_t* data, size_t data_size, void* user_data);
typedef void (*FlutterDesktopOnNextFrame)(void* user_data);

// Engine.
TESSO_ENGINE_EXPORT FlutterDesktopEngineRef
FlutterDesktopEngineCreate(const FlutterDesktopEngineProperties* engine_properties);
TESSO_ENGINE_EXPORT bool FlutterDesktopEngineDestroy(FlutterDesktopEngineRef engine);
TESSO_ENGINE_EXPORT FlutterDesktopMessengerRef
FlutterDesktopEngineGetMessenger(FlutterDesktopEngineRef engine);
TESSO_ENGINE_EXPORT FlutterDesktopPluginRegistrarRef
FlutterDesktopEngineGetPluginRegistrar(FlutterDesktopEngineRef engine, const char* plugin_name);
TESSO_ENGINE_EXPORT void FlutterDesktopEngineReloadSystemFonts(FlutterDesktopEngineRef engine);
TESSO_ENGINE_EXPORT void FlutterDesktopEngineSetNextFrameCallback(
    FlutterDesktopEngineRef engine, FlutterDesktopOnNextFrame callback, void* user_data);

// View controller and view.
TESSO_ENGINE_EXPORT FlutterDesktopViewControllerRef
FlutterDesktopViewControllerCreate(int width, int height, FlutterDesktopEngineRef engine);
TESSO_ENGINE_EXPORT void FlutterDesktopViewControllerDestroy(
    FlutterDesktopViewControllerRef controller);
TESSO_ENGINE_EXPORT FlutterDesktopViewRef
FlutterDesktopViewControllerGetView(FlutterDesktopViewControllerRef controller);
TESSO_ENGINE_EXPORT void FlutterDesktopViewControllerForceRedraw(
    FlutterDesktopViewControllerRef controller);
TESSO_ENGINE_EXPORT bool FlutterDesktopViewControllerHandleTopLevelWindowProc(
    FlutterDesktopViewControllerRef controller, FlutterDesktopWindowHandle hwnd,
    FlutterDesktopWindowMessage message, FlutterDesktopWParam wparam, FlutterDesktopLParam lparam,
    FlutterDesktopLResult* result);
TESSO_ENGINE_EXPORT FlutterDesktopWindowHandle
FlutterDesktopViewGetHWND(FlutterDesktopViewRef view);

// Process-wide.
TESSO_ENGINE_EXPORT uint32_t FlutterDesktopGetDpiForMonitor(FlutterDesktopMonitorHandle monitor);
TESSO_ENGINE_EXPORT void FlutterDesktopResyncOutputStreams(void);

// Messenger.
TESSO_ENGINE_EXPORT bool FlutterDesktopMessengerSend(FlutterDesktopMessengerRef messenger,
                                                     const char* channel, const uint8_t* message,
                                                     size_t message_size);
TESSO_ENGINE_EXPORT bool FlutterDesktopMessengerSendWithReply(
    FlutterDesktopMessengerRef messenger, const char* channel, const uint8_t* message,
    size_t message_size, FlutterDesktopBinaryReply reply, void* user_data);
TESSO_ENGINE_EXPORT void FlutterDesktopMessengerSendResponse(
    FlutterDesktopMessengerRef messenger, const FlutterDesktopMessageResponseHandle* handle,
    const uint8_t* data, size_t data_length);
TESSO_ENGINE_EXPORT void FlutterDesktopMessengerSetCallback(FlutterDesktopMessengerRef messenger,
                                                            const char* channel,
                                                            FlutterDesktopMessageCallback callback,
                                                            void* user_data);
TESSO_ENGINE_EXPORT FlutterDesktopMessengerRef
FlutterDesktopMessengerAddRef(FlutterDesktopMessengerRef messenger);
TESSO_ENGINE_EXPORT void FlutterDesktopMessengerRelease(FlutterDesktopMessengerRef messenger);
TESSO_ENGINE_EXPORT bool FlutterDesktopMessengerIsAvailable(FlutterDesktopMessengerRef messenger);
TESSO_ENGINE_EXPORT FlutterDesktopMessengerRef
FlutterDesktopMessengerLock(FlutterDesktopMessengerRef messenger);
TESSO_ENGINE_EXPORT void FlutterDesktopMessengerUnlock(FlutterDesktopMessengerRef messenger);

#ifdef __cplusplus
}  // extern "C"
#endif

#endif  // TESSO_MESSAGING_ENGINE_API_H_
