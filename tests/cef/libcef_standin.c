// A stand-in for CEF's libcef.dll, for a machine that has no CEF binaries: the client links
// against it, and under Wine it plays CEF's side of the start-up. It records what it is asked,
// one "name value" line at a time, in the file named by VARNET_STANDIN_RECORD:
//   execute_process    in every process; -1 in the browser process, kRendererExitCode in a
//                      process started with --type=renderer (after the app's command-line call)
//   initialize         "mutex_held": whether the mutex named by VARNET_STANDIN_MUTEX exists; the
//                      settings; the app's command-line call; then on-context-initialized.
//                      With VARNET_STANDIN_INITIALIZE=fail it fails after "mutex_held".
//   create_browser_sync  the window description and the address; then one browser with a real
//                      window of the engine's class, announced to the life-span handler, and a
//                      posted WM_CLOSE to that window, the page's way of closing the client (with
//                      VARNET_STANDIN_END=quit a WM_QUIT instead).
//   close_browser      the close is answered later, as with unload handlers: the next
//                      do_message_loop_work destroys the window and calls on-before-close.
//                      DoClose is not played: it would start the client's exit watcher.
// The strings are UTF-16, as in CEF's Windows build. Every other export lies in the generated
// file beside this one and answers 0.

#define BUILDING_CEF_SHARED
#include <windows.h>

#include <shellapi.h>  // CommandLineToArgvW

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "include/capi/cef_app_capi.h"
#include "include/capi/cef_browser_capi.h"
#include "include/capi/cef_command_line_capi.h"
#include "include/capi/cef_task_capi.h"
#include "include/cef_api_hash.h"
#include "include/internal/cef_string.h"
#include "include/internal/cef_string_list.h"

enum { kRendererExitCode = 7 };

// ---- Strings ----

static void freeChars(char16* chars) {
  free(chars);
}
static void freeWide(wchar_t* chars) {
  free(chars);
}
static void freeUtf8(char* chars) {
  free(chars);
}

int cef_string_utf16_set(const char16* src, size_t length, cef_string_utf16_t* output, int copy) {
  cef_string_utf16_clear(output);
  if (!src || !length)
    return 1;
  if (copy) {
    output->str = (char16*)malloc((length + 1) * sizeof(char16));
    memcpy(output->str, src, length * sizeof(char16));
    output->str[length] = 0;
    output->dtor = freeChars;
  } else {
    output->str = (char16*)src;
    output->dtor = NULL;
  }
  output->length = length;
  return 1;
}

void cef_string_utf16_clear(cef_string_utf16_t* text) {
  if (text->dtor && text->str)
    text->dtor(text->str);
  text->str = NULL;
  text->length = 0;
  text->dtor = NULL;
}

int cef_string_utf16_cmp(const cef_string_utf16_t* a, const cef_string_utf16_t* b) {
  size_t shorter = a->length < b->length ? a->length : b->length;
  for (size_t i = 0; i < shorter; ++i)
    if (a->str[i] != b->str[i])
      return a->str[i] < b->str[i] ? -1 : 1;
  return a->length == b->length ? 0 : a->length < b->length ? -1 : 1;
}

int cef_string_wide_to_utf16(const wchar_t* src, size_t length, cef_string_utf16_t* output) {
  return cef_string_utf16_set((const char16*)src, length, output, 1);
}

int cef_string_utf16_to_wide(const char16* src, size_t length, cef_string_wide_t* output) {
  cef_string_wide_clear(output);
  output->str = (wchar_t*)malloc((length + 1) * sizeof(wchar_t));
  memcpy(output->str, src, length * sizeof(wchar_t));
  output->str[length] = 0;
  output->length = length;
  output->dtor = freeWide;
  return 1;
}

void cef_string_wide_clear(cef_string_wide_t* text) {
  if (text->dtor && text->str)
    text->dtor(text->str);
  text->str = NULL;
  text->length = 0;
  text->dtor = NULL;
}

