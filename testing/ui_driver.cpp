#include "testing/ui_driver.h"

#include "support/win/command_line.h"

// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "testing/png.h"
#include "support/u16text.h"
#include "support/win/handle.h"
#include "support/win/wide.h"

namespace orvel::uidriver {

namespace {

struct WaitEntry {
  Wait wait;
  DWORD ms;
};
constexpr WaitEntry kWaits[] = {
    {Wait::HostStart, 30000}, {Wait::HostExit, 20000}, {Wait::Window, 10000},
    {Wait::LogLine, 10000},   {Wait::Text, 5000},
};
constexpr DWORD kPollMs = 20;

DWORD ReadWaitPercent() {
  wchar_t text[16] = {};
  DWORD n = ::GetEnvironmentVariableW(L"ORVEL_UI_WAIT_PERCENT", text, 16);
  if (n == 0 || n >= 16) return 100;
  DWORD percent = 0;
  for (const wchar_t* p = text; *p; ++p) {
    if (*p < L'0' || *p > L'9') return 100;
    percent = percent * 10 + static_cast<DWORD>(*p - L'0');
    if (percent > 10000) return 100;
  }
  return percent < 100 ? 100 : percent;
}

// The current environment with the given variables set or removed, as CreateProcessW takes it.
std::wstring EnvironmentBlock(const std::vector<std::pair<std::wstring, std::wstring>>& changes) {
  std::vector<std::wstring> entries;
  if (wchar_t* block = ::GetEnvironmentStringsW()) {
    for (const wchar_t* p = block; *p; p += wcslen(p) + 1) entries.emplace_back(p);
    ::FreeEnvironmentStringsW(block);
  }
  for (const auto& [name, value] : changes) {
    std::erase_if(entries, [&](const std::wstring& entry) {
      size_t eq = entry.find(L'=', 1);  // "=C:=..." entries start with "="
      return eq != std::wstring::npos && ::lstrcmpiW(entry.substr(0, eq).c_str(), name.c_str()) == 0;
    });
    if (!value.empty()) entries.push_back(name + L"=" + value);
  }
  std::wstring out;
  for (const std::wstring& entry : entries) out += entry + L'\0';
  return out + L'\0';
}

std::vector<std::wstring> ReadLines(const std::wstring& path) {
  win::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  std::vector<std::wstring> lines;
  if (!file) return lines;
  std::string bytes;
  char buffer[4096];
  DWORD got = 0;
  while (::ReadFile(file.get(), buffer, sizeof(buffer), &got, nullptr) && got > 0) bytes.append(buffer, got);
  // Only whole lines: the writer may be half way through the last one.
  size_t start = 0;
  for (size_t end; (end = bytes.find('\n', start)) != std::string::npos; start = end + 1) {
    std::string_view line(bytes.data() + start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(win::AsWide(FromUtf8(line)));
  }
  return lines;
}

struct FindData {
  DWORD processId;
  std::wstring_view className;
  bool hiddenToo;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectTopLevel(HWND window, LPARAM param) {
  auto* data = reinterpret_cast<FindData*>(param);
  DWORD pid = 0;
  ::GetWindowThreadProcessId(window, &pid);
  if (pid == data->processId && (data->hiddenToo || ::IsWindowVisible(window)) &&
      (data->className.empty() || ClassName(window) == data->className))
    data->found.push_back(window);
  return TRUE;
}

// A buffer in the memory of the process that owns a window, for the control messages whose
// arguments are pointers.
class CRemoteBuffer {
 public:
  CRemoteBuffer(HWND window, size_t size) : m_size(size) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(window, &pid);
    m_process.reset(::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid));
    if (m_process) m_address = ::VirtualAllocEx(m_process.get(), nullptr, size, MEM_COMMIT, PAGE_READWRITE);
  }
  ~CRemoteBuffer() {
    if (m_address) ::VirtualFreeEx(m_process.get(), m_address, 0, MEM_RELEASE);
  }
  CRemoteBuffer(const CRemoteBuffer&) = delete;
  CRemoteBuffer& operator=(const CRemoteBuffer&) = delete;

  explicit operator bool() const { return m_address != nullptr; }
  char* Address(size_t offset = 0) const { return static_cast<char*>(m_address) + offset; }
  LPARAM Param(size_t offset = 0) const { return reinterpret_cast<LPARAM>(Address(offset)); }
  bool Write(const void* data, size_t size, size_t offset = 0) const {
    return offset + size <= m_size &&
           ::WriteProcessMemory(m_process.get(), Address(offset), data, size, nullptr);
  }
  bool Read(void* data, size_t size, size_t offset = 0) const {
    return offset + size <= m_size &&
           ::ReadProcessMemory(m_process.get(), Address(offset), data, size, nullptr);
  }
  std::wstring ReadText(size_t offset, size_t maxChars) const {
    std::wstring text(maxChars, L'\0');
    if (!Read(text.data(), maxChars * sizeof(wchar_t), offset)) return {};
    text.resize(wcsnlen(text.c_str(), maxChars));
    return text;
  }

 private:
  win::UniqueKernelHandle m_process;
  void* m_address = nullptr;
  size_t m_size;
};

constexpr size_t kTextChars = 1024;

// The item's text of a list view or tree view: the item structure at the start of the buffer,
// the text after it.
template <class Item>
std::wstring RemoteItemText(HWND control, UINT message, WPARAM wParam, Item item) {
  CRemoteBuffer buffer(control, sizeof(Item) + kTextChars * sizeof(wchar_t));
  if (!buffer) return {};
  item.pszText = reinterpret_cast<wchar_t*>(buffer.Address(sizeof(Item)));
  item.cchTextMax = static_cast<int>(kTextChars);
  wchar_t nothing = 0;
  if (!buffer.Write(&item, sizeof(item)) || !buffer.Write(&nothing, sizeof(nothing), sizeof(Item))) return {};
  ::SendMessageW(control, message, wParam, buffer.Param());
  return buffer.ReadText(sizeof(Item), kTextChars);
}

std::wstring RemoteTreeItemText(HWND tree, HTREEITEM item) {
  TVITEMW tv = {};
  tv.mask = TVIF_TEXT | TVIF_HANDLE;
  tv.hItem = item;
  return RemoteItemText(tree, TVM_GETITEMW, 0, tv);
}

void CollectTree(HWND tree, HTREEITEM item, int depth, std::vector<TreeText>& out) {
  for (; item; item = TreeView_GetNextSibling(tree, item)) {
    out.push_back({depth, RemoteTreeItemText(tree, item)});
    CollectTree(tree, TreeView_GetChild(tree, item), depth + 1, out);
  }
}

void SendUnicode(wchar_t c) {
  INPUT inputs[2] = {};
  for (int i = 0; i < 2; ++i) {
    inputs[i].type = INPUT_KEYBOARD;
    inputs[i].ki.wScan = c;
    inputs[i].ki.dwFlags = KEYEVENTF_UNICODE | (i == 1 ? KEYEVENTF_KEYUP : 0);
  }
  ::SendInput(2, inputs, sizeof(INPUT));
}

::testing::AssertionResult ClickScreen(HWND window, POINT screen) {
  HWND top = ::GetAncestor(window, GA_ROOT);
  if (auto front = BringToFront(top); !front) return front;
  // Every event carries the point: a cursor position set on its own can be overtaken by a
  // pointer motion that the display reports late (seen under Wine's X11 driver).
  int width = ::GetSystemMetrics(SM_CXSCREEN), height = ::GetSystemMetrics(SM_CYSCREEN);
  if (width < 2 || height < 2) return ::testing::AssertionFailure() << "no screen size";
  LONG dx = static_cast<LONG>((screen.x * 65535LL + (width - 1) / 2) / (width - 1));
  LONG dy = static_cast<LONG>((screen.y * 65535LL + (height - 1) / 2) / (height - 1));
  const DWORD flags[] = {MOUSEEVENTF_MOVE, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP};
  INPUT inputs[3] = {};
  for (int i = 0; i < 3; ++i) {
    inputs[i].type = INPUT_MOUSE;
    inputs[i].mi.dx = dx;
    inputs[i].mi.dy = dy;
    inputs[i].mi.dwFlags = flags[i] | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  }
  if (::SendInput(3, inputs, sizeof(INPUT)) != 3)
    return ::testing::AssertionFailure() << "SendInput failed: " << ::GetLastError();
  return ::testing::AssertionSuccess();
}

::testing::AssertionResult ClickRect(HWND window, const RECT& client) {
  POINT centre = {(client.left + client.right) / 2, (client.top + client.bottom) / 2};
  ::ClientToScreen(window, &centre);
  return ClickScreen(window, centre);
}

// The items of a list box or a combo box, whose messages the system carries across processes.
std::vector<std::wstring> ItemTexts(HWND control, UINT countMessage, UINT lengthMessage, UINT textMessage) {
  std::vector<std::wstring> texts;
  LRESULT count = ::SendMessageW(control, countMessage, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    LRESULT length = ::SendMessageW(control, lengthMessage, static_cast<WPARAM>(i), 0);
    std::wstring text(static_cast<size_t>(std::max<LRESULT>(length, 0)) + 1, L'\0');
    LRESULT got =
        ::SendMessageW(control, textMessage, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(std::max<LRESULT>(got, 0)));
    texts.push_back(text);
  }
  return texts;
}

// The screen's pixels in the rectangle, three bytes each (red, green, blue), rows top first;
// empty when they cannot be copied.
std::vector<uint8_t> ScreenPixels(const RECT& rect) {
  int width = rect.right - rect.left, height = rect.bottom - rect.top;
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // rows top first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HDC screen = ::GetDC(nullptr);
  HBITMAP bitmap = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  bool copied = false;
  if (bitmap) {
    HDC dc = ::CreateCompatibleDC(screen);
    HGDIOBJ old = ::SelectObject(dc, bitmap);
    copied = ::BitBlt(dc, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY) != 0;
    ::GdiFlush();
    ::SelectObject(dc, old);
    ::DeleteDC(dc);
  }
  ::ReleaseDC(nullptr, screen);
  std::vector<uint8_t> rgb;
  if (copied) {
    const auto* pixels = static_cast<const uint8_t*>(bits);  // blue, green, red, unused
    rgb.reserve(static_cast<size_t>(width) * height * 3);
    for (size_t i = 0; i < static_cast<size_t>(width) * height; ++i) {
      rgb.insert(rgb.end(), {pixels[i * 4 + 2], pixels[i * 4 + 1], pixels[i * 4]});
    }
  }
  if (bitmap) ::DeleteObject(bitmap);
  return rgb;
}

}  // namespace

std::string Utf8(std::wstring_view text) { return AsUtf8(win::FromWide(text)); }

void SendKey(WORD virtualKey, bool up) {
  INPUT input = {};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = virtualKey;
  input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  ::SendInput(1, &input, sizeof(INPUT));
}

DWORD WaitMs(Wait wait) {
  static const DWORD percent = ReadWaitPercent();
  for (const WaitEntry& entry : kWaits) {
    if (entry.wait == wait) return entry.ms / 100 * percent;
  }
  return 0;
}

bool WaitUntil(Wait limit, const std::function<bool()>& done) {
  const DWORD limitMs = WaitMs(limit);
  const DWORD start = ::GetTickCount();
  for (;;) {
    if (done()) return true;
    DWORD elapsed = ::GetTickCount() - start;  // unsigned: right across the counter's wrap
    if (elapsed >= limitMs) return false;
    // The test's own windows keep answering while it waits.
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, std::min(kPollMs, limitMs - elapsed), QS_ALLINPUT);
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
  }
}

