// The main window over a 100,000-row price list on the offscreen platform:
// opening and first paint, then scrolling by a row, by a page and to the
// end. Each step paints the grid (grab) so the rows shown are really read.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPixmap>
#include <QScrollBar>
#include <filesystem>
#include <memory>
#include <string>

#include "app/main_form.h"
#include "common/user_prompts.h"
#include "dbf/table/code_page.h"
#include "ordering/data_set_model.h"
#include "ordering/db_grid.h"
#include "sample_price_list.h"

namespace {

namespace fs = std::filesystem;

constexpr int kRows = 100000;

class SilentPrompts : public zakaz::IUserPrompts {
 public:
  void Warning(std::string_view) override {}
  void Error(std::string_view) override {}
  void Information(std::string_view) override {}
  bool Confirm(std::string_view) override { return false; }
  void ShowException(std::string_view) override {}
};

// A working directory with the sample price list, made once per run.
const fs::path& WorkDir() {
  static const fs::path dir = [] {
    fs::path d = fs::temp_directory_path() / ("zakaz_main_window_bench_" + std::to_string(::getpid()));
    fs::create_directories(d / "demand");
    zakaz::dbf::TSampleOptions options;
    options.rows = kRows;
    options.seed = 7;
    zakaz::dbf::WriteSamplePriceList((d / "price.DBF").string(), options);
    return d;
  }();
  return dir;
}

std::unique_ptr<zakaz::TMainForm> OpenWindow(SilentPrompts& prompts) {
  auto form = std::make_unique<zakaz::TMainForm>(prompts, (WorkDir() / "param.Ini").string());
  form->setWindowState(Qt::WindowNoState);
  form->resize(1280, 800);
  form->show();
  return form;
}

zakaz::DbGrid* Grid(zakaz::TMainForm& form) { return form.findChild<zakaz::DbGrid*>("DBGrid"); }

void Paint(zakaz::TMainForm& form) {
  QApplication::processEvents();
  QPixmap image = Grid(form)->grab();
  benchmark::DoNotOptimize(image);
}

void BM_OpenAndPaint(benchmark::State& state) {
  fs::current_path(WorkDir());
  SilentPrompts prompts;
  for (auto _ : state) {
    auto form = OpenWindow(prompts);
    Paint(*form);
    state.PauseTiming();
    form.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_OpenAndPaint)->Unit(benchmark::kMillisecond);

// Until the footer's sums over all rows are painted too.
void BM_OpenPaintAndSum(benchmark::State& state) {
  fs::current_path(WorkDir());
  SilentPrompts prompts;
  for (auto _ : state) {
    auto form = OpenWindow(prompts);
    Paint(*form);
    Paint(*form);
    state.PauseTiming();
    form.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_OpenPaintAndSum)->Unit(benchmark::kMillisecond);

void Scroll(benchmark::State& state, int step) {
  fs::current_path(WorkDir());
  SilentPrompts prompts;
  auto form = OpenWindow(prompts);
  Paint(*form);
  QScrollBar* bar = Grid(*form)->verticalScrollBar();
  for (auto _ : state) {
    int next = bar->value() + (step == 0 ? bar->maximum() : step);
    if (next > bar->maximum()) next = 0;
    if (step == 0 && bar->value() == bar->maximum()) next = 0;
    bar->setValue(next);
    Paint(*form);
  }
}

void BM_ScrollOneRow(benchmark::State& state) { Scroll(state, 1); }
void BM_ScrollOnePage(benchmark::State& state) { Scroll(state, 30); }
void BM_JumpToEndAndBack(benchmark::State& state) { Scroll(state, 0); }
BENCHMARK(BM_ScrollOneRow)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScrollOnePage)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JumpToEndAndBack)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  zakaz::dbf::BuildTranslationTables();
  WorkDir();  // the sample is written before any timing starts
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::error_code ec;
  fs::current_path(fs::temp_directory_path());
  fs::remove_all(WorkDir(), ec);
  return 0;
}
