// The page's side under the system's JScript engine (Active Scripting).

#include <windows.h>

#include <activscp.h>
#include <oleauto.h>

#include "page_script.h"
#include "platform/text.h"
#include "platform/wide_win.h"

namespace varnet::testing {
namespace {

constexpr char kSetup[] =
    "var received = null, hijacked = false;"
    "function download_curtaskaddinf(a, b, c) { received = [a, b, c].join('|'); }";
constexpr char kOutcome[] = "hijacked ? 'hijacked' : String(received)";

// The host side of one script engine: it only keeps the first error's description.
class Site : public IActiveScriptSite {
 public:
  std::string error;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (iid == IID_IUnknown || iid == __uuidof(IActiveScriptSite)) {
      *object = static_cast<IActiveScriptSite*>(this);
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  // Lives on the stack for the engine's whole life.
  ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE GetLCID(LCID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetItemInfo(LPCOLESTR, DWORD, IUnknown**, ITypeInfo**) override {
    return TYPE_E_ELEMENTNOTFOUND;
  }
  HRESULT STDMETHODCALLTYPE GetDocVersionString(BSTR*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE OnScriptTerminate(const VARIANT*, const EXCEPINFO*) override {
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OnStateChange(SCRIPTSTATE) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnScriptError(IActiveScriptError* scriptError) override {
    EXCEPINFO info{};
    scriptError->GetExceptionInfo(&info);
    if (error.empty())
      error =
          info.bstrDescription ? toUtf8(platform::fromWide(info.bstrDescription)) : "script error";
    SysFreeString(info.bstrSource);
    SysFreeString(info.bstrDescription);
    SysFreeString(info.bstrHelpFile);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OnEnterScript() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnLeaveScript() override { return S_OK; }
};

std::wstring wideText(const std::string& utf8) {
  return platform::toWide(fromUtf8(utf8));
}

}  // namespace

std::string runInPage(const std::u16string& script) {
  static const HRESULT initialised = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  (void)initialised;
  CLSID jscript;
  if (FAILED(CLSIDFromProgID(L"JScript", &jscript)))
    return "error: no JScript engine";
  IActiveScript* engine = nullptr;
  if (FAILED(CoCreateInstance(jscript, nullptr, CLSCTX_INPROC_SERVER, __uuidof(IActiveScript),
                              reinterpret_cast<void**>(&engine))))
    return "error: JScript does not start";
  IActiveScriptParse* parser = nullptr;
  engine->QueryInterface(__uuidof(IActiveScriptParse), reinterpret_cast<void**>(&parser));
  Site site;
  std::string outcome;
  if (parser && SUCCEEDED(parser->InitNew()) && SUCCEEDED(engine->SetScriptSite(&site)) &&
      SUCCEEDED(engine->SetScriptState(SCRIPTSTATE_CONNECTED))) {
    auto run = [&](const std::wstring& code, DWORD flags, VARIANT* result) {
      EXCEPINFO exception{};
      return parser->ParseScriptText(code.c_str(), nullptr, nullptr, nullptr, 0, 0, flags, result,
                                     &exception);
    };
    VARIANT value;
    VariantInit(&value);
    if (FAILED(run(wideText(kSetup), 0, nullptr)) ||
        FAILED(run(platform::toWide(script), 0, nullptr))) {
      outcome = "error: " + site.error;
    } else if (SUCCEEDED(run(wideText(kOutcome), SCRIPTTEXT_ISEXPRESSION, &value)) &&
               value.vt == VT_BSTR) {
      outcome = toUtf8(std::u16string(reinterpret_cast<const char16_t*>(value.bstrVal),
                                      SysStringLen(value.bstrVal)));
    } else {
      outcome = "error: no outcome";
    }
    VariantClear(&value);
  }
  if (parser)
    parser->Release();
  engine->Close();
  engine->Release();
  return outcome;
}

}  // namespace varnet::testing