std::wstring WindowsPath(std::string_view path) {
  std::wstring out = !path.empty() && path.front() == '/' ? L"Z:" : L"";
  for (char c : path) out += c == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(c));
  return out;
}

CHostProcess::~CHostProcess() {
  if (!m_process) return;
  if (::WaitForSingleObject(m_process, 0) != WAIT_OBJECT_0) ::TerminateProcess(m_process, 99);
  ::WaitForSingleObject(m_process, WaitMs(Wait::HostExit));
  ::CloseHandle(m_process);
}

::testing::AssertionResult CHostProcess::Start(const HostOptions& options) {
  if (m_process) return ::testing::AssertionFailure() << "the host is already started";
  m_logPath = options.logPath;
  if (!m_logPath.empty()) ::DeleteFileW(m_logPath.c_str());
  std::wstring command = orvel::win::QuotedArgument(options.program);
  if (!m_logPath.empty()) command += L" /log " + orvel::win::QuotedArgument(m_logPath);
  for (const std::wstring& plugin : options.plugins)
    command += L" /plugin " + orvel::win::QuotedArgument(plugin);
  if (!options.file.empty()) command += L" " + orvel::win::QuotedArgument(options.file);
  std::wstring environment = EnvironmentBlock(options.environment);
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info = {};
  if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_UNICODE_ENVIRONMENT,
                        environment.data(), nullptr, &startup, &info))
    return ::testing::AssertionFailure() << "cannot start " << Utf8(command) << ": " << ::GetLastError();
  ::CloseHandle(info.hThread);
  m_process = info.hProcess;
  m_processId = info.dwProcessId;
  bool found = WaitUntil(Wait::HostStart, [&] {
    std::vector<HWND> frames = TopLevelWindows(m_processId, kFrameClass);
    m_frame = frames.empty() ? nullptr : frames.front();
    return m_frame != nullptr || !IsRunning();
  });
  if (!found || !m_frame)
    return ::testing::AssertionFailure()
           << "no frame window of " << Utf8(command) << (IsRunning() ? " (still running)" : " (ended)");
  return ::testing::AssertionSuccess();
}

