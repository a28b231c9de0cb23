// The objects whose work runs on threads of their own: the file-copy object and the restore
// object (pumping threads that create the progress object from the ProgID they were handed) and
// the backup engine (a multithreaded thread).
#include <atomic>
#include <vector>

#include "outside/econnect/standin.h"
#include "support/win/wide.h"

namespace orvel::econnect {

namespace fs = std::filesystem;
using win::CComObject;
using win::CreateComInstance;
using win::UniqueBstr;

namespace {

// The question number of the file-copy object when the target exists, and its answers after the
// engine's translation: 2 try again, 1 skip the file; anything else leaves the file uncopied.
constexpr LONG kExistsQuestion = static_cast<LONG>(0x80040203);
constexpr LONG kAnswerRetry = 2;
constexpr LONG kAnswerSkip = 1;

template <class I>
ComPtr<I> CreateProgressObject(const std::wstring& progId) {
  ComPtr<I> progress;
  CLSID clsid;
  if (!progId.empty() && SUCCEEDED(::CLSIDFromProgID(progId.c_str(), &clsid)))
    ::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, __uuidof(I),
                       reinterpret_cast<void**>(progress.GetAddressOf()));
  return progress;
}

std::u16string ConnectedName() { return State().Text16("name", u"Farlink"); }

// A device name as a folder name of the backup area.
fs::path DeviceFolderName(std::u16string name) {
  for (char16_t& c : name)
    if (c < 0x20 || std::u16string_view(u"\\/:*?\"<>|").find(c) != std::u16string_view::npos) c = u'_';
  return fs::path(name.empty() ? u"device" : name);
}

fs::path BackupFolder(const std::u16string& device, char16_t drive) {
  return DeviceRoot() / kBackupFolderName / DeviceFolderName(device) /
         std::string(1, static_cast<char>(drive | 0x20));
}

std::vector<fs::path> FilesUnder(const fs::path& folder) {
  std::vector<fs::path> files;
  std::error_code error;
  for (auto it = fs::recursive_directory_iterator(folder, error);
       !error && it != fs::recursive_directory_iterator(); it.increment(error))
    if (it->is_regular_file()) files.push_back(fs::relative(it->path(), folder));
  return files;
}

bool IsDriveLetter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }

// ---- what the file-copy and the restore object share ----

// The state a job's worker thread shares with its object: the flags, the client's sink, the
// progress object's ProgID, and the progress object made from it.
template <class Events, class Progress>
struct Job {
  using EventsInterface = Events;
  std::atomic<bool> cancel{false};
  std::atomic<bool> busy{false};
  CHeldSink<Events> sink;
  std::mutex lock;
  std::wstring progId;
  ComPtr<Progress> progress;  // used on the worker thread only
};

// An object whose jobs run one at a time on a pumping worker thread of its own. The worker releases
// the progress object on its own thread when the object goes.
template <class Interface, class JobType>
class CJobObject : public CComObject<Interface> {
 public:
  CJobObject() : m_job(std::make_shared<JobType>()), m_worker(true) {}
  ~CJobObject() override {
    auto job = m_job;
    m_worker.Quit([job] { job->progress.Reset(); });
  }

