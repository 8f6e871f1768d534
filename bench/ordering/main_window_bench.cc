// The main window over a 100,000-row price list (ZAKAZ_BENCH_ROWS rows when
// that is set) on the offscreen platform: opening and first paint,
// scrolling by a row, by a page and to the end, and order entry: the
// footer's pass, one search key, one quantity typed and posted, clearing
// 2,500 quantities. Each step paints the grid (grab) so the rows shown are
// really read. Steady-state cases warm up (first paint and the deferred
// footer pass) before timing.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPixmap>
#include <QScrollBar>
#include <QTest>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "app/main_form.h"
#include "common/code_page.h"
#include "common/user_prompts.h"
#include "dbf/dataset/table_dataset.h"
#include "dbf/table/code_page.h"
#include "grid/data_set_model.h"
#include "grid/db_grid.h"
#include "ordering/order_entry.h"
#include "sample_price_list.h"

namespace {

namespace fs = std::filesystem;

int Rows() {
  static const int rows = [] {
    const char* text = std::getenv("ZAKAZ_BENCH_ROWS");
    const int n = text != nullptr ? std::atoi(text) : 0;
    return n > 0 ? n : 100000;
  }();
  return rows;
}

constexpr int kQuantColumn = 7;
constexpr int kSummaColumn = 8;

class SilentPrompts : public zakaz::IUserPrompts {
 public:
  void Warning(std::string_view) override {}
  void Error(std::string_view) override {}
  void Information(std::string_view) override {}
  bool Confirm(std::string_view) override { return false; }
  void ShowException(std::string_view) override {}
};

// A working directory with the sample price list, made once per run. The
// sample itself is written once per row count into the temporary folder
// (a million rows take a while) and copied from there.
const fs::path& WorkDir() {
  static const fs::path dir = [] {
    fs::path d =
        fs::temp_directory_path() / ("zakaz_main_window_bench_" + std::to_string(::getpid()));
    fs::create_directories(d / "demand");
    const fs::path sample =
        fs::temp_directory_path() / ("zakaz_bench_sample_" + std::to_string(Rows()) + "_7.DBF");
    if (!fs::exists(sample)) {
      zakaz::dbf::TSampleOptions options;
      options.rows = Rows();
      options.seed = 7;
      const fs::path part = sample.string() + ".part";
      zakaz::dbf::WriteSamplePriceList(part.string(), options);
      fs::rename(part, sample);
    }
    fs::copy_file(sample, d / "price.DBF");
    return d;
  }();
  return dir;
}

// Anonymous resident memory of the process in KiB (mapped file pages are
// not counted), from /proc/self/status; 0 where that is not available.
long RssAnonKiB() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("RssAnon:", 0) == 0) return std::atol(line.c_str() + 8);
  }
  return 0;
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

// `cat` of the same table into /dev/null, in the same run: the floor a full
// pass over the file is measured against.
void BM_CatOfTable(benchmark::State& state) {
  const std::string command = "cat '" + (WorkDir() / "price.DBF").string() + "' > /dev/null";
  for (auto _ : state) {
    if (std::system(command.c_str()) != 0) state.SkipWithError("cat failed");
  }
  state.counters["MB"] = static_cast<double>(fs::file_size(WorkDir() / "price.DBF")) / 1e6;
}
BENCHMARK(BM_CatOfTable)->Unit(benchmark::kMillisecond)->MinTime(1.0);

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

// Opened and painted, with the footer's first pass done.
std::unique_ptr<zakaz::TMainForm> WarmWindow(SilentPrompts& prompts) {
  fs::current_path(WorkDir());
  auto form = OpenWindow(prompts);
  Paint(*form);
  Paint(*form);
  form->GridModel()->FooterText(kQuantColumn);
  return form;
}

void Scroll(benchmark::State& state, int step) {
  SilentPrompts prompts;
  auto form = WarmWindow(prompts);
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
BENCHMARK(BM_ScrollOneRow)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_ScrollOnePage)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_JumpToEndAndBack)->Unit(benchmark::kMillisecond)->MinTime(1.0);