bool CHostProcess::IsRunning() const {
  return m_process && ::WaitForSingleObject(m_process, 0) == WAIT_TIMEOUT;
}

std::vector<std::wstring> CHostProcess::LogLines() const { return ReadLines(m_logPath); }

std::optional<size_t> CHostProcess::WaitLog(std::wstring_view text, size_t from) const {
  std::optional<size_t> at;
  WaitUntil(Wait::LogLine, [&] {
    std::vector<std::wstring> lines = LogLines();
    for (size_t i = from; i < lines.size(); ++i) {
      if (lines[i].find(text) != std::wstring::npos) {
        at = i;
        return true;
      }
    }
    return false;
  });
  return at;
}

::testing::AssertionResult CHostProcess::ExpectLog(std::wstring_view text, size_t from, size_t* at) const {
  std::optional<size_t> found = WaitLog(text, from);
  if (found) {
    if (at) *at = *found;
    return ::testing::AssertionSuccess();
  }
  auto failure = ::testing::AssertionFailure();
  failure << "no line \"" << Utf8(text) << "\" from line " << from << " of the log:\n";
  std::vector<std::wstring> lines = LogLines();
  for (size_t i = 0; i < lines.size(); ++i) failure << "  " << i << ": " << Utf8(lines[i]) << "\n";
  return failure;
}