  HRESULT STDMETHODCALLTYPE Reserved7() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetClientProcess(LONG processId) override {
    m_process = processId;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Advise(typename JobType::EventsInterface* sink, BSTR progressProgId) override {
    return Guarded([&] {
      HRESULT hr = m_job->sink.Set(sink);
      std::lock_guard<std::mutex> guard(m_job->lock);
      m_job->progId = progressProgId ? progressProgId : L"";
      return hr;
    });
  }

 protected:
  // Posts `run(job)` to the worker: E_OUTOFMEMORY without a worker, E_PENDING while a job runs.
  template <class Run>
  HRESULT StartJob(Run run) {
    if (!m_worker.Started()) return E_OUTOFMEMORY;
    if (m_job->busy.exchange(true)) return E_PENDING;
    m_job->cancel = false;
    auto job = m_job;
    m_worker.Post([job, run] { run(job); });
    return S_OK;
  }

  std::shared_ptr<JobType> m_job;
  CWorker m_worker;
  LONG m_process = 0;
  std::u16string m_device;
};

// ---- file-copy object ----

using CopyJob = Job<IECFileCopyEvents, IFileCopyProgressSink>;

struct CopyRequest {
  LONG sourceKind, targetKind, options;
  std::wstring source, target;
};

LONG AskExists(IFileCopyProgressSink* progress, const CopyRequest& request, const std::string& mode) {
  LONG answer = 0;
  UniqueBstr source(win::FromWide(request.source)), target(win::FromWide(request.target));
  if (mode == "exists") {
    progress->OnCopyAskExists(source.get(), target.get(), 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 0, &answer);
  } else {
    progress->OnCopyAskNumber(0, kExistsQuestion, &answer);
  }
  return answer;
}

void RunCopy(const std::shared_ptr<CopyJob>& job, const CopyRequest& request) {
  std::wstring progId;
  {
    std::lock_guard<std::mutex> guard(job->lock);
    progId = job->progId;
  }
  if (!job->progress) job->progress = CreateProgressObject<IFileCopyProgressSink>(progId);
  IFileCopyProgressSink* progress = job->progress.Get();
  ComPtr<IECFileCopyEvents> sink = job->sink.Get();
  UniqueBstr sourceText(win::FromWide(request.source)), targetText(win::FromWide(request.target));

  if (progress) {
    progress->OnCopyReset();
    progress->OnCopyStart();
  }
  if (sink) sink->OnCopyBegin(sourceText.get(), targetText.get());
  ForEachTransferSink(
      [&](IECTransferEvents* events) { events->OnTransferBegin(sourceText.get(), targetText.get()); });

  LONG result = 0;
  LONG copied = 0;
  std::optional<fs::path> from = ResolveLocation(request.sourceKind, request.source, &result);
  std::optional<fs::path> to;
  if (from) to = ResolveLocation(request.targetKind, request.target, &result);
  if (to && !request.target.empty() && (request.target.back() == L'\\' || request.target.back() == L'/'))
    *to /= from->filename();
  CDeviceState state = State();
  if (to && state.Number("copy_error")) result = static_cast<LONG>(state.Number("copy_error"));
  bool overwrite = (request.options & EC_COPY_OVERWRITE) != 0;
  while (to && result == 0 && !overwrite && fs::exists(*to)) {
    LONG answer = progress ? AskExists(progress, request, state.Text("exists_question", "number")) : 0;
    if (answer == kAnswerRetry && !job->cancel) continue;
    if (answer != kAnswerSkip) result = ERROR_FILE_EXISTS;
    to.reset();
  }
  if (to && result == 0) {
    std::wstring name = from->filename().wstring();
    UniqueBstr nameText(win::FromWide(name));
    result = CopyWithProgress(*from, *to, overwrite, [&](int percent) {
      LONG cancel = 0;
      if (progress)
        progress->OnCopyProgress(0, nameText.get(), 0, targetText.get(), static_cast<SHORT>(percent), 0,
                                 &cancel);
      ForEachTransferSink([&](IECTransferEvents* events) {
        LONG stop = 0;
        events->OnTransferProgress(percent, &stop);
        cancel |= stop;
      });
      PumpPending();
      return cancel == 0 && !job->cancel;
    });
    copied = result == 0 ? 1 : 0;
  }
  if (job->cancel && result == 0 && !copied) result = kErrorAborted;

  // Free before the end is reported: the caller may start its next copy as soon as it hears.
  job->busy = false;
  if (progress) progress->OnCopyFinished();
  ForEachTransferSink([&](IECTransferEvents* events) { events->OnTransferEnd(result); });
  // The one report of the copy's end.
  if (sink)
    sink->OnCopyComplete(request.sourceKind, sourceText.get(), request.targetKind, targetText.get(), copied,
                         result);
}

class CFileCopy : public CJobObject<IECFileCopy, CopyJob> {
 public:
  ORVEL_DISPATCH_FROM_TYPELIB(IECFileCopy)

