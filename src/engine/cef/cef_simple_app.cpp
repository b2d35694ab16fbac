#include "engine/cef/cef_simple_app.h"

#include <string>
#include <vector>

#include "engine/cef/cef_browser.h"
#include "engine/cef/cef_simple_handler.h"
#include "engine/cef/cef_v8js_handler.h"
#include "engine/command_line.h"

namespace varnet::engine::cef_adapter {
namespace {

CommandLine commandLineFrom(CefRefPtr<CefCommandLine> commandLine) {
  CefCommandLine::ArgumentList argv;
  commandLine->GetArgv(argv);
  std::vector<std::string> texts;
  for (const CefString& argument : argv)
    texts.push_back(argument.ToString());
  std::vector<const char*> pointers;
  for (const std::string& text : texts)
    pointers.push_back(text.c_str());
  return CommandLine(static_cast<int>(pointers.size()), pointers.data());
}

// Writes the switches the application added ("--name" or "--name=value") to CEF's command line.
void appendAdded(const CommandLine& before,
                 const CommandLine& after,
                 CefRefPtr<CefCommandLine> commandLine) {
  const auto& arguments = after.GetArguments();
  for (size_t i = before.GetArguments().size(); i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (argument.rfind("--", 0) != 0)
      continue;
    size_t equals = argument.find('=');
    if (equals == std::string::npos)
      commandLine->AppendSwitch(argument.substr(2));
    else
      commandLine->AppendSwitchWithValue(argument.substr(2, equals - 2),
                                         argument.substr(equals + 1));
  }
}

CefRefPtr<CefSimpleApp>& current() {
  static CefRefPtr<CefSimpleApp> app;
  return app;
}

}  // namespace

CefRefPtr<CefSimpleApp> CefSimpleApp::For(const std::shared_ptr<App>& app) {
  if (!current() || current()->app_ != app)
    current() = new CefSimpleApp(app);
  return current();
}

void CefSimpleApp::Forget() {
  current() = nullptr;
}

void CefSimpleApp::OnBeforeCommandLineProcessing(const CefString& process_type,
                                                 CefRefPtr<CefCommandLine> command_line) {
  CommandLine before = commandLineFrom(command_line);
  CommandLine after = before;
  app_->OnBeforeCommandLineProcessing(process_type.ToString(), after);
  appendAdded(before, after, command_line);
}

CefRefPtr<CefBrowserProcessHandler> CefSimpleApp::GetBrowserProcessHandler() {
  return app_->GetBrowserProcessHandler() ? this : nullptr;
}

CefRefPtr<CefRenderProcessHandler> CefSimpleApp::GetRenderProcessHandler() {
  return app_->GetRenderProcessHandler() ? this : nullptr;
}

void CefSimpleApp::OnContextInitialized() {
  // The engine's global command line, as the application reads it on the UI thread.
  CommandLine::Global() = commandLineFrom(CefCommandLine::GetGlobalCommandLine());
  app_->GetBrowserProcessHandler()->OnContextInitialized();
}

CefRefPtr<CefClient> CefSimpleApp::GetDefaultClient() {
  return CefSimpleHandler::For(app_->GetBrowserProcessHandler()->GetDefaultClient());
}

void CefSimpleApp::OnBrowserCreated(CefRefPtr<CefBrowser> /*browser*/,
                                    CefRefPtr<CefDictionaryValue> /*extra_info*/) {
  app_->GetRenderProcessHandler()->OnBrowserCreated();
}

// CefExecuteProcess returns only after the engine has shut down, and the application object
// outlives it in a static: what the bridge holds is released here, while the engine runs.
void CefSimpleApp::OnBrowserDestroyed(CefRefPtr<CefBrowser> /*browser*/) {
  app_->GetRenderProcessHandler()->OnBrowserDestroyed();
}

void CefSimpleApp::OnContextCreated(CefRefPtr<CefBrowser> browser,
                                    CefRefPtr<CefFrame> frame,
                                    CefRefPtr<CefV8Context> context) {
  CefScriptContext scriptContext(context, browser);
  app_->GetRenderProcessHandler()->OnContextCreated(
      std::make_shared<CefDocumentFrame>(frame, context), scriptContext);
}

void CefSimpleApp::OnContextReleased(CefRefPtr<CefBrowser> /*browser*/,
                                     CefRefPtr<CefFrame> frame,
                                     CefRefPtr<CefV8Context> /*context*/) {
  app_->GetRenderProcessHandler()->OnContextReleased(wrap(frame));
}

bool CefSimpleApp::OnProcessMessageReceived(CefRefPtr<CefBrowser> /*browser*/,
                                            CefRefPtr<CefFrame> frame,
                                            CefProcessId /*source_process*/,
                                            CefRefPtr<CefProcessMessage> message) {
  return app_->GetRenderProcessHandler()->OnProcessMessageReceived(wrap(frame),
                                                                   cef_adapter::fromCef(message));
}

}  // namespace varnet::engine::cef_adapter