int32_t FieldIndex(zakaz::dbf::TTableDataSet& table, const char* name) {
  for (int32_t i = 0; i < table.FieldCount(); ++i) {
    if (table.Fields(i).FieldName() == name) return i;
  }
  return -1;
}

// The footer's full pass (QUANT and SUMMA over the shown rows), as after an
// opening (arg 0) and after the name filter "Name = '*ан*'" (arg 1).
void BM_FooterPass(benchmark::State& state) {
  SilentPrompts prompts;
  auto form = WarmWindow(prompts);
  zakaz::dbf::TTableDataSet& table = form->PriceTable();
  if (state.range(0) == 1) {
    table.SetFilter(zakaz::Utf8ToCp1251("Name = '*ан*'"));
    table.SetFiltered(true);
  }
  const std::vector<int32_t> fields = {FieldIndex(table, "QUANT"), FieldIndex(table, "SUMMA")};
  state.counters["rows"] = table.VisibleRows().Count();
  for (auto _ : state) {
    // The pass itself, not the sums kept from the last one.
    table.DropKeptSums();
    benchmark::DoNotOptimize(table.SumVisible(fields));
  }
}
BENCHMARK(BM_FooterPass)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// One key of the incremental search in the name column: a text no name
// begins with, so the search reads every shown row (its worst case).
void BM_SearchKey(benchmark::State& state) {
  SilentPrompts prompts;
  auto form = WarmWindow(prompts);
  zakaz::DbGrid* grid = Grid(*form);
  grid->setFocus();
  grid->setCurrentIndex(form->GridModel()->index(0, 0));
  for (auto _ : state) {
    QTest::keyClick(grid, '~');
    benchmark::DoNotOptimize(grid->currentIndex());
  }
}
BENCHMARK(BM_SearchKey)->Unit(benchmark::kMillisecond);