int cef_string_utf8_to_utf16(const char* src, size_t length, cef_string_utf16_t* output) {
  cef_string_utf16_clear(output);
  int units = MultiByteToWideChar(CP_UTF8, 0, src, (int)length, NULL, 0);
  output->str = (char16*)malloc((units + 1) * sizeof(char16));
  MultiByteToWideChar(CP_UTF8, 0, src, (int)length, (wchar_t*)output->str, units);
  output->str[units] = 0;
  output->length = units;
  output->dtor = freeChars;
  return 1;
}

int cef_string_ascii_to_utf16(const char* src, size_t length, cef_string_utf16_t* output) {
  return cef_string_utf8_to_utf16(src, length, output);
}

int cef_string_utf16_to_utf8(const char16* src, size_t length, cef_string_utf8_t* output) {
  cef_string_utf8_clear(output);
  int bytes =
      WideCharToMultiByte(CP_UTF8, 0, (const wchar_t*)src, (int)length, NULL, 0, NULL, NULL);
  output->str = (char*)malloc(bytes + 1);
  WideCharToMultiByte(CP_UTF8, 0, (const wchar_t*)src, (int)length, output->str, bytes, NULL, NULL);
  output->str[bytes] = 0;
  output->length = bytes;
  output->dtor = freeUtf8;
  return 1;
}

void cef_string_utf8_clear(cef_string_utf8_t* text) {
  if (text->dtor && text->str)
    text->dtor(text->str);
  text->str = NULL;
  text->length = 0;
  text->dtor = NULL;
}

cef_string_userfree_utf16_t cef_string_userfree_utf16_alloc(void) {
  return (cef_string_userfree_utf16_t)calloc(1, sizeof(cef_string_utf16_t));
}

void cef_string_userfree_utf16_free(cef_string_userfree_utf16_t text) {
  cef_string_utf16_clear(text);
  free(text);
}

// A list: a count and an array of owned strings.
typedef struct {
  size_t count;
  cef_string_t items[64];
} StringList;

cef_string_list_t cef_string_list_alloc(void) {
  return (cef_string_list_t)calloc(1, sizeof(StringList));
}

size_t cef_string_list_size(cef_string_list_t list) {
  return ((StringList*)list)->count;
}

int cef_string_list_value(cef_string_list_t list, size_t index, cef_string_t* value) {
  StringList* strings = (StringList*)list;
  if (index >= strings->count)
    return 0;
  return cef_string_utf16_set(strings->items[index].str, strings->items[index].length, value, 1);
}

void cef_string_list_append(cef_string_list_t list, const cef_string_t* value) {
  StringList* strings = (StringList*)list;
  if (strings->count < sizeof(strings->items) / sizeof(strings->items[0]))
    cef_string_utf16_set(value->str, value->length, &strings->items[strings->count++], 1);
}

void cef_string_list_clear(cef_string_list_t list) {
  StringList* strings = (StringList*)list;
  for (size_t i = 0; i < strings->count; ++i)
    cef_string_utf16_clear(&strings->items[i]);
  strings->count = 0;
}

void cef_string_list_free(cef_string_list_t list) {
  cef_string_list_clear(list);
  free(list);
}

// ---- The record ----

static void record(const char* name, const char* value) {
  wchar_t path[MAX_PATH];
  if (!GetEnvironmentVariableW(L"VARNET_STANDIN_RECORD", path, MAX_PATH))
    return;
  FILE* file = _wfopen(path, L"ab");
  if (!file)
    return;
  fprintf(file, "%s %s\n", name, value ? value : "");
  fclose(file);
}

static void recordText(const char* name, const cef_string_t* text) {
  cef_string_utf8_t utf8 = {0};
  if (text && text->length)
    cef_string_utf16_to_utf8(text->str, text->length, &utf8);
  record(name, utf8.str);
  cef_string_utf8_clear(&utf8);
}