  HRESULT STDMETHODCALLTYPE SetDevice(BSTR deviceName) override {
    return Guarded([&]() -> HRESULT {
      if (TakeServerLoss()) return AsHresult(kErrorServerLost);
      if (!DeviceConnected()) return AsHresult(kErrorNotConnected);
      m_device = win::FromWide(deviceName);
      return S_OK;
    });
  }
  HRESULT STDMETHODCALLTYPE Cancel(LONG, LONG) override {
    m_job->cancel = true;
    return S_OK;
  }
#define ORVEL_RESERVED(n) \
  HRESULT STDMETHODCALLTYPE Reserved##n() override { return E_NOTIMPL; }
  ORVEL_RESERVED(12)
  ORVEL_RESERVED(13) ORVEL_RESERVED(14) ORVEL_RESERVED(15) ORVEL_RESERVED(16) ORVEL_RESERVED(17)
      ORVEL_RESERVED(18) ORVEL_RESERVED(19) ORVEL_RESERVED(20) ORVEL_RESERVED(21) ORVEL_RESERVED(22)
          ORVEL_RESERVED(23) ORVEL_RESERVED(24) ORVEL_RESERVED(25) ORVEL_RESERVED(26) ORVEL_RESERVED(27)
              ORVEL_RESERVED(28) ORVEL_RESERVED(29) ORVEL_RESERVED(30) ORVEL_RESERVED(31) ORVEL_RESERVED(32)
#undef ORVEL_RESERVED
                  HRESULT STDMETHODCALLTYPE
      StartCopy(LONG, LONG sourceKind, BSTR source, LONG targetKind, BSTR target, LONG options) override {
    return Guarded([&]() -> HRESULT {
      if (!source || !target || !*source || !*target) return E_INVALIDARG;
      if ((sourceKind != EC_LOCATION_COMPUTER && sourceKind != EC_LOCATION_DEVICE) ||
          (targetKind != EC_LOCATION_COMPUTER && targetKind != EC_LOCATION_DEVICE))
        return E_INVALIDARG;
      CopyRequest request{sourceKind, targetKind, options, source, target};
      return StartJob([request](const std::shared_ptr<CopyJob>& job) { RunCopy(job, request); });
    });
  }
};

// ---- restore object ----

using RestoreJob = Job<IECRestoreEvents, IRestoreProgressSink>;

struct RestoreRequest {
  std::u16string device;
  std::u16string drives;
  bool format;
};

LONG RestoreDrive(RestoreJob& job, IRestoreProgressSink* progress, const std::u16string& device,
                  char16_t drive, bool format) {
  LONG cancel = 0;
  auto stopped = [&] { return cancel != 0 || job.cancel; };
  std::wstring letter(1, static_cast<wchar_t>(drive));
  UniqueBstr driveText(win::FromWide(letter + L":")), empty(u"");
  fs::path archive = BackupFolder(device, drive) / "1";
  if (!fs::is_directory(archive)) return ERROR_FILE_NOT_FOUND;
  fs::path target = DriveFolder(DeviceRoot(), drive);
  if (progress) progress->OnRestoreStatus(0, driveText.get(), empty.get(), &cancel);
  if (stopped()) return kErrorAborted;
  if (format) {
    UniqueBstr text(win::FromWide(L"Formatting " + letter + L":"));
    if (progress) progress->OnRestoreStatus(1, text.get(), empty.get(), &cancel);
    std::error_code error;
    fs::remove_all(target, error);
    if (error) return ERROR_ACCESS_DENIED;
  }
  std::vector<fs::path> files = FilesUnder(archive);
  for (size_t i = 0; i < files.size(); ++i) {
    UniqueBstr text(win::FromWide(L"Restoring " + letter + L":\\" + files[i].wstring()));
    if (progress)
      progress->OnRestoreProgress(0, text.get(), static_cast<SHORT>(i * 100 / files.size()),
                                  static_cast<SHORT>(i + 1), static_cast<LONG>(files.size() - i), &cancel);
    PumpPending();
    if (stopped()) return kErrorAborted;
    std::error_code error;
    fs::create_directories((target / files[i]).parent_path(), error);
    if (error || !::CopyFileW((archive / files[i]).c_str(), (target / files[i]).c_str(), FALSE))
      return ERROR_WRITE_FAULT;
  }
  std::error_code error;
  fs::create_directories(target, error);
  UniqueBstr done(win::FromWide(L"Drive " + letter + L": restored"));
  if (progress) progress->OnRestoreStatus(3, done.get(), empty.get(), &cancel);
  return stopped() ? kErrorAborted : 0;
}

void RunRestore(const std::shared_ptr<RestoreJob>& job, const RestoreRequest& request) {
  std::wstring progId;
  {
    std::lock_guard<std::mutex> guard(job->lock);
    progId = job->progId;
  }
  if (!job->progress) job->progress = CreateProgressObject<IRestoreProgressSink>(progId);
  IRestoreProgressSink* progress = job->progress.Get();
  ComPtr<IECRestoreEvents> sink = job->sink.Get();
  UniqueBstr drivesText(request.drives);
  if (progress) {
    progress->OnRestoreInit();
    progress->OnRestoreStart();
  }
  if (sink) sink->OnRestoreState(drivesText.get(), 0);

  CDeviceState state = State();
  LONG result = 0;
  if (!state.Connected()) {
    result = kErrorNotConnected;
  } else if (LONG forced = static_cast<LONG>(state.Number("restore_result"))) {
    result = forced;
  } else {
    std::u16string device = request.device.empty() ? ConnectedName() : request.device;
    for (char16_t drive : request.drives) {
      if (!IsDriveLetter(drive)) continue;
      result = RestoreDrive(*job, progress, device, drive, request.format);
      if (result) break;
    }
  }
  job->busy = false;
  // "restore_sink_end" makes the sink hear of the end with that state before the progress object.
  if (LONG early = static_cast<LONG>(state.Number("restore_sink_end")); early && sink && progress)
    sink->OnRestoreState(drivesText.get(), early);
  if (progress) {
    progress->OnRestoreFinished(result);
  } else if (sink) {
    // Without a progress object the engine's sink gets the only report of the end.
    sink->OnRestoreState(drivesText.get(), result == 0 ? 1 : 2);
  }
}

class CRestore : public CJobObject<IECRestore, RestoreJob> {
 public:
  ORVEL_DISPATCH_FROM_TYPELIB(IECRestore)

