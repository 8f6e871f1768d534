// "Сохранить" on the main window (offscreen) over a 100,000-row price list
// with 2,500 rows ordered: the switch to the order filter, the new order file
// written and renamed, the quantities cleared and the tree refilled. Typing
// the quantities again and removing the file between runs is not timed.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <filesystem>
#include <memory>
#include <string>

#include "app/main_form.h"
#include "dbf/dataset/table_dataset.h"
#include "dbf/table/code_page.h"
#include "grid/data_set_model.h"
#include "sample_price_list.h"
#include "support/fake_user_prompts.h"

namespace {

namespace fs = std::filesystem;

constexpr int kPriceRows = 100000;
constexpr int kOrderedRows = 2500;

struct SaveBench {
  SaveBench()
      : dir(fs::temp_directory_path() / ("zakaz_order_save_bench_" + std::to_string(::getpid()))) {
    fs::create_directories(dir / "demand");
    zakaz::dbf::TSampleOptions options;
    options.rows = kPriceRows;
    options.seed = 11;
    zakaz::dbf::WriteSamplePriceList((dir / "price.DBF").string(), options);
    fs::current_path(dir);
    form = std::make_unique<zakaz::TMainForm>(prompts, (dir / "param.Ini").string());
    form->setWindowState(Qt::WindowNoState);
    form->resize(1280, 800);
    form->show();
    QApplication::processEvents();
  }
  ~SaveBench() {
    form.reset();
    fs::current_path(fs::temp_directory_path());
    std::error_code ec;
    fs::remove_all(dir, ec);
  }

  // Types a quantity into 2,500 rows spread over the list and empties
  // "demand".
  int TypeOrder() {
    for (const auto& entry : fs::directory_iterator(dir / "demand")) fs::remove(entry.path());
    zakaz::dbf::TTableDataSet& table = form->PriceTable();
    const int step = form->GridModel()->rowCount() / kOrderedRows;
    int typed = 0;
    for (table.First(); !table.Eof() && typed < kOrderedRows; table.MoveBy(step)) {
      table.Edit();
      table.FieldByName("QUANT").SetAsInteger(1);
      table.Post();
      ++typed;
    }
    table.First();
    return typed;
  }

  fs::path dir;
  zakaz::testing::FakeUserPrompts prompts;
  std::unique_ptr<zakaz::TMainForm> form;
};

// `repaint`: the window's repaint after the save (the grid over the
// reopened price list, the footer's sums) is timed too.
void SaveOrder(benchmark::State& state, bool repaint) {
  SaveBench bench;
  int rows = 0;
  for (auto _ : state) {
    state.PauseTiming();
    rows = bench.TypeOrder();
    QApplication::processEvents();
    state.ResumeTiming();
    bench.form->SaveButtonClick();
    if (repaint) QApplication::processEvents();
  }
  state.counters["rows"] = rows;
  if (!bench.prompts.shown.empty()) state.SkipWithError(bench.prompts.shown.front().c_str());
}

void BM_SaveButtonClick(benchmark::State& state) { SaveOrder(state, false); }
void BM_SaveAndRepaint(benchmark::State& state) { SaveOrder(state, true); }
BENCHMARK(BM_SaveButtonClick)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_SaveAndRepaint)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  zakaz::dbf::BuildTranslationTables();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