static void recordNumber(const char* name, long long value) {
  char text[32];
  snprintf(text, sizeof(text), "%lld", value);
  record(name, text);
}

static int environmentIs(const wchar_t* name, const wchar_t* expected) {
  wchar_t value[16] = L"";
  return GetEnvironmentVariableW(name, value, 16) && !wcscmp(value, expected);
}

// ---- The command line: the process's own arguments and the switches the app appends ----

static StringList commandLine;

static void CEF_CALLBACK noReference(cef_base_ref_counted_t* self) {
  (void)self;
}
static int CEF_CALLBACK lastReference(cef_base_ref_counted_t* self) {
  (void)self;
  return 0;
}

static void CEF_CALLBACK getArgv(cef_command_line_t* self, cef_string_list_t argv) {
  (void)self;
  for (size_t i = 0; i < commandLine.count; ++i)
    cef_string_list_append(argv, &commandLine.items[i]);
}

static void appendArgument(const wchar_t* prefix,
                           const cef_string_t* name,
                           const cef_string_t* value) {
  size_t length = wcslen(prefix) + name->length + (value ? 1 + value->length : 0);
  wchar_t* text = (wchar_t*)calloc(length + 1, sizeof(wchar_t));
  wcscpy(text, prefix);
  wcsncat(text, (const wchar_t*)name->str, name->length);
  if (value) {
    wcscat(text, L"=");
    wcsncat(text, (const wchar_t*)value->str, value->length);
  }
  cef_string_t argument = {(char16*)text, length, NULL};
  cef_string_list_append((cef_string_list_t)&commandLine, &argument);
  recordText("switch", &argument);
  free(text);
}

static void CEF_CALLBACK appendSwitch(cef_command_line_t* self, const cef_string_t* name) {
  (void)self;
  appendArgument(L"--", name, NULL);
}

static void CEF_CALLBACK appendSwitchWithValue(cef_command_line_t* self,
                                               const cef_string_t* name,
                                               const cef_string_t* value) {
  (void)self;
  appendArgument(L"--", name, value);
}

static int CEF_CALLBACK hasSwitch(cef_command_line_t* self, const cef_string_t* name) {
  (void)self;
  for (size_t i = 0; i < commandLine.count; ++i) {
    const cef_string_t* item = &commandLine.items[i];
    if (item->length >= name->length + 2 && item->str[0] == '-' && item->str[1] == '-' &&
        !memcmp(item->str + 2, name->str, name->length * sizeof(char16)) &&
        (item->length == name->length + 2 || item->str[name->length + 2] == '='))
      return 1;
  }
  return 0;
}

static int CEF_CALLBACK isValid(cef_command_line_t* self) {
  (void)self;
  return 1;
}

static cef_command_line_t globalCommandLine;

static cef_command_line_t* theCommandLine(void) {
  if (!globalCommandLine.base.size) {
    globalCommandLine.base.size = sizeof(globalCommandLine);
    globalCommandLine.base.add_ref = noReference;
    globalCommandLine.base.release = lastReference;
    globalCommandLine.base.has_one_ref = lastReference;
    globalCommandLine.base.has_at_least_one_ref = lastReference;
    globalCommandLine.is_valid = isValid;
    globalCommandLine.get_argv = getArgv;
    globalCommandLine.append_switch = appendSwitch;
    globalCommandLine.append_switch_with_value = appendSwitchWithValue;
    globalCommandLine.has_switch = hasSwitch;
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    for (int i = 0; i < count; ++i) {
      cef_string_t argument = {(char16*)arguments[i], wcslen(arguments[i]), NULL};
      cef_string_list_append((cef_string_list_t)&commandLine, &argument);
    }
    LocalFree(arguments);
  }
  return &globalCommandLine;
}

cef_command_line_t* cef_command_line_get_global(void) {
  return theCommandLine();
}

