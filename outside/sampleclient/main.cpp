// A small command-line client of the engine: creates TerminalManagerExt, names itself, advises a
// callback, prints every callback it receives and runs one method per command-line verb.
//
//   sampleclient [--name NAME] [--no-details] [--no-advise] [--times] VERB [ARGS] ...
//
// Verbs: state, info, deviceinfo, openclient, path ID, security MESSAGE ALWAYS YES NO,
// logdesc TEXT, openmanager FILE, open, close, cancel, respond N, send TEXT, sendfile FILE,
// backup DRIVES ARCHIVES, restore DEVICE DRIVES FORMAT, install FILE, copy LOCAL REMOTE TODEVICE,
// unadvise, wait MS (receive callbacks for MS milliseconds), waitdone MS (until OnDone or MS),
// ready (prints READY, for a program that drives this one).
// Every method prints "<Method> <result>" and its text, with line ends shown as "|"; every
// callback prints one line starting with "On". With --times every line starts with the
// milliseconds since the client started, in brackets (for timing an operation from outside).
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "outside/sampleclient/client_callback.h"
#include "support/win/com.h"
#include "support/win/handle.h"

namespace {

using orvel::sampleclient::CClientCallback;
using orvel::sampleclient::HexCode;
using orvel::sampleclient::Utf8;
using orvel::win::ComPtr;
using orvel::win::UniqueBstr;

const DWORD g_start = ::GetTickCount();
bool g_times = false;

void PrintLine(const std::string& line) {
  if (g_times) std::printf("[%lu] ", static_cast<unsigned long>(::GetTickCount() - g_start));
  std::fputs(line.c_str(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

std::string OneLine(BSTR text) {
  std::string out;
  for (char c : Utf8(text)) {
    if (c == '\r') continue;
    out += c == '\n' ? '|' : c;
  }
  return out;
}

BSTR Arg(const std::wstring& text) { return ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size())); }

void Report(const char* method, HRESULT hr, const std::string& text = {}) {
  PrintLine(std::string(method) + " " + HexCode(hr) + (text.empty() ? "" : " " + text));
}

int Usage() {
  PrintLine("usage: sampleclient [--name NAME] [--no-details] [--no-advise] [--times] VERB [ARGS] ...");
  return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::vector<std::wstring> args(argv + 1, argv + argc);
  std::wstring name = L"Sample Client";
  bool details = true, advise = true;
  size_t i = 0;
  for (; i < args.size(); ++i) {
    if (args[i] == L"--name" && i + 1 < args.size()) {
      name = args[++i];
    } else if (args[i] == L"--no-details") {
      details = false;
    } else if (args[i] == L"--no-advise") {
      advise = false;
    } else if (args[i] == L"--times") {
      g_times = true;
    } else {
      break;
    }
  }
  if (i >= args.size()) return Usage();

  if (FAILED(::CoInitialize(nullptr))) return 1;
  int exitCode = 0;
  {
    ComPtr<ITerminalManagerExt> manager;
    HRESULT hr = ::CoCreateInstance(CLSID_TerminalManagerExt, nullptr, CLSCTX_LOCAL_SERVER, IID_ITerminalManagerExt,
                                    reinterpret_cast<void**>(manager.GetAddressOf()));
    Report("CoCreateInstance", hr);
    if (FAILED(hr)) {
      ::CoUninitialize();
      return 1;
    }
    bool done = false;
    ComPtr<CClientCallback> callback = orvel::win::MakeCom<CClientCallback>([&done](const std::string& line) {
      PrintLine(line);
      if (line.rfind("OnDone", 0) == 0) done = true;
    });
    long cookie = 0;
    if (details) {
      UniqueBstr clientName(std::u16string(name.begin(), name.end()));
      Report("SetClientDetails", manager->SetClientDetails(static_cast<long>(::GetCurrentProcessId()), clientName.get()));
    }
    if (advise) {
      hr = manager->AdviseCallback(static_cast<ITerminalManagerExtCallback*>(callback.Get()), &cookie);
      Report("AdviseCallback", hr);
    }
    auto need = [&](size_t n) { return i + n < args.size(); };
    for (++i; i <= args.size(); ++i) {
      const std::wstring& verb = args[i - 1];
      UniqueBstr text;
      long number = 0;
      if (verb == L"state") {
        hr = manager->GetState(&number);
        Report("GetState", hr, SUCCEEDED(hr) ? std::to_string(number) : "");
      } else if (verb == L"info") {
        hr = manager->GetTerminalManagerInfo(text.out());
        Report("GetTerminalManagerInfo", hr, OneLine(text.get()));
      } else if (verb == L"deviceinfo") {
        hr = manager->GetDeviceInfo(text.out());
        Report("GetDeviceInfo", hr, OneLine(text.get()));
      } else if (verb == L"openclient") {
        hr = manager->GetOpenClient(text.out());
        Report("GetOpenClient", hr, OneLine(text.get()));
      } else if (verb == L"path" && need(0)) {
        hr = manager->GetLocalizedPath(std::wcstol(args[i++].c_str(), nullptr, 0), text.out());
        Report("GetLocalizedPath", hr, OneLine(text.get()));
      } else if (verb == L"security" && need(3)) {
        UniqueBstr a = UniqueBstr::Adopt(Arg(args[i])), b = UniqueBstr::Adopt(Arg(args[i + 1])),
                   c = UniqueBstr::Adopt(Arg(args[i + 2])), d = UniqueBstr::Adopt(Arg(args[i + 3]));
        i += 4;
        Report("SetSecurityMessage", manager->SetSecurityMessage(a.get(), b.get(), c.get(), d.get()));
      } else if (verb == L"logdesc" && need(0)) {
        UniqueBstr a = UniqueBstr::Adopt(Arg(args[i++]));
        Report("SetLogDescription", manager->SetLogDescription(a.get()));
      } else if (verb == L"openmanager" && need(0)) {
        UniqueBstr a = UniqueBstr::Adopt(Arg(args[i++]));
        Report("OpenTerminalManager", manager->OpenTerminalManager(a.get()));
      } else if (verb == L"open") {
        Report("Open", manager->Open());
      } else if (verb == L"close") {
        Report("Close", manager->Close());
      } else if (verb == L"cancel") {
        Report("Cancel", manager->Cancel());
      } else if (verb == L"respond" && need(0)) {
        Report("Respond", manager->Respond(std::wcstol(args[i++].c_str(), nullptr, 0)));
      } else if (verb == L"send" && need(0)) {
        UniqueBstr a = UniqueBstr::Adopt(Arg(args[i++]));
        done = false;
        Report("SendConfiguration", manager->SendConfiguration(a.get()));
      } else if (verb == L"sendfile" && need(0)) {
        UniqueBstr a = UniqueBstr::Adopt(Arg(args[i++]));
        done = false;
        Report("SendConfigurationFile", manager->SendConfigurationFile(a.get()));
      } else if (verb == L"backup" && need(1)) {
        UniqueBstr a = UniqueBstr::Adopt(Arg(args[i]));
        long archives = std::wcstol(args[i + 1].c_str(), nullptr, 0);
        i += 2;
        done = false;
        Report("BackupDevice", manager->BackupDevice(a.get(), archives));
      } else if (verb == L"restore" && need(2)) {
        UniqueBstr a = UniqueBstr::Adopt(Arg(args[i])), b = UniqueBstr::Adopt(Arg(args[i + 1]));
        long format = std::wcstol(args[i + 2].c_str(), nullptr, 0);
        i += 3;
        done = false;
        Report("RestoreDevice", manager->RestoreDevice(a.get(), b.get(), format));
      } else if (verb == L"install" && need(0)) {
        UniqueBstr a = UniqueBstr::Adopt(Arg(args[i++]));
        done = false;
        Report("Install", manager->Install(a.get()));
      } else if (verb == L"copy" && need(2)) {
        UniqueBstr a = UniqueBstr::Adopt(Arg(args[i])), b = UniqueBstr::Adopt(Arg(args[i + 1]));
        long toDevice = std::wcstol(args[i + 2].c_str(), nullptr, 0);
        i += 3;
        done = false;
        Report("CopyFile", manager->CopyFile(a.get(), b.get(), toDevice));
      } else if (verb == L"unadvise") {
        Report("UnAdviseCallback", manager->UnAdviseCallback(cookie));
      } else if (verb == L"wait" && need(0)) {
        orvel::sampleclient::PumpMessages(static_cast<DWORD>(std::wcstoul(args[i++].c_str(), nullptr, 0)));
      } else if (verb == L"waitdone" && need(0)) {
        orvel::sampleclient::PumpMessages(static_cast<DWORD>(std::wcstoul(args[i++].c_str(), nullptr, 0)),
                                          [&done] { return done; });
      } else if (verb == L"ready") {
        PrintLine("READY");
      } else {
        PrintLine("unknown verb or missing argument: " + Utf8(UniqueBstr::Adopt(Arg(verb)).get()));
        exitCode = 2;
        break;
      }
    }
  }
  ::CoUninitialize();
  return exitCode;
}
