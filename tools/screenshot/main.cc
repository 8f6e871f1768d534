// screenshot OUT.png: the main window on a 200-row sample price list, with
// two saved orders, painted offscreen and saved as the README's picture.
//
//   QT_QPA_PLATFORM=offscreen build/tools/screenshot/screenshot docs/main-window.png
//
// It works in a temporary folder of its own and removes it afterwards.
#include <QApplication>
#include <QPixmap>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string>
#include <string_view>

#include "app/main_form.h"
#include "common/user_prompts.h"
#include "dbf/table/code_page.h"
#include "grid/db_grid.h"
#include "sample_price_list.h"

namespace {

namespace fs = std::filesystem;

// Nothing may wait for an answer here: messages go to the standard error.
class PrintedPrompts : public zakaz::IUserPrompts {
 public:
  void Warning(std::string_view text) override { Print("warning", text); }
  void Error(std::string_view text) override { Print("error", text); }
  void Information(std::string_view text) override { Print("information", text); }
  bool Confirm(std::string_view text) override {
    Print("question", text);
    return true;
  }
  void ShowException(std::string_view message) override { Print("failure", message); }

 private:
  static void Print(const char* kind, std::string_view text) {
    std::cerr << "screenshot: " << kind << ": " << text << "\n";
  }
};

// A temporary working folder for the window's files, removed at the end.
class WorkFolder {
 public:
  WorkFolder() : previous_(fs::current_path()) {
    std::string pattern = (fs::temp_directory_path() / "zakaz-screenshot-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("no temporary folder");
    path_ = pattern;
    fs::current_path(path_);
  }
  ~WorkFolder() {
    std::error_code ignored;
    fs::current_path(previous_, ignored);
    fs::remove_all(path_, ignored);
  }
  WorkFolder(const WorkFolder&) = delete;
  WorkFolder& operator=(const WorkFolder&) = delete;

  const fs::path& Path() const { return path_; }

 private:
  fs::path previous_;
  fs::path path_;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: screenshot OUT.png\n";
    return 2;
  }
  const fs::path out = fs::absolute(argv[1]);
  QApplication app(argc, argv);
  zakaz::dbf::BuildTranslationTables();
  WorkFolder work;
  zakaz::dbf::TSampleOptions options;
  options.rows = 200;
  zakaz::dbf::WriteSamplePriceList((work.Path() / "price.DBF").string(), options);
  fs::create_directory(work.Path() / "demand");
  options.rows = 3;
  for (const char* name : {"1234D6B3.DBF", "1234E01A.DBF"}) {
    zakaz::dbf::WriteSamplePriceList((work.Path() / "demand" / name).string(), options);
  }

  PrintedPrompts prompts;
  zakaz::TMainForm form(prompts, (work.Path() / "param.Ini").string());
  form.setWindowState(Qt::WindowNoState);
  form.resize(1200, 640);
  form.show();
  QApplication::processEvents();
  form.findChild<zakaz::DbGrid*>("DBGrid")->grab();  // the first paint asks for the sums
  QApplication::processEvents();
  if (!form.grab().save(QString::fromStdString(out.string()))) {
    std::cerr << "screenshot: cannot write " << out << "\n";
    return 1;
  }
  return 0;
}
