// Measures Vendaro.exe side by side with the bare window (and, given --reference, the
// bare window that also loads the common controls): start-up time, memory after
// start-up and after 1000 refreshes, and the size of each exe. Each program is copied
// into a folder of its own under --work (Vendaro with a three-item Vendaro.ini), and
// they are started in turn, the order rotated from one round to the next, so that a
// machine that gets busier or quieter during the run weighs on all of them alike.
//
//   bench_measure --vendaro EXE --bare EXE [--reference EXE] --work DIR [--runs N] [--refreshes N]
//   bench_measure --vendaro EXE --bare EXE [--reference EXE] --work DIR --hold SECONDS --ready FILE
//
// The first form prints "figure NAME VENDARO BARE [REFERENCE]" lines (and "#" lines of
// detail) for scripts/bench.sh to put in its table. The second starts the programs,
// writes FILE once their windows are up and settled, keeps them running for SECONDS
// and then closes them: the script watches their threads from Linux meanwhile.
//
// It asserts nothing: a benchmark prints figures.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench_common.h"

namespace {

struct Subject {
  const char* name;
  std::wstring exe;          // the copy that runs
  const wchar_t* className;  // of its main window
  int timerControl;          // dialog ID of the window that gets WM_TIMER; 0: the main window
};

double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const std::size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

std::string Gbk(const std::wstring& w) {
  const int n = WideCharToMultiByte(936, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
  std::string s(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(936, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr, nullptr);
  return s;
}

bool WriteFileBytes(const std::wstring& path, const std::string& bytes) {
  HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const BOOL ok = WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(f);
  return ok && written == bytes.size();
}

unsigned long long FileSize(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
  return (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

HWND FindVisibleWindow(DWORD pid, const wchar_t* className) {
  struct Search {
    DWORD pid;
    const wchar_t* className;
    HWND found;
  } search{pid, className, nullptr};
  EnumWindows(
      [](HWND hwnd, LPARAM param) -> BOOL {
        auto* s = reinterpret_cast<Search*>(param);
        DWORD owner = 0;
        GetWindowThreadProcessId(hwnd, &owner);
        if (owner != s->pid || !IsWindowVisible(hwnd)) return TRUE;
        wchar_t name[64] = {};
        GetClassNameW(hwnd, name, 64);
        if (lstrcmpW(name, s->className) != 0) return TRUE;
        s->found = hwnd;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

struct Memory {
  double privateKb = 0;
  double workingSetKb = 0;
};

// Private bytes are PrivateUsage; Wine's GetProcessMemoryInfo leaves that at 0 for
// another process and reports the same quantity as PagefileUsage (on Windows the two
// are equal by definition; Wine takes the process's resident anonymous memory, RssAnon
// plus swap, from Linux).
Memory MemoryOf(HANDLE process) {
  PROCESS_MEMORY_COUNTERS_EX m{};
  m.cb = sizeof m;
  Memory result;
  if (!GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&m), sizeof m)) return result;
  const SIZE_T privateBytes = m.PrivateUsage ? m.PrivateUsage : m.PagefileUsage;
  result.privateKb = static_cast<double>(privateBytes) / 1024.0;
  result.workingSetKb = static_cast<double>(m.WorkingSetSize) / 1024.0;
  return result;
}

class Running {
 public:
  Running() = default;
  Running(const Running&) = delete;
  Running& operator=(const Running&) = delete;

  // Starts the program and waits until its main window is visible, then until the
  // program waits for input; both moments are measured from just before CreateProcess.
  bool Start(const Subject& subject) {
    const std::wstring folder = subject.exe.substr(0, subject.exe.find_last_of(L'\\'));
    std::wstring commandLine = L"\"" + subject.exe + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    const double t0 = NowMs();
    if (!CreateProcessW(subject.exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                        &si, &pi)) {
      return false;
    }
    process_ = pi.hProcess;
    CloseHandle(pi.hThread);
    pid_ = pi.dwProcessId;
    // Polled every millisecond: often enough to see the moment, seldom enough not to
    // load the wineserver both programs depend on.
    while (!(window_ = FindVisibleWindow(pid_, subject.className))) {
      if (WaitForSingleObject(process_, 1) != WAIT_TIMEOUT || NowMs() - t0 > 20000) return false;
    }
    visibleMs_ = NowMs() - t0;
    WaitForInputIdle(process_, 20000);
    idleMs_ = NowMs() - t0;
    Settle();
    return true;
  }

  ~Running() { Close(); }

  void Settle() const {
    DWORD_PTR result = 0;
    for (int round = 0; round < 2; ++round) SendMessageTimeoutW(window_, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &result);
  }

  void Close() {
    if (!process_) return;
    if (window_) PostMessageW(window_, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process_, 10000) != WAIT_OBJECT_0) TerminateProcess(process_, 1);
    CloseHandle(process_);
    process_ = nullptr;
  }

  HANDLE process() const { return process_; }
  HWND window() const { return window_; }
  DWORD pid() const { return pid_; }
  double visibleMs() const { return visibleMs_; }
  double idleMs() const { return idleMs_; }

 private:
  HANDLE process_ = nullptr;
  HWND window_ = nullptr;
  DWORD pid_ = 0;
  double visibleMs_ = 0;
  double idleMs_ = 0;
};

struct Samples {
  std::vector<double> visibleMs, idleMs, privateKb, workingSetKb;
  std::vector<double> privateAfterKb, workingSetAfterKb, refreshRoundTripUs;
};

// Each refresh is the widget's own: the tick of its timer control (the bare window's
// timer rewrites its one text). Sent, so each one is finished before the next.
double Refresh(const Subject& subject, const Running& program, int count) {
  HWND target = subject.timerControl ? GetDlgItem(program.window(), subject.timerControl) : program.window();
  if (!target) {
    std::printf("# %s has no control %d to tick\n", subject.name, subject.timerControl);
    return 0;
  }
  const double t0 = NowMs();
  for (int i = 0; i < count; ++i) {
    DWORD_PTR result = 0;
    SendMessageTimeoutW(target, WM_TIMER, 1, 0, SMTO_NORMAL, 10000, &result);
  }
  return (NowMs() - t0) * 1000.0 / count;  // µs per refresh, round trip from here included
}

struct Options {
  std::wstring vendaro, bare, reference, work, ready;
  int runs = 21;
  int refreshes = 1000;
  int holdSeconds = 0;
};

bool Prepare(const Options& options, std::vector<Subject>& subjects) {
  CreateDirectoryW(options.work.c_str(), nullptr);
  struct Source {
    const std::wstring* exe;
    const char* name;
    const wchar_t* folder;
    const wchar_t* className;
    int timerControl;
  };
  const Source sources[] = {
      {&options.vendaro, "Vendaro.exe", L"vendaro", L"VendaroWindow", 14},
      {&options.bare, "bare_window.exe", L"bare", L"VendaroBareWindow", 0},
      {&options.reference, "bare_window_comctl32.exe", L"bare_comctl32", L"VendaroBareWindow", 0},
  };
  for (const Source& source : sources) {
    if (source.exe->empty()) continue;
    const std::wstring folder = options.work + L"\\" + source.folder;
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring leaf = source.exe->substr(source.exe->find_last_of(L'\\') + 1);
    subjects.push_back({source.name, folder + L"\\" + leaf, source.className, source.timerControl});
    if (!CopyFileW(source.exe->c_str(), subjects.back().exe.c_str(), FALSE)) {
      std::printf("# cannot copy %s into %s\n", source.name, Utf8(folder).c_str());
      return false;
    }
  }
  // Three named items, so that every refresh builds and paints three lines.
  const std::string ini = Gbk(
      L"[事项1]\r\n事项=生日\r\n到期日=2026年12月18日\r\n"
      L"[事项2]\r\n事项=考试\r\n到期日=2026年6月7日\r\n"
      L"[事项3]\r\n事项=旅行\r\n到期日=2027年1月1日\r\n");
  return WriteFileBytes(options.work + L"\\vendaro\\Vendaro.ini", ini);
}

void Figure(const char* name, const std::vector<double>& values) {
  std::printf("figure %s", name);
  for (double v : values) std::printf(" %.6g", v);
  std::printf("\n");
}

int Measure(const Options& options, const std::vector<Subject>& subjects) {
  const std::size_t n = subjects.size();
  std::vector<Samples> samples(n);

  // One start of each first, not counted: it brings the files into the cache.
  for (const Subject& s : subjects) {
    Running warm;
    if (!warm.Start(s)) {
      std::printf("# %s did not show its window\n", s.name);
      return 1;
    }
  }

  for (int run = 0; run < options.runs; ++run) {
    for (std::size_t k = 0; k < n; ++k) {
      const std::size_t which = (static_cast<std::size_t>(run) + k) % n;
      Running program;
      if (!program.Start(subjects[which])) {
        std::printf("# %s did not show its window in run %d\n", subjects[which].name, run);
        return 1;
      }
      const Memory m = MemoryOf(program.process());
      Samples& s = samples[which];
      s.visibleMs.push_back(program.visibleMs());
      s.idleMs.push_back(program.idleMs());
      s.privateKb.push_back(m.privateKb);
      s.workingSetKb.push_back(m.workingSetKb);
    }
  }

  // Memory after many refreshes: a few starts of each, in turn.
  constexpr int kRefreshRuns = 3;
  for (int run = 0; run < kRefreshRuns; ++run) {
    for (std::size_t k = 0; k < n; ++k) {
      const std::size_t which = (static_cast<std::size_t>(run) + k) % n;
      Running program;
      if (!program.Start(subjects[which])) return 1;
      Samples& s = samples[which];
      s.refreshRoundTripUs.push_back(Refresh(subjects[which], program, options.refreshes));
      program.Settle();
      const Memory m = MemoryOf(program.process());
      s.privateAfterKb.push_back(m.privateKb);
      s.workingSetAfterKb.push_back(m.workingSetKb);
    }
  }

  for (std::size_t i = 0; i < n; ++i) {
    const Samples& s = samples[i];
    std::printf("# %s: window visible after %.1f ms (median of %zu; min %.1f, p90 %.1f), waiting for input after "
                "%.1f ms\n",
                subjects[i].name, Median(s.visibleMs), s.visibleMs.size(), Percentile(s.visibleMs, 0),
                Percentile(s.visibleMs, 0.9), Median(s.idleMs));
    std::printf("# %s: %d refreshes sent from another process, %.0f us each, round trip included\n",
                subjects[i].name, options.refreshes, Median(s.refreshRoundTripUs));
  }
  auto figure = [&](const char* name, std::vector<double> Samples::*field) {
    std::vector<double> values;
    for (const Samples& s : samples) values.push_back(Median(s.*field));
    Figure(name, values);
  };
  figure("startup_visible_ms", &Samples::visibleMs);
  {
    std::vector<double> fastest;
    for (const Samples& s : samples) fastest.push_back(Percentile(s.visibleMs, 0));
    Figure("startup_visible_min_ms", fastest);
  }
  figure("startup_idle_ms", &Samples::idleMs);
  figure("private_startup_kb", &Samples::privateKb);
  figure("ws_startup_kb", &Samples::workingSetKb);
  figure("private_after_kb", &Samples::privateAfterKb);
  figure("ws_after_kb", &Samples::workingSetAfterKb);
  std::vector<double> sizes;
  for (const Subject& s : subjects) sizes.push_back(static_cast<double>(FileSize(s.exe)));
  Figure("exe_bytes", sizes);
  std::printf("# %d start-ups of each, %d refreshes\n", options.runs, options.refreshes);
  return 0;
}

// All programs up at once, for the script to watch from Linux.
int Hold(const Options& options, const std::vector<Subject>& subjects) {
  std::vector<Running> running(subjects.size());
  std::string note;
  for (std::size_t i = 0; i < subjects.size(); ++i) {
    if (!running[i].Start(subjects[i])) return 1;
    note += std::string(subjects[i].name) + " " + Utf8(subjects[i].exe) + "\n";
  }
  Sleep(2000);  // past whatever start-up leaves behind
  if (!WriteFileBytes(options.ready, note)) return 1;
  Sleep(static_cast<DWORD>(options.holdSeconds) * 1000);
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  Options options;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::wstring key = argv[i];
    const wchar_t* value = argv[i + 1];
    if (key == L"--vendaro") options.vendaro = value;
    else if (key == L"--bare") options.bare = value;
    else if (key == L"--reference") options.reference = value;
    else if (key == L"--work") options.work = value;
    else if (key == L"--ready") options.ready = value;
    else if (key == L"--runs") options.runs = _wtoi(value);
    else if (key == L"--refreshes") options.refreshes = _wtoi(value);
    else if (key == L"--hold") options.holdSeconds = _wtoi(value);
  }
  if (options.vendaro.empty() || options.bare.empty() || options.work.empty() || options.runs < 1 ||
      options.refreshes < 1) {
    std::fprintf(stderr,
                 "usage: bench_measure --vendaro EXE --bare EXE [--reference EXE] --work DIR [--runs N] [--refreshes N]\n"
                 "       bench_measure --vendaro EXE --bare EXE [--reference EXE] --work DIR --hold SECONDS --ready FILE\n");
    return 2;
  }
  std::vector<Subject> subjects;
  if (!Prepare(options, subjects)) return 1;
  const int status = options.holdSeconds > 0 ? Hold(options, subjects) : Measure(options, subjects);
  std::fflush(stdout);
  return status;
}
