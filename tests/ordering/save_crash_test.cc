// A save killed at any moment is all or nothing as the next start sees it:
// a forked child saves a large order and is killed at its named steps and at
// fractions of the time a whole save takes; the parent then runs the start's
// recovery and reads the files back.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "common/user_prompts.h"
#include "dbf/dataset/table_dataset.h"
#include "dbf/table/code_page.h"
#include "ordering/order_saver.h"
#include "ordering/price_list.h"
#include "ordering/save_note.h"
#include "ordering/view_mode.h"
#include "settings/live_settings.h"
#include "support/fake_user_prompts.h"
#include "support/price_tables.h"
#include "support/temp_dir.h"

namespace zakaz {
namespace {

namespace fs = std::filesystem;
using testing::PriceRow;

constexpr int kRows = 60000;
constexpr int kOrdered = 20000;                     // every third row
constexpr std::time_t kPriceListTime = 1236262930;  // 05.03.2009 14:22:10 UTC

class PriceListViews : public IViewModes {
 public:
  explicit PriceListViews(TPriceList& list) : list_(list) {}
  TViewMode ViewMode() const override { return mode_; }
  void SetViewMode(TViewMode mode) override {
    mode_ = mode;
    mode == vmOrder ? list_.ShowOrderedRows() : list_.ShowAllRows();
    if (list_.Table().Active()) list_.Table().First();
  }

 private:
  TPriceList& list_;
  TViewMode mode_ = vmPrice;
};

class Client1234 : public ILiveSettings {
 public:
  std::string ClientCode() const override { return "1234"; }
  std::string Server() const override { return ""; }
  std::string Login() const override { return ""; }
  std::string Password() const override { return ""; }
  bool Passive() const override { return false; }
  std::string PriceDirectory() const override { return ""; }
};

// Runs in the child: a whole "Сохранить", stopping dead at `stop_at` when
// it names a step. Never returns.
[[noreturn]] void SaveInChild(const char* stop_at) {
  TPriceList list;
  PriceListViews views(list);
  Client1234 settings;
  testing::FakeUserPrompts prompts;
  dbf::TTableDataSet order("OrderTable");
  list.OpenPriceList();
  TOrderSaver saver(list, order, views, settings, prompts,
                    [] { return LocalDateTime{2009, 3, 5, 14, 22, 10, 0}; });
  saver.OnStep = [stop_at](const char* step) {
    if (stop_at != nullptr && std::strcmp(step, stop_at) == 0) ::kill(::getpid(), SIGKILL);
  };
  saver.Save();
  list.Close();
  ::_exit(prompts.shown.empty() ? 0 : 3);
}

class SaveCrashTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dbf::BuildTranslationTables();
    master_ = new testing::TempDir();
    std::vector<PriceRow> rows(kRows);
    for (int i = 0; i < kRows; ++i) {
      rows[i].name = "ROW" + std::to_string(i);
      rows[i].quant = i % 3 == 0 ? 1 + i % 50 : 0;
    }
    testing::WritePriceTable(master_->File("price.DBF"), rows);
  }
  static void TearDownTestSuite() {
    delete master_;
    master_ = nullptr;
  }

  // A fresh working directory with the large price list.
  void Prepare() {
    for (const char* d : {"demand", "archive", "in", "temp"}) fs::create_directory(d);
    fs::copy_file(master_->File("price.DBF"), "price.DBF", fs::copy_options::overwrite_existing);
    testing::SetFileTime("price.DBF", kPriceListTime);
  }

  // Forks a save and kills it `kill_after` from its start (never when
  // zero); returns how long it ran.
  std::chrono::milliseconds RunSave(const char* stop_at, std::chrono::milliseconds kill_after) {
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = ::fork();
    if (child == 0) SaveInChild(stop_at);
    if (kill_after.count() > 0) {
      std::this_thread::sleep_for(kill_after);
      ::kill(child, SIGKILL);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    if (kill_after.count() == 0 && stop_at == nullptr) {
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    }
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start);
  }

  // The next start, then the state it leaves: either no order and every
  // quantity, or the whole order and none; no note; the price list's date.
  void ExpectAllOrNothing() {
    {
      TPriceList list;
      RecoverInterruptedSaves(list);
    }
    std::vector<std::string> orders;
    for (const auto& e : fs::directory_iterator("demand"))
      if (e.path().extension() == ".DBF") orders.push_back(e.path().string());
    const std::vector<int> quantities = testing::ReadQuantities("price.DBF");
    int typed = 0;
    for (int q : quantities) typed += q > 0;
    if (orders.empty()) {
      EXPECT_EQ(kOrdered, typed) << "no order, but quantities were lost";
    } else {
      ASSERT_EQ(1u, orders.size());
      EXPECT_EQ(static_cast<size_t>(kOrdered), testing::ReadQuantities(orders[0]).size());
      EXPECT_EQ(0, typed) << "the order was saved, but quantities stayed typed";
    }
    for (const auto& e : fs::directory_iterator("temp")) ADD_FAILURE() << "left: " << e.path();
    EXPECT_EQ(kPriceListTime, testing::FileTime("price.DBF"));
  }

  static testing::TempDir* master_;
  testing::TempDir dir_;
  testing::WorkingDirectory cwd_{dir_.Path()};
};

testing::TempDir* SaveCrashTest::master_ = nullptr;

TEST_F(SaveCrashTest, KilledAtItsStepsTheNextStartFinishesOrForgetsIt) {
  for (const char* step : {"written", "named"}) {
    SCOPED_TRACE(step);
    fs::remove_all("demand");
    fs::remove_all("temp");
    Prepare();
    RunSave(step, std::chrono::milliseconds(0));
    ExpectAllOrNothing();
  }
}

TEST_F(SaveCrashTest, KilledAnywhereTheNextStartSeesAllOrNothing) {
  Prepare();
  const std::chrono::milliseconds whole = RunSave(nullptr, std::chrono::milliseconds(0));
  ExpectAllOrNothing();
  for (int tenth = 1; tenth <= 9; ++tenth) {
    SCOPED_TRACE("killed at " + std::to_string(tenth) + "/10 of " + std::to_string(whole.count()) +
                 " ms");
    fs::remove_all("demand");
    fs::remove_all("temp");
    Prepare();
    RunSave(nullptr, std::max(std::chrono::milliseconds(1), whole * tenth / 10));
    ExpectAllOrNothing();
  }
}

// A kill while the note itself is written leaves the note's temporary file:
// the order had not taken its name, and the next start removes it.
TEST_F(SaveCrashTest, ANoteCutOffWhileWrittenIsRemovedAtTheNextStart) {
  Prepare();
  std::ofstream("temp/1234D6B3.DBF.saving.tmp-Ab12Cd") << "order=1234";
  ExpectAllOrNothing();
}

}  // namespace
}  // namespace zakaz
