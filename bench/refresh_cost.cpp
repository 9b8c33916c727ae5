// What one refresh, one load and one save cost inside the widget: the real main
// window from src/ui/win32, shown, with a three-item Vendaro.ini in a folder of its
// own, and the product's routines called on it directly, each call timed with
// QueryPerformanceCounter. Messages are pumped between calls, outside the timing, as
// the event loop would. Prints "figure NAME VALUE -" lines for scripts/bench.sh and
// "#" lines of detail; asserts nothing.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bench_common.h"
#include "countdown/config.h"
#include "countdown/countdown_labels.h"
#include "countdown/file_io.h"
#include "ui/win32/main_window.h"

namespace {

using namespace vendaro;

double NowUs() { return NowMs() * 1000.0; }

void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

template <class Before, class Call>
std::vector<double> Time(int warmUp, int count, Before before, Call call) {
  std::vector<double> us;
  us.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < warmUp + count; ++i) {
    before(i);
    Pump();
    const double t0 = NowUs();
    call();
    const double t1 = NowUs();
    if (i >= warmUp) us.push_back(t1 - t0);
  }
  return us;
}

// The median as figure NAME, the fastest call as NAME_min.
void Report(const char* figure, const char* what, const std::vector<double>& us) {
  std::printf("# %s: median %.1f us, min %.1f, p90 %.1f, max %.1f (%zu calls)\n", what, Percentile(us, 0.5),
              Percentile(us, 0), Percentile(us, 0.9), Percentile(us, 1), us.size());
  std::printf("figure %s %.6g -\n", figure, Percentile(us, 0.5));
  std::printf("figure %s_min %.6g -\n", figure, Percentile(us, 0));
}

std::wstring LabelText(HWND window, Control label) {
  wchar_t text[256] = {};
  GetWindowTextW(GetDlgItem(window, ControlId(label)), text, 256);
  return text;
}

}  // namespace

int wmain() {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const NativePath folder = std::wstring(temp) + L"vendaro-bench-" + std::to_wstring(GetCurrentProcessId());
  CreateDirectoryW(folder.c_str(), nullptr);
  const std::string ini =
      "[事项1]\r\n事项=生日\r\n到期日=2026年12月18日\r\n"
      "[事项2]\r\n事项=考试\r\n到期日=2026年6月7日\r\n"
      "[事项3]\r\n事项=旅行\r\n到期日=2027年1月1日\r\n";
  if (!ReplaceFileAtomically(ConfigFilePath(folder), ini)) {
    std::printf("# cannot write %s\n", Utf8(ConfigFilePath(folder)).c_str());
    return 1;
  }

  win32::FormEvents events;
  events.created = [&folder](Form& form) { LoadConfiguration(form, folder, ReadLocalClock); };
  std::unique_ptr<win32::MainWindow> window = win32::MainWindow::Load(GetModuleHandleW(nullptr), std::move(events));
  if (!window) {
    std::printf("# the main window could not be created\n");
    return 1;
  }
  Form& form = *window;
  Pump();

  auto nothing = [](int) {};
  Report("refresh_us", "RefreshCountdownLabels, three named items",
         Time(100, 3000, nothing, [&] { RefreshCountdownLabels(form, folder, ReadLocalClock); }));
  Report("load_us", "LoadConfiguration", Time(50, 1000, nothing, [&] { LoadConfiguration(form, folder, ReadLocalClock); }));
  Report("save_us", "SaveConfiguration, nothing changed (the file is not rewritten)",
         Time(20, 500, nothing, [&] { SaveConfiguration(form, folder, ReadLocalClock); }));

  // Every save writes all six values anew: the file is replaced six times, each time
  // flushed to the disk.
  const char* names[2][3] = {{"生日", "考试", "旅行"}, {"春节", "搬家", "面试"}};
  const DateValue dates[2][3] = {{46374, 46180, 46388}, {46406, 46250, 46300}};
  auto change = [&](int i) {
    for (int k = 0; k < 3; ++k) {
      form.SetEditText(std::array{Control::事项1, Control::事项2, Control::事项3}[k], names[i % 2][k]);
      form.SetDateBoxValue(std::array{Control::日期框1, Control::日期框2, Control::日期框3}[k], dates[i % 2][k]);
    }
  };
  Report("save_changed_us", "SaveConfiguration, all six values changed",
         Time(5, 100, change, [&] { SaveConfiguration(form, folder, ReadLocalClock); }));

  // Where a refresh's time goes: its parts, one at a time (a refresh does each three
  // times, the file read six).
  std::printf("# the parts of a refresh:\n");
  Report("part_read_value_us", "  ReadConfigValue (one value from the file)",
         Time(50, 1000, nothing, [&] { (void)ReadConfigValue(folder, "事项1", "事项", "无此项"); }));
  Report("part_edit_text_us", "  EditText (one name box)", Time(50, 1000, nothing, [&] { (void)form.EditText(Control::事项1); }));
  Report("part_show_label_us", "  SetLabelVisible (a shown label)",
         Time(50, 1000, nothing, [&] { form.SetLabelVisible(Control::标签1, true); }));
  Report("part_caption_us", "  SetLabelCaption (text and repaint)",
         Time(50, 1000, nothing, [&] { form.SetLabelCaption(Control::标签1, "距离生日还有：7 天"); }));
  Report("part_clock_us", "  ReadLocalClock", Time(50, 1000, nothing, [&] { (void)ReadLocalClock(); }));

  std::printf("# the first line reads \"%s\"\n", Utf8(LabelText(window->hwnd(), Control::标签1)).c_str());

  window.reset();
  DeleteFileW(ConfigFilePath(folder).c_str());
  RemoveDirectoryW(folder.c_str());
  std::fflush(stdout);
  return 0;
}