std::vector<std::wstring> CHostProcess::LogLinesWith(std::wstring_view text) const {
  std::vector<std::wstring> out;
  for (const std::wstring& line : LogLines()) {
    if (line.find(text) != std::wstring::npos) out.push_back(line);
  }
  return out;
}

void CHostProcess::RunCommand(UINT id) const { ::PostMessageW(m_frame, WM_COMMAND, MAKEWPARAM(id, 0), 0); }

std::optional<DWORD> CHostProcess::Close() {
  ::PostMessageW(m_frame, WM_CLOSE, 0, 0);
  return WaitExit();
}

std::optional<DWORD> CHostProcess::WaitExit() {
  if (!m_process || ::WaitForSingleObject(m_process, WaitMs(Wait::HostExit)) != WAIT_OBJECT_0)
    return std::nullopt;
  DWORD code = 0;
  ::GetExitCodeProcess(m_process, &code);
  return code;
}

std::optional<DWORD> RunProgram(std::wstring commandLine, Wait limit) {
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
    return std::nullopt;
  ::CloseHandle(process.hThread);
  std::optional<DWORD> code;
  DWORD exitCode = 0;
  if (::WaitForSingleObject(process.hProcess, WaitMs(limit)) == WAIT_OBJECT_0 &&
      ::GetExitCodeProcess(process.hProcess, &exitCode))
    code = exitCode;
  ::CloseHandle(process.hProcess);
  return code;
}

std::vector<HWND> TopLevelWindows(DWORD processId, std::wstring_view className, bool hiddenToo) {
  FindData data{processId, className, hiddenToo, {}};
  ::EnumWindows(&CollectTopLevel, reinterpret_cast<LPARAM>(&data));
  return data.found;
}

HWND FindDialog(DWORD processId, std::wstring_view title) {
  for (HWND dialog : TopLevelWindows(processId, L"#32770")) {
    if (WindowText(dialog) == title) return dialog;
  }
  return nullptr;
}

