// The archive browser over 5,000 sent orders (ZAKAZ_BENCH_FILES files when
// that is set) on the offscreen platform: from Execute until the window has
// been painted with its list, and the directory listing alone.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QApplication>
#include <QListWidget>
#include <QTimer>
#include <QToolButton>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/main_form.h"
#include "grid/list_form.h"
#include "ordering/table_listing.h"
#include "support/fake_user_prompts.h"
#include "support/price_tables.h"

namespace {

namespace fs = std::filesystem;

int Files() {
  const char* text = std::getenv("ZAKAZ_BENCH_FILES");
  const int n = text != nullptr ? std::atoi(text) : 0;
  return n > 0 ? n : 5000;
}

// A working directory whose "Archive" holds the files, each a few bytes (the
// browser lists names and times only), their times a minute apart.
const fs::path& WorkDir() {
  static const fs::path dir = [] {
    fs::path d = fs::temp_directory_path() / ("zakaz_browser_bench_" + std::to_string(::getpid()));
    fs::create_directories(d / "Archive");
    const auto start = fs::file_time_type::clock::now() - std::chrono::hours(24 * 365);
    for (int i = 0; i < Files(); ++i) {
      char name[16];
      std::snprintf(name, sizeof name, "%08X.DBF", 0x1234D000 + i);
      const fs::path path = d / "Archive" / name;
      std::ofstream(path) << "order";
      fs::last_write_time(path, start + std::chrono::minutes(i));
    }
    fs::current_path(d);
    return d;
  }();
  return dir;
}

void BM_ListArchive(benchmark::State& state) {
  WorkDir();
  for (auto _ : state) {
    auto entries = zakaz::ListTablesByAge("Archive\\");
    benchmark::DoNotOptimize(entries);
  }
  state.counters["files"] = Files();
}
BENCHMARK(BM_ListArchive)->Unit(benchmark::kMillisecond);

// Execute lists the directory, shows the window modally and paints it; the
// timer closes it as soon as its loop runs, after the first paint.
void BM_ArchiveBrowserAppears(benchmark::State& state) {
  WorkDir();
  zakaz::testing::FakeUserPrompts prompts;
  int shown = 0;
  for (auto _ : state) {
    // A new window each time, as the first "Архив" of a day meets it.
    zakaz::TListForm form(zakaz::kArchiveBrowser, prompts);
    QTimer::singleShot(0, &form, [&] {
      form.repaint();
      shown = form.findChild<QListWidget*>("ListBox")->count();
      form.reject();
    });
    form.Execute();
  }
  if (shown != Files()) state.SkipWithError("the list is not whole");
  state.counters["files"] = Files();
}
BENCHMARK(BM_ArchiveBrowserAppears)->Unit(benchmark::kMillisecond);

// "Архив" on the main window (a 100-row price list) until the browser's
// loop runs with the window painted.
void BM_ArchiveFromTheMainWindow(benchmark::State& state) {
  WorkDir();
  std::vector<zakaz::testing::PriceRow> rows(100, zakaz::testing::PriceRow{.name = "ROW"});
  zakaz::testing::WritePriceTable((WorkDir() / "price.DBF").string(), rows);
  zakaz::testing::FakeUserPrompts prompts;
  zakaz::TMainForm form(prompts, (WorkDir() / "param.Ini").string());
  zakaz::TListForm archive(zakaz::kArchiveBrowser, prompts);
  form.SetArchiveForm(&archive);
  form.show();
  QApplication::processEvents();
  auto* button = form.findChild<QToolButton*>("ArchiveSpeedButton");
  int shown = 0;
  for (auto _ : state) {
    QTimer::singleShot(0, &form, [&] {
      auto* browser = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      if (browser == nullptr) return;
      browser->repaint();
      shown = browser->findChild<QListWidget*>("ListBox")->count();
      browser->reject();
    });
    button->click();
  }
  if (shown != Files()) state.SkipWithError("the list is not whole");
}
BENCHMARK(BM_ArchiveFromTheMainWindow)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  fs::current_path(fs::temp_directory_path());
  fs::remove_all(WorkDir());
  return 0;
}