// The first search key after an opening, once the window has been idle
// (the name index is built then, after the footer's pass).
void BM_SearchFirstKey(benchmark::State& state) {
  SilentPrompts prompts;
  for (auto _ : state) {
    state.PauseTiming();
    auto form = WarmWindow(prompts);
    QApplication::processEvents();
    zakaz::DbGrid* grid = Grid(*form);
    grid->setFocus();
    grid->setCurrentIndex(form->GridModel()->index(0, 0));
    state.ResumeTiming();
    QTest::keyClick(grid, '~');
    state.PauseTiming();
    form.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_SearchFirstKey)->Unit(benchmark::kMillisecond)->Iterations(5);

// Building the name index of the search (what the window does when idle
// after opening): one pass over the file and the sort, on a dataset opened
// on the list outside the timing.
void BM_BuildNameIndex(benchmark::State& state) {
  fs::current_path(WorkDir());
  for (auto _ : state) {
    state.PauseTiming();
    auto table = std::make_unique<zakaz::dbf::TTableDataSet>("PriceTable");
    table->SetTableName("price.DBF");
    table->SetExclusive(true);
    table->Open();
    state.ResumeTiming();
    table->PrepareSearch(0);  // NAME
    state.PauseTiming();
    table.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_BuildNameIndex)->Unit(benchmark::kMillisecond)->Iterations(5);

// One quantity typed into the grid with keys and posted by leaving the
// row, then painted: a digit, Enter, Down.
void BM_TypeQuantityAndPost(benchmark::State& state) {
  SilentPrompts prompts;
  auto form = WarmWindow(prompts);
  zakaz::DbGrid* grid = Grid(*form);
  grid->setFocus();
  int row = 0;
  for (auto _ : state) {
    grid->setCurrentIndex(form->GridModel()->index(row, kQuantColumn));
    QTest::keyClick(grid, Qt::Key_1);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QTest::keyClick(grid, Qt::Key_Down);
    Paint(*form);
    row = (row + 2) % 1000;
  }
  benchmark::DoNotOptimize(form->GridModel()->FooterText(kSummaColumn));
}
BENCHMARK(BM_TypeQuantityAndPost)->Unit(benchmark::kMillisecond);

// "Очистить" on a list with 2,500 ordered rows spread over it: one filter
// scan plus one write per ordered row, and the footer following each.
void BM_Clear2500(benchmark::State& state) {
  SilentPrompts prompts;
  auto form = WarmWindow(prompts);
  zakaz::dbf::TTableDataSet& table = form->PriceTable();
  const int step = std::max(1, Rows() / 2500);
  for (auto _ : state) {
    state.PauseTiming();
    table.DisableControls();
    int ordered = 0;
    for (table.First(); !table.Eof() && ordered < 2500; table.MoveBy(step)) {
      table.Edit();
      table.FieldByName("QUANT").SetAsInteger(1);
      table.FieldByName("KOL").SetAsInteger(5);
      table.Post();
      ++ordered;
    }
    table.EnableControls();
    form->SetViewMode(zakaz::vmPrice);
    Paint(*form);
    form->GridModel()->FooterText(kQuantColumn);
    state.counters["ordered"] = ordered;
    state.ResumeTiming();
    zakaz::ClearQuantities(table, *form);
    Paint(*form);
  }
}
BENCHMARK(BM_Clear2500)->Unit(benchmark::kMillisecond)->Iterations(3);

// Anonymous memory (RssAnon) of the window over the list, against the
// same window over an empty list: after opening and painting, after the
// footer's pass, after a search key (the name index) and after clearing
// 2,500 ordered rows. Counters in MB above the empty window; the largest of
// them is the peak that stays.
void BM_MemoryOfOpenList(benchmark::State& state) {
  SilentPrompts prompts;
  const fs::path empty_dir = WorkDir() / "empty";
  fs::create_directories(empty_dir / "demand");
  {
    zakaz::dbf::TSampleOptions options;
    options.rows = 0;
    zakaz::dbf::WriteSamplePriceList((empty_dir / "price.DBF").string(), options);
  }
  for (auto _ : state) {
    fs::current_path(empty_dir);
    long empty = 0;
    {
      auto form = OpenWindow(prompts);
      Paint(*form);
      Paint(*form);
      empty = RssAnonKiB();
    }
    fs::current_path(WorkDir());
    auto form = OpenWindow(prompts);
    Paint(*form);
    const long opened = RssAnonKiB();
    Paint(*form);
    form->GridModel()->FooterText(kQuantColumn);
    const long summed = RssAnonKiB();
    zakaz::DbGrid* grid = Grid(*form);
    grid->setFocus();
    grid->setCurrentIndex(form->GridModel()->index(0, 0));
    QTest::keyClick(grid, '~');
    const long searched = RssAnonKiB();
    zakaz::dbf::TTableDataSet& table = form->PriceTable();
    const int step = std::max(1, Rows() / 2500);
    table.DisableControls();
    for (table.First(); !table.Eof(); table.MoveBy(step)) {
      table.Edit();
      table.FieldByName("QUANT").SetAsInteger(1);
      table.FieldByName("KOL").SetAsInteger(5);
      table.Post();
    }
    table.EnableControls();
    form->SetViewMode(zakaz::vmPrice);
    zakaz::ClearQuantities(table, *form);
    Paint(*form);
    Paint(*form);
    const long cleared = RssAnonKiB();
    auto mb = [&](long kib) { return static_cast<double>(kib - empty) / 1024.0; };
    state.counters["empty_MB"] = static_cast<double>(empty) / 1024.0;
    state.counters["open_MB"] = mb(opened);
    state.counters["footer_MB"] = mb(summed);
    state.counters["search_MB"] = mb(searched);
    state.counters["clear_MB"] = mb(cleared);
  }
}
BENCHMARK(BM_MemoryOfOpenList)->Unit(benchmark::kMillisecond)->Iterations(1);

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