static void askApp(cef_app_t* app, const wchar_t* processType) {
  cef_string_t type = {(char16*)processType, wcslen(processType), NULL};
  if (app && app->on_before_command_line_processing)
    app->on_before_command_line_processing(app, &type, theCommandLine());
}

// ---- Start-up ----

const char* cef_api_hash(int entry) {
  return entry == 0 ? CEF_API_HASH_PLATFORM : CEF_API_HASH_UNIVERSAL;
}

void cef_enable_highdpi_support(void) {
  record("enable_highdpi_support", NULL);
}

int cef_execute_process(const cef_main_args_t* args, cef_app_t* application, void* sandbox) {
  (void)sandbox;
  record("execute_process", args && args->instance ? "instance" : "no-instance");
  recordNumber("app_has_browser_handler",
               application && application->get_browser_process_handler(application) != NULL);
  recordNumber("app_has_render_handler",
               application && application->get_render_process_handler(application) != NULL);
  if (wcsstr(GetCommandLineW(), L"--type=renderer")) {
    askApp(application, L"renderer");
    return kRendererExitCode;
  }
  return -1;
}

int cef_initialize(const cef_main_args_t* args,
                   const struct _cef_settings_t* settings,
                   cef_app_t* application,
                   void* sandbox) {
  (void)args;
  (void)sandbox;
  wchar_t mutexName[64] = L"";
  if (GetEnvironmentVariableW(L"VARNET_STANDIN_MUTEX", mutexName, 64)) {
    HANDLE mutex = OpenMutexW(SYNCHRONIZE, FALSE, mutexName);
    recordNumber("mutex_held", mutex != NULL);
    if (mutex)
      CloseHandle(mutex);
  }
  if (environmentIs(L"VARNET_STANDIN_INITIALIZE", L"fail")) {
    record("initialize", "failed");
    return 0;
  }
  record("initialize", NULL);
  recordNumber("no_sandbox", settings->no_sandbox);
  recordNumber("multi_threaded_message_loop", settings->multi_threaded_message_loop);
  recordNumber("external_message_pump", settings->external_message_pump);
  recordNumber("log_severity", settings->log_severity);
  recordNumber("ignore_certificate_errors", settings->ignore_certificate_errors);
  recordText("cache_path", &settings->cache_path);
  recordText("root_cache_path", &settings->root_cache_path);
  askApp(application, L"");
  cef_browser_process_handler_t* handler = application->get_browser_process_handler(application);
  if (handler && handler->on_context_initialized)
    handler->on_context_initialized(handler);
  record("context_initialized", NULL);
  return 1;
}

static void recordWindow(const cef_window_info_t* info, const cef_string_t* url) {
  recordText("window_name", &info->window_name);
  recordNumber("style", info->style);
  recordNumber("x", info->x);
  recordNumber("y", info->y);
  recordNumber("width", info->width);
  recordNumber("height", info->height);
  recordNumber("parent_window", (long long)(INT_PTR)info->parent_window);
  recordText("url", url);
}

// ---- The one browser the client creates synchronously ----

static struct {
  cef_browser_t browser;
  cef_browser_host_t host;
  HWND window;
  cef_life_span_handler_t* lifeSpan;
  int closing;
} theBrowser;

static cef_browser_host_t* CEF_CALLBACK getHost(cef_browser_t* self) {
  (void)self;
  return &theBrowser.host;
}

static int CEF_CALLBACK getIdentifier(cef_browser_t* self) {
  (void)self;
  return 1;
}

static int CEF_CALLBACK isSame(cef_browser_t* self, cef_browser_t* that) {
  return self == that;
}

static cef_window_handle_t CEF_CALLBACK getWindowHandle(cef_browser_host_t* self) {
  (void)self;
  return theBrowser.window;
}

static void CEF_CALLBACK closeBrowser(cef_browser_host_t* self, int force) {
  (void)self;
  recordNumber("close_browser", force);
  theBrowser.closing = 1;
}