HWND FindDialogWithControl(DWORD processId, int controlId) {
  for (HWND dialog : TopLevelWindows(processId, L"#32770")) {
    if (FindControl(dialog, controlId)) return dialog;
  }
  return nullptr;
}

HWND WaitDialog(DWORD processId, std::wstring_view title) {
  HWND found = nullptr;
  WaitUntil(Wait::Window, [&] { return (found = FindDialog(processId, title)) != nullptr; });
  return found;
}

HWND WaitDialogWithControl(DWORD processId, int controlId) {
  HWND found = nullptr;
  WaitUntil(Wait::Window, [&] { return (found = FindDialogWithControl(processId, controlId)) != nullptr; });
  return found;
}

HWND FindControl(HWND parent, int id) {
  for (HWND child = ::GetWindow(parent, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    if (::GetDlgCtrlID(child) == id) return child;
    if (HWND inner = FindControl(child, id)) return inner;
  }
  return nullptr;
}

HWND FindControlByClass(HWND parent, std::wstring_view className) {
  for (HWND child = ::GetWindow(parent, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    if (ClassName(child) == className) return child;
    if (HWND inner = FindControlByClass(child, className)) return inner;
  }
  return nullptr;
}

std::wstring WindowText(HWND window) {
  LRESULT length = ::SendMessageW(window, WM_GETTEXTLENGTH, 0, 0);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  LRESULT got = ::SendMessageW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<size_t>(got));
  return text;
}

std::wstring ClassName(HWND window) {
  wchar_t name[256] = {};
  int n = ::GetClassNameW(window, name, 256);
  return std::wstring(name, n > 0 ? static_cast<size_t>(n) : 0);
}

std::vector<std::wstring> ListBoxTexts(HWND listBox) {
  return ItemTexts(listBox, LB_GETCOUNT, LB_GETTEXTLEN, LB_GETTEXT);
}

std::vector<std::wstring> ComboBoxTexts(HWND comboBox) {
  return ItemTexts(comboBox, CB_GETCOUNT, CB_GETLBTEXTLEN, CB_GETLBTEXT);
}

std::vector<std::wstring> ListViewTexts(HWND listView, int column) {
  std::vector<std::wstring> texts;
  int count = ListView_GetItemCount(listView);
  for (int i = 0; i < count; ++i) {
    LVITEMW item = {};
    item.mask = LVIF_TEXT;
    item.iItem = i;
    item.iSubItem = column;
    texts.push_back(RemoteItemText(listView, LVM_GETITEMTEXTW, static_cast<WPARAM>(i), item));
  }
  return texts;
}

std::vector<TreeText> TreeTexts(HWND tree) {
  std::vector<TreeText> texts;
  CollectTree(tree, TreeView_GetRoot(tree), 0, texts);
  return texts;
}

std::wstring TreeItemText(HWND tree, HTREEITEM item) { return RemoteTreeItemText(tree, item); }

HTREEITEM FindTreeItem(HWND tree, const std::vector<std::wstring_view>& path) {
  HTREEITEM level = TreeView_GetRoot(tree);
  HTREEITEM found = nullptr;
  for (std::wstring_view text : path) {
    found = nullptr;
    for (HTREEITEM item = level; item; item = TreeView_GetNextSibling(tree, item)) {
      if (RemoteTreeItemText(tree, item) == text) {
        found = item;
        break;
      }
    }
    if (!found) return nullptr;
    level = TreeView_GetChild(tree, found);
  }
  return found;
}

std::optional<RECT> TreeItemRect(HWND tree, HTREEITEM item) {
  CRemoteBuffer buffer(tree, sizeof(RECT));
  RECT rect = {};
  std::memcpy(&rect, &item, sizeof(item));  // the message takes the item in the rectangle
  if (!buffer || !buffer.Write(&rect, sizeof(rect))) return std::nullopt;
  if (!::SendMessageW(tree, TVM_GETITEMRECT, FALSE, buffer.Param()) || !buffer.Read(&rect, sizeof(rect)))
    return std::nullopt;
  return rect;
}

std::wstring TreeSelectionText(HWND tree) {
  HTREEITEM selected = TreeView_GetSelection(tree);
  return selected ? RemoteTreeItemText(tree, selected) : std::wstring();
}

HWND FocusOf(HWND window) {
  GUITHREADINFO info = {};
  info.cbSize = sizeof(info);
  return ::GetGUIThreadInfo(::GetWindowThreadProcessId(window, nullptr), &info) ? info.hwndFocus : nullptr;
}

::testing::AssertionResult BringToFront(HWND window) {
  ::SetForegroundWindow(window);
  if (!WaitUntil(Wait::Window, [&] { return ::GetForegroundWindow() == window; }))
    return ::testing::AssertionFailure()
           << "window \"" << Utf8(WindowText(window)) << "\" does not come to the front";
  return ::testing::AssertionSuccess();
}

::testing::AssertionResult Click(HWND control) {
  RECT client = {};
  if (!::GetClientRect(control, &client)) return ::testing::AssertionFailure() << "no such window";
  return ClickRect(control, client);
}

::testing::AssertionResult ClickAt(HWND window, POINT client) {
  ::ClientToScreen(window, &client);
  return ClickScreen(window, client);
}

::testing::AssertionResult ClickListViewItem(HWND listView, int index) {
  CRemoteBuffer buffer(listView, sizeof(RECT));
  RECT rect = {LVIR_ICON, 0, 0, 0};
  if (!buffer || !buffer.Write(&rect, sizeof(rect)) ||
      !::SendMessageW(listView, LVM_GETITEMRECT, static_cast<WPARAM>(index), buffer.Param()) ||
      !buffer.Read(&rect, sizeof(rect)))
    return ::testing::AssertionFailure() << "no list item " << index;
  return ClickRect(listView, rect);
}

::testing::AssertionResult ClickToolbarButton(HWND toolbar, int commandId) {
  LRESULT index = ::SendMessageW(toolbar, TB_COMMANDTOINDEX, static_cast<WPARAM>(commandId), 0);
  CRemoteBuffer buffer(toolbar, sizeof(RECT));
  RECT rect = {};
  if (index < 0 || !buffer ||
      !::SendMessageW(toolbar, TB_GETITEMRECT, static_cast<WPARAM>(index), buffer.Param()) ||
      !buffer.Read(&rect, sizeof(rect)))
    return ::testing::AssertionFailure() << "no toolbar button " << commandId;
  return ClickRect(toolbar, rect);
}

bool ToolbarButtonEnabled(HWND toolbar, int commandId) {
  return ::SendMessageW(toolbar, TB_ISBUTTONENABLED, static_cast<WPARAM>(commandId), 0) != 0;
}

bool ToolbarHasButton(HWND toolbar, int commandId) {
  return ::SendMessageW(toolbar, TB_COMMANDTOINDEX, static_cast<WPARAM>(commandId), 0) >= 0;
}

void TypeText(std::wstring_view text) {
  for (size_t i = 0; i < text.size(); ++i) {
    wchar_t c = text[i];
    if (c == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') continue;  // one Enter for "\r\n"
    if (c == L'\t') {
      PressKey(VK_TAB);
    } else if (c == L'\r' || c == L'\n') {
      PressKey(VK_RETURN);
    } else {
      SendUnicode(c);
    }
  }
}

void PressKey(WORD virtualKey) { PressKeys({virtualKey}); }

void PressKeys(std::initializer_list<WORD> virtualKeys) {
  for (WORD key : virtualKeys) SendKey(key, false);
  for (auto key = std::rbegin(virtualKeys); key != std::rend(virtualKeys); ++key) SendKey(*key, true);
}

std::optional<MessageBoxInfo> FindMessageBox(DWORD processId) {
  for (HWND dialog : TopLevelWindows(processId, L"#32770")) {
    if (HWND text = FindControl(dialog, kMessageBoxTextId))
      return MessageBoxInfo{dialog, WindowText(dialog), WindowText(text)};
  }
  return std::nullopt;
}

std::optional<MessageBoxInfo> WaitMessageBox(DWORD processId) {
  std::optional<MessageBoxInfo> box;
  WaitUntil(Wait::Window, [&] { return (box = FindMessageBox(processId)).has_value(); });
  return box;
}

std::wstring LoadLibraryString(const std::wstring& file, UINT id) {
  HMODULE module = ::LoadLibraryExW(file.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (!module) return {};
  const wchar_t* text = nullptr;
  int n = ::LoadStringW(module, id, reinterpret_cast<wchar_t*>(&text), 0);
  std::wstring out = n > 0 && text ? std::wstring(text, static_cast<size_t>(n)) : std::wstring();
  ::FreeLibrary(module);
  return out;
}

std::wstring FormatString(std::wstring_view pattern, std::initializer_list<std::wstring_view> args) {
  std::vector<std::wstring_view> list(args);
  std::wstring out;
  size_t next = 0;
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] != L'%' || i + 1 == pattern.size()) {
      out += pattern[i];
      continue;
    }
    wchar_t c = pattern[i + 1];
    if (c >= L'1' && c <= L'9') {
      size_t n = static_cast<size_t>(c - L'1');
      if (n < list.size()) out += list[n];
      ++i;
    } else if (c == L's' || (c == L'l' && i + 2 < pattern.size() && pattern[i + 2] == L's')) {
      if (next < list.size()) out += list[next++];
      i += c == L's' ? 1 : 2;
    } else if (c == L'%') {
      out += L'%';
      ++i;
    } else {
      out += pattern[i];
    }
  }
  return out;
}