  HRESULT STDMETHODCALLTYPE SetDevice(BSTR deviceName) override {
    return Guarded([&] {
      m_device = win::FromWide(deviceName);
      return S_OK;
    });
  }
  HRESULT STDMETHODCALLTYPE StartRestore(LONG, BSTR drives, LONG format, LONG) override {
    return Guarded([&]() -> HRESULT {
      std::u16string letters = win::FromWide(drives);
      if (letters.empty()) return E_INVALIDARG;
      for (char16_t c : letters)
        if (!IsDriveLetter(c)) return E_INVALIDARG;
      RestoreRequest request{m_device, letters, format != 0};
      HRESULT hr = StartJob([request](const std::shared_ptr<RestoreJob>& job) { RunRestore(job, request); });
      if (FAILED(hr)) return hr;
      // "restore_start_pump" makes the call wait in a message loop of its caller's thread first.
      if (DWORD pump = static_cast<DWORD>(State().Number("restore_start_pump"))) {
        DWORD start = ::GetTickCount();
        while (::GetTickCount() - start < pump) {
          PumpPending();
          ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        }
      }
      return S_OK;
    });
  }
  HRESULT STDMETHODCALLTYPE Cancel() override {
    m_job->cancel = true;
    return S_OK;
  }
};

// ---- backup engine ----

struct BackupJob {
  std::atomic<bool> busy{false};
  CHeldSink<IECBackupSink> sink;
};

struct BackupRequest {
  std::u16string device;
  LONG archives;
  char16_t drive;
};

LONG BackupDrive(IECBackupSink* sink, const BackupRequest& request, const CDeviceState& state) {
  LONG cancel = 0;
  std::wstring letter(1, static_cast<wchar_t>(request.drive));
  fs::path drive = DriveFolder(DeviceRoot(), request.drive);
  fs::path archives = BackupFolder(request.device, request.drive);
  UniqueBstr archiveText(win::FromWide((archives / "1").wstring()));
  sink->OnArchiveOpened(archiveText.get());
  sink->OnStateEvent(1, &cancel);
  UniqueBstr title(win::FromWide(L"Backing up drive " + letter + L":"));
  if (!cancel) sink->OnTextEvent(title.get(), 1, &cancel);
  std::vector<fs::path> files = FilesUnder(drive);
  for (size_t i = 0; i < files.size() && !cancel; ++i) {
    UniqueBstr text(win::FromWide(letter + L":\\" + files[i].wstring()));
    sink->OnProgressEvent(text.get(), 0, static_cast<SHORT>(i * 100 / files.size()),
                          static_cast<SHORT>(i + 1), static_cast<LONG>(files.size() - i), &cancel);
  }
  if (cancel) return kErrorAborted;
  if (LONG code = static_cast<LONG>(state.Number("backup_question"))) {
    UniqueBstr text1(u"The backup cannot read a file."), text2(win::FromWide(letter + L":"));
    LONG answer = 2;
    while (answer == 2) sink->OnQuestionEvent(text1.get(), text2.get(), 0, code, &answer);
    if (answer == 0) return kErrorAborted;
  }
  // "backup_result.<drive>" (lower-case letter) fails that drive alone and overrides "backup_result".
  std::string driveKey = std::string("backup_result.") + static_cast<char>(request.drive | 0x20);
  if (LONG forced = static_cast<LONG>(state.Number(driveKey, state.Number("backup_result")))) return forced;

  // Archive 1 is the newest; older ones move up and those beyond the count go.
  LONG keep = std::max<LONG>(request.archives, 1);
  std::error_code error;
  fs::remove_all(archives / std::to_string(keep), error);
  for (LONG k = keep - 1; k >= 1; --k)
    if (fs::exists(archives / std::to_string(k)))
      fs::rename(archives / std::to_string(k), archives / std::to_string(k + 1), error);
  fs::remove_all(archives / "1", error);
  if (!CopyTree(drive, archives / "1")) return ERROR_WRITE_FAULT;
  sink->OnArchiveClosed(archiveText.get());
  return 0;
}

class CBackupEngine : public CComObject<IECBackupEngine> {
 public:
  CBackupEngine() : m_job(std::make_shared<BackupJob>()), m_worker(false) {}
  ~CBackupEngine() override { m_worker.Quit(); }
  ORVEL_DISPATCH_FROM_TYPELIB(IECBackupEngine)

