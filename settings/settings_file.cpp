// The only file of the settings code that includes system headers.
#include "settings/settings_file.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#endif

#include <algorithm>
#include <string>

#include "support/u16text.h"

namespace orvel {
namespace {

std::u16string CutMessage(std::u16string text) {
  while (!text.empty() && (text.back() == u'\r' || text.back() == u'\n' || text.back() == u' ')) {
    text.pop_back();
  }
  if (text.size() > kMaxSystemMessageLength) text.resize(kMaxSystemMessageLength);
  return text;
}

#ifdef _WIN32

std::wstring Wide(const std::u16string& text) { return std::wstring(text.begin(), text.end()); }

// The system's message for an error code. Inserts are ignored: the text is kept as it stands and
// never used as a format.
std::u16string SystemMessage(DWORD code) {
  wchar_t buffer[kMaxSystemMessageLength + 1] = {};
  DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                                buffer, static_cast<DWORD>(kMaxSystemMessageLength), nullptr);
  std::u16string text(buffer, buffer + length);
  if (text.empty()) text = u"Error " + FromUtf8(std::to_string(code));
  return CutMessage(std::move(text));
}

class CFile {
 public:
  explicit CFile(HANDLE handle) : m_handle(handle) {}
  ~CFile() { Close(); }
  CFile(const CFile&) = delete;
  CFile& operator=(const CFile&) = delete;
  bool IsOpen() const { return m_handle != INVALID_HANDLE_VALUE; }
  HANDLE Get() const { return m_handle; }
  bool Close() {
    if (!IsOpen()) return true;
    const bool closed = CloseHandle(m_handle) != 0;
    m_handle = INVALID_HANDLE_VALUE;
    return closed;
  }

 private:
  HANDLE m_handle;
};

// The folder part of a path ("" for a bare name), where the temporary file goes.
std::wstring FolderOf(const std::wstring& path) {
  const size_t cut = path.find_last_of(L"\\/:");
  if (cut == std::wstring::npos) return L".";
  if (path[cut] == L':') return path.substr(0, cut + 1) + L".";
  return path.substr(0, cut + 1);
}

#else

std::u16string SystemMessage(int code) { return CutMessage(FromUtf8(std::strerror(code))); }

#endif

}  // namespace

#ifdef _WIN32

bool ReadFileBytes(const std::u16string& path, std::string& bytes, std::u16string& error) {
  bytes.clear();
  CFile file(CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.IsOpen()) {
    error = SystemMessage(GetLastError());
    return false;
  }
  char buffer[65536];
  for (;;) {
    DWORD read = 0;
    if (!ReadFile(file.Get(), buffer, sizeof buffer, &read, nullptr)) {
      error = SystemMessage(GetLastError());
      return false;
    }
    if (read == 0) return true;
    bytes.append(buffer, read);
  }
}

bool ReplaceFileBytes(const std::u16string& path, std::string_view bytes, std::u16string& error) {
  const std::wstring target = Wide(path);
  wchar_t temp[MAX_PATH + 1] = {};
  if (!GetTempFileNameW(FolderOf(target).c_str(), L"set", 0, temp)) {
    error = SystemMessage(GetLastError());
    return false;
  }
  auto fail = [&](DWORD code) {
    DeleteFileW(temp);
    error = SystemMessage(code);
    return false;
  };
  {
    CFile file(CreateFileW(temp, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsOpen()) return fail(GetLastError());
    size_t done = 0;
    while (done < bytes.size()) {
      const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1 << 20));
      DWORD written = 0;
      if (!WriteFile(file.Get(), bytes.data() + done, chunk, &written, nullptr) || written == 0) {
        return fail(GetLastError());
      }
      done += written;
    }
    if (!FlushFileBuffers(file.Get())) return fail(GetLastError());
    if (!file.Close()) return fail(GetLastError());
  }
  // The 95/98/ME family has no MoveFileEx (at best a stub), so it is found at run time; without
  // it the old file is removed, then the new one moved in.
  using MoveFileExFn = BOOL(WINAPI*)(LPCWSTR, LPCWSTR, DWORD);
  static const auto moveFileEx = reinterpret_cast<MoveFileExFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "MoveFileExW")));
  if (!moveFileEx || !moveFileEx(temp, target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    const DWORD code = moveFileEx ? GetLastError() : ERROR_CALL_NOT_IMPLEMENTED;
    if (code != ERROR_CALL_NOT_IMPLEMENTED) return fail(code);
    const DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
      return fail(ERROR_ACCESS_DENIED);
    }
    if (attributes != INVALID_FILE_ATTRIBUTES && !DeleteFileW(target.c_str())) return fail(GetLastError());
    if (!MoveFileW(temp, target.c_str())) return fail(GetLastError());
  }
  return true;
}

#else

bool ReadFileBytes(const std::u16string& path, std::string& bytes, std::u16string& error) {
  bytes.clear();
  const int fd = open(AsUtf8(path).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    error = SystemMessage(errno);
    return false;
  }
  struct stat info {};
  if (fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
    close(fd);
    error = SystemMessage(EISDIR);
    return false;
  }
  char buffer[65536];
  for (;;) {
    const ssize_t got = read(fd, buffer, sizeof buffer);
    if (got < 0) {
      if (errno == EINTR) continue;
      error = SystemMessage(errno);
      close(fd);
      return false;
    }
    if (got == 0) break;
    bytes.append(buffer, static_cast<size_t>(got));
  }
  close(fd);
  return true;
}

bool ReplaceFileBytes(const std::u16string& path, std::string_view bytes, std::u16string& error) {
  const std::string target = AsUtf8(path);
  std::string temp = target + ".XXXXXX";
  const int fd = mkstemp(temp.data());
  if (fd < 0) {
    error = SystemMessage(errno);
    return false;
  }
  auto fail = [&](int code) {
    close(fd);
    unlink(temp.c_str());
    error = SystemMessage(code);
    return false;
  };
  // The new file takes the old one's permissions, or the usual ones for a new file.
  struct stat old {};
  if (stat(target.c_str(), &old) == 0) {
    fchmod(fd, old.st_mode & 07777);
  } else {
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
  }
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t put = write(fd, bytes.data() + done, bytes.size() - done);
    if (put < 0) {
      if (errno == EINTR) continue;
      return fail(errno);
    }
    done += static_cast<size_t>(put);
  }
  if (fsync(fd) != 0) return fail(errno);
  if (close(fd) != 0) {
    const int code = errno;
    unlink(temp.c_str());
    error = SystemMessage(code);
    return false;
  }
  if (rename(temp.c_str(), target.c_str()) != 0) {
    const int code = errno;
    unlink(temp.c_str());
    error = SystemMessage(code);
    return false;
  }
  return true;
}

#endif

}  // namespace orvel