::testing::AssertionResult PressButton(HWND dialog, int buttonId) {
  HWND button = FindControl(dialog, buttonId);
  if (!button) return ::testing::AssertionFailure() << "no button " << buttonId;
  return Click(button);
}

::testing::AssertionResult AnswerMessageBox(DWORD processId, std::wstring_view expected, int buttonId) {
  std::optional<MessageBoxInfo> box = WaitMessageBox(processId);
  if (!box) return ::testing::AssertionFailure() << "no message box appeared";
  if (box->text != expected)
    return ::testing::AssertionFailure()
           << "the message box says \"" << Utf8(box->text) << "\", not \"" << Utf8(expected) << "\"";
  if (auto pressed = PressButton(box->window, buttonId); !pressed) return pressed;
  if (!WaitUntil(Wait::Window, [&] { return !::IsWindow(box->window); }))
    return ::testing::AssertionFailure() << "the message box stays after button " << buttonId;
  return ::testing::AssertionSuccess();
}

std::optional<std::wstring> CaptureWindow(HWND window, std::wstring_view name) {
  wchar_t dirText[MAX_PATH] = {};
  DWORD n = ::GetEnvironmentVariableW(L"ORVEL_SCREENSHOT_DIR", dirText, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return std::nullopt;
  std::wstring dir(dirText, n);
  if (dir.front() == L'/') dir = WindowsPath(Utf8(dir));
  RECT rect = {};
  if (!::GetWindowRect(window, &rect)) return std::nullopt;
  // A maximized window's frame lies partly off the screen: the picture is what the screen shows.
  const RECT screen = {::GetSystemMetrics(SM_XVIRTUALSCREEN), ::GetSystemMetrics(SM_YVIRTUALSCREEN),
                       ::GetSystemMetrics(SM_XVIRTUALSCREEN) + ::GetSystemMetrics(SM_CXVIRTUALSCREEN),
                       ::GetSystemMetrics(SM_YVIRTUALSCREEN) + ::GetSystemMetrics(SM_CYVIRTUALSCREEN)};
  if (!::IntersectRect(&rect, &rect, &screen)) return std::nullopt;
  int width = rect.right - rect.left, height = rect.bottom - rect.top;
  if (width <= 0 || height <= 0) return std::nullopt;

  // The window is painted afresh, and taken once two pictures in a row agree.
  ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
  std::vector<uint8_t> rgb, previous;
  WaitUntil(Wait::Window, [&] {
    previous.swap(rgb);
    rgb = ScreenPixels(rect);
    return !rgb.empty() && rgb == previous;
  });
  if (rgb.empty()) return std::nullopt;
  std::vector<uint8_t> file =
      png::EncodeRgb(static_cast<uint32_t>(width), static_cast<uint32_t>(height), rgb);
  std::error_code error;
  std::filesystem::create_directories(std::filesystem::path(dir), error);
  std::wstring path = dir + L"\\" + std::wstring(name) + L".png";
  std::ofstream out(std::filesystem::path(path), std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
  if (!out) return std::nullopt;
  return path;
}

}  // namespace orvel::uidriver