  HRESULT STDMETHODCALLTYPE Reserved7() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetClientProcess(LONG processId) override {
    m_process = processId;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Advise(IECBackupSink* sink) override {
    if (!sink) return E_POINTER;
    return Guarded([&] { return m_job->sink.Set(sink); });
  }
  HRESULT STDMETHODCALLTYPE Reserved10() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE StartBackup(BSTR deviceName, LONG archives, BSTR, BSTR drive) override {
    return Guarded([&]() -> HRESULT {
      std::u16string letter = win::FromWide(drive);
      if (letter.size() != 1 || !IsDriveLetter(letter[0])) return AsHresult(ERROR_INVALID_DRIVE);
      if (!DeviceConnected()) return AsHresult(kErrorNotConnected);
      if (!fs::is_directory(DriveFolder(DeviceRoot(), letter[0]))) return AsHresult(ERROR_INVALID_DRIVE);
      if (m_job->sink.Get() == nullptr) return E_UNEXPECTED;
      if (!m_worker.Started()) return E_OUTOFMEMORY;
      if (m_job->busy.exchange(true)) return E_PENDING;
      std::u16string device = win::FromWide(deviceName);
      BackupRequest request{device.empty() ? ConnectedName() : device, archives, letter[0]};
      auto job = m_job;
      m_worker.Post([job, request] {
        ComPtr<IECBackupSink> sink = job->sink.Get();
        LONG result = sink ? BackupDrive(sink.Get(), request, State()) : E_UNEXPECTED;
        job->busy = false;
        if (sink) sink->OnFinishedEvent(result);
      });
      return S_OK;
    });
  }

 private:
  std::shared_ptr<BackupJob> m_job;
  CWorker m_worker;
  LONG m_process = 0;
};

}  // namespace

HRESULT CreateFileCopy(REFIID iid, void** out) { return CreateComInstance<CFileCopy>(iid, out); }
HRESULT CreateRestore(REFIID iid, void** out) { return CreateComInstance<CRestore>(iid, out); }
HRESULT CreateBackupEngine(REFIID iid, void** out) { return CreateComInstance<CBackupEngine>(iid, out); }

}  // namespace orvel::econnect