static HWND createWindow(const cef_window_info_t* info) {
  WNDCLASSEXW windowClass;
  memset(&windowClass, 0, sizeof(windowClass));
  windowClass.cbSize = sizeof(windowClass);
  windowClass.lpfnWndProc = DefWindowProcW;
  windowClass.hInstance = GetModuleHandleW(NULL);
  windowClass.lpszClassName = L"CefBrowserWindow";
  RegisterClassExW(&windowClass);
  wchar_t title[256] = L"";
  if (info->window_name.length < 256)
    memcpy(title, info->window_name.str, info->window_name.length * sizeof(wchar_t));
  return CreateWindowExW(info->ex_style, L"CefBrowserWindow", title, info->style, info->x, info->y,
                         info->width, info->height, info->parent_window, NULL,
                         GetModuleHandleW(NULL), NULL);
}

cef_browser_t* cef_browser_host_create_browser_sync(const cef_window_info_t* info,
                                                    struct _cef_client_t* client,
                                                    const cef_string_t* url,
                                                    const struct _cef_browser_settings_t* settings,
                                                    struct _cef_dictionary_value_t* extra_info,
                                                    struct _cef_request_context_t* context) {
  (void)settings;
  (void)extra_info;
  (void)context;
  record("create_browser_sync", NULL);
  recordWindow(info, url);
  theBrowser.browser.base.size = sizeof(theBrowser.browser);
  theBrowser.browser.base.add_ref = noReference;
  theBrowser.browser.base.release = lastReference;
  theBrowser.browser.get_host = getHost;
  theBrowser.browser.get_identifier = getIdentifier;
  theBrowser.browser.is_same = isSame;
  theBrowser.host.base.size = sizeof(theBrowser.host);
  theBrowser.host.base.add_ref = noReference;
  theBrowser.host.base.release = lastReference;
  theBrowser.host.get_window_handle = getWindowHandle;
  theBrowser.host.close_browser = closeBrowser;
  theBrowser.window = createWindow(info);
  recordNumber("window_created", theBrowser.window != NULL);
  theBrowser.lifeSpan = client->get_life_span_handler(client);
  theBrowser.lifeSpan->on_after_created(theBrowser.lifeSpan, &theBrowser.browser);
  if (environmentIs(L"VARNET_STANDIN_END", L"quit"))
    PostQuitMessage(0);
  else
    PostMessageW(theBrowser.window, WM_CLOSE, 0, 0);
  return &theBrowser.browser;
}

void cef_do_message_loop_work(void) {
  if (!theBrowser.closing)
    return;
  theBrowser.closing = 0;
  if (IsWindow(theBrowser.window))
    DestroyWindow(theBrowser.window);
  record("before_close", NULL);
  theBrowser.lifeSpan->on_before_close(theBrowser.lifeSpan, &theBrowser.browser);
  theBrowser.lifeSpan->base.release(&theBrowser.lifeSpan->base);
}

void cef_quit_message_loop(void) {
  record("quit_message_loop", NULL);
}

// Secondary windows: recorded only.
int cef_browser_host_create_browser(const cef_window_info_t* info,
                                    struct _cef_client_t* client,
                                    const cef_string_t* url,
                                    const struct _cef_browser_settings_t* settings,
                                    struct _cef_dictionary_value_t* extra_info,
                                    struct _cef_request_context_t* context) {
  (void)client;
  (void)settings;
  (void)extra_info;
  (void)context;
  record("create_browser", NULL);
  recordWindow(info, url);
  return 1;
}

void cef_shutdown(void) {
  record("shutdown", NULL);
}

int cef_currently_on(cef_thread_id_t thread) {
  return thread == TID_UI;
}

int cef_post_task(cef_thread_id_t thread, cef_task_t* task) {
  (void)thread;
  task->execute(task);
  return 1;
}
