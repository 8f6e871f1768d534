// Typing quantities on the main window's grid with real key events: the
// quantity rule, the grid's keys, the incremental search, Delete, clearing,
// read-only tables and the cursor staying put while posted rows leave the
// order view. Every case checks the bytes of price.DBF itself.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>
#include <QToolButton>
#include <QWheelEvent>
#include <chrono>
#include <cstring>
#include <functional>
#include <memory>
#include <numeric>

#include "app/main_form.h"
#include "dbf/dataset/table_dataset.h"
#include "grid/data_set_model.h"
#include "grid/db_grid.h"
#include "support/fake_user_prompts.h"
#include "support/file_bytes.h"
#include "support/price_tables.h"
#include "support/temp_dir.h"

namespace zakaz {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using testing::PriceRow;

constexpr int kNameColumn = 0;
constexpr int kProizvodColumn = 1;
constexpr int kKolColumn = 6;
constexpr int kQuantColumn = 7;

// QUANT of every record as the file holds it, read from its bytes: the
// window keeps the table open exclusively, so no second opening is possible.
std::vector<int> FileQuantities(const std::string& path) {
  const std::string bytes = testing::ReadFile(path);
  auto u16 = [&](size_t at) {
    return static_cast<unsigned char>(bytes[at]) | static_cast<unsigned char>(bytes[at + 1]) << 8;
  };
  const int count = static_cast<unsigned char>(bytes[4]) |
                    static_cast<unsigned char>(bytes[5]) << 8 |
                    static_cast<unsigned char>(bytes[6]) << 16;
  const int header = u16(8);
  const int record = u16(10);
  int offset = 1;
  int width = 0;
  for (size_t d = 32; d + 32 <= static_cast<size_t>(header) && bytes[d] != '\r'; d += 32) {
    const int length = static_cast<unsigned char>(bytes[d + 16]);
    if (std::strncmp(&bytes[d], "QUANT", 11) == 0) {
      width = length;
      break;
    }
    offset += length;
  }
  std::vector<int> out;
  for (int r = 0; r < count; ++r) {
    const std::string text(&bytes[static_cast<size_t>(header + r * record + offset)],
                           static_cast<size_t>(width));
    out.push_back(text.find_first_not_of(' ') == std::string::npos ? 0 : std::stoi(text));
  }
  return out;
}

class OrderEntryTest : public ::testing::Test {
 protected:
  OrderEntryTest() : cwd_(dir_.Path()) {}

  std::string Price() const { return dir_.File("price.DBF"); }

  TMainForm& Start(const std::vector<PriceRow>& rows) {
    testing::WritePriceTable(Price(), rows);
    form_ = std::make_unique<TMainForm>(prompts_, dir_.File("param.Ini"));
    form_->setWindowState(Qt::WindowNoState);
    form_->resize(1000, 600);
    form_->show();
    QApplication::setActiveWindow(form_.get());
    EXPECT_TRUE(QTest::qWaitForWindowActive(form_.get()));
    tester_ = std::make_unique<QAbstractItemModelTester>(
        &Model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    Grid()->setFocus();
    Grid()->SetClock([this] { return now_; });
    return *form_;
  }

  // Seven rows, three of them ordered (B 2, D 1, F 5), shown in vmOrder
  // with a dataset window of `window` rows and the cursor moved by keys to
  // the `start`-th ordered row.
  TMainForm& OpenOrderView(int window, int start) {
    TMainForm& form = Start({{.name = "A"},
                             {.name = "B", .quant = 2},
                             {.name = "C"},
                             {.name = "D", .quant = 1},
                             {.name = "E"},
                             {.name = "F", .quant = 5},
                             {.name = "G"}});
    QTest::mouseClick(Button("FilterSpeedButton"), Qt::LeftButton);
    EXPECT_EQ(vmOrder, form.ViewMode());
    Model().SetWindowRows(window);
    EXPECT_EQ(window, Table().WindowCapacity());
    EXPECT_EQ(3, Model().rowCount());
    Grid()->setFocus();
    for (int i = 0; i < start; ++i) QTest::keyClick(Grid(), Qt::Key_Down);
    EXPECT_EQ(start, Model().CurrentRow());
    return form;
  }

  DbGrid* Grid() const { return form_->findChild<DbGrid*>("DBGrid"); }
  DataSetModel& Model() const { return *form_->GridModel(); }
  dbf::TTableDataSet& Table() const { return form_->PriceTable(); }
  QToolButton* Button(const char* name) const { return form_->findChild<QToolButton*>(name); }
  int Row() const { return Grid()->currentIndex().row(); }
  int Column() const { return Grid()->currentIndex().column(); }
  bool Editing() const { return Grid()->IsEditing(); }

  void Focus(int row, int column) {
    Grid()->setCurrentIndex(Model().index(row, column));
    ASSERT_EQ(row, Model().CurrentRow());
  }
  void Key(Qt::Key key) { QTest::keyClick(QApplication::focusWidget(), key); }
  // Each character as the key that types it, to whichever widget has the
  // focus at that moment (the first key may open an editor).
  void Type(const QString& text) {
    for (QChar c : text) {
      QKeyEvent down(QEvent::KeyPress, c.toUpper().unicode(), Qt::NoModifier, QString(c));
      QApplication::sendEvent(QApplication::focusWidget(), &down);
      QKeyEvent up(QEvent::KeyRelease, c.toUpper().unicode(), Qt::NoModifier, QString(c));
      QApplication::sendEvent(QApplication::focusWidget(), &up);
    }
  }
  void Type(const char* text) { Type(QString::fromUtf8(text)); }
  // Leaves the row, which posts it.
  void LeaveRow() {
    Key(Qt::Key_Down);
    if (Editing()) Key(Qt::Key_Down);
  }

  zakaz::testing::TempDir dir_;
  testing::WorkingDirectory cwd_;
  testing::FakeUserPrompts prompts_;
  std::unique_ptr<TMainForm> form_;
  std::unique_ptr<QAbstractItemModelTester> tester_;
  std::chrono::steady_clock::time_point now_ =
      std::chrono::steady_clock::time_point() + std::chrono::hours(1);
};

TEST_F(OrderEntryTest, TypedQuantityFollowsTheStockRule) {
  struct Case {
    int kol;
    const char* typed;  // after the first key, which opens the editor
    int stored;
  };
  const Case kCases[] = {
      {5, "7", 5}, {5, "5", 5}, {5, "-3", 0}, {5, "12", 5}, {5, "3", 3}, {0, "4", 0}, {5, " 2", 2},
  };
  std::vector<PriceRow> rows;
  for (const auto& c : kCases) rows.push_back({.name = "ROW", .kol = c.kol, .quant = 1});
  rows.push_back({.name = "LAST"});
  Start(rows);
  std::vector<int> expected(rows.size(), 1);
  expected.back() = 0;
  for (size_t i = 0; i < std::size(kCases); ++i) {
    SCOPED_TRACE(kCases[i].typed);
    Focus(static_cast<int>(i), kQuantColumn);
    Type(kCases[i].typed);
    EXPECT_TRUE(Editing());
    Key(Qt::Key_Return);  // commits; the row is posted when the cursor leaves it
    EXPECT_FALSE(Editing());
    EXPECT_EQ(dbf::TDataSetState::dsEdit, Table().State());
    LeaveRow();
    expected[i] = kCases[i].stored;
    EXPECT_EQ(expected, FileQuantities(Price()));
    // The footer follows each post by the row's difference.
    EXPECT_EQ(QString::number(std::accumulate(expected.begin(), expected.end(), 0)),
              Model().FooterText(kQuantColumn));
  }
  EXPECT_TRUE(prompts_.shown.empty());
}

TEST_F(OrderEntryTest, ClearedCellStoresZeroAndRefusedEntryStoresNothing) {
  Start({{.name = "A", .kol = 5, .quant = 4}, {.name = "B", .kol = 5, .quant = 3}});
  Focus(0, kQuantColumn);
  Key(Qt::Key_F2);
  ASSERT_TRUE(Editing());
  Key(Qt::Key_Backspace);
  Key(Qt::Key_Return);
  LeaveRow();
  EXPECT_THAT(FileQuantities(Price()), ElementsAre(0, 3));

  // Only a sign: refused with the conversion text, nothing stored.
  Focus(1, kQuantColumn);
  Type("-");
  Key(Qt::Key_Return);
  LeaveRow();
  EXPECT_THAT(
      prompts_.shown,
      ElementsAre("Exception: Could not convert variant of type (String) into type (Double)"));
  EXPECT_THAT(FileQuantities(Price()), ElementsAre(0, 3));
  EXPECT_EQ(QStringLiteral("3"), Model().index(1, kQuantColumn).data().toString());
}

// The cell's buttons and Ctrl+Up/Ctrl+Down step the value through the stock
// rule; the plain arrows are the grid's (below).
TEST_F(OrderEntryTest, ButtonsAndControlArrowsStepThroughTheRule) {
  Start({{.name = "A", .kol = 2, .quant = 1}, {.name = "B"}});
  Focus(0, kQuantColumn);
  Key(Qt::Key_F2);
  auto* editor = qobject_cast<QAbstractSpinBox*>(QApplication::focusWidget());
  ASSERT_NE(nullptr, editor) << "the quantity editor has up/down buttons";
  EXPECT_EQ(QAbstractSpinBox::UpDownArrows, editor->buttonSymbols());
  const QPoint up(editor->width() - 4, editor->height() / 4);
  const QPoint down(editor->width() - 4, editor->height() * 3 / 4);
  const struct {
    std::function<void()> press;
    const char* text;
  } kSteps[] = {
      {[&] { QTest::mouseClick(editor, Qt::LeftButton, Qt::NoModifier, up); }, "2"},
      {[&] { QTest::keyClick(editor, Qt::Key_Up, Qt::ControlModifier); }, "2"},
      {[&] { QTest::mouseClick(editor, Qt::LeftButton, Qt::NoModifier, down); }, "1"},
      {[&] { QTest::keyClick(editor, Qt::Key_Down, Qt::ControlModifier); }, "0"},
      {[&] { QTest::keyClick(editor, Qt::Key_Down, Qt::ControlModifier); }, "0"},
      {[&] { QTest::keyClick(editor, Qt::Key_Up, Qt::ControlModifier); }, "1"},
  };
  for (const auto& step : kSteps) {
    step.press();
    EXPECT_EQ(QString::fromLatin1(step.text), editor->text());
    EXPECT_TRUE(Editing());
    EXPECT_EQ(0, Row());
  }
  Key(Qt::Key_Return);
  LeaveRow();
  EXPECT_THAT(FileQuantities(Price()), ElementsAre(1, 0));
}

// In the editor Up, Down, PageUp and PageDown commit through the stock
// rule, post the row and move as they do outside it; at either end the
// row is posted and the cursor stays.
TEST_F(OrderEntryTest, ArrowsInTheEditorCommitPostAndMove) {
  std::vector<PriceRow> rows;
  for (int i = 0; i < 80; ++i) rows.push_back({.name = "ROW", .kol = 9});
  Start(rows);
  const int page = Grid()->viewport()->height() / Grid()->verticalHeader()->defaultSectionSize();
  ASSERT_GT(page, 3);
  // "5 Down 3 Down" from row 30 orders 5 in row 30 and 3 in row 31.
  Focus(30, kNameColumn);
  Type("5");
  ASSERT_TRUE(Editing());
  Key(Qt::Key_Down);
  EXPECT_FALSE(Editing());
  EXPECT_EQ(dbf::TDataSetState::dsBrowse, Table().State());
  EXPECT_EQ(31, Row());
  Type("3");
  Key(Qt::Key_Down);
  EXPECT_EQ(32, Row());
  EXPECT_EQ(32, Model().CurrentRow());
  EXPECT_EQ(kQuantColumn, Column());
  std::vector<int> expected(rows.size(), 0);
  expected[30] = 5;
  expected[31] = 3;
  EXPECT_EQ(expected, FileQuantities(Price()));

  struct Case {
    int from;
    const char* typed;  // through the stock rule: at most 9
    Qt::Key key;
    int to;  // a row number, or the page's size away
    int stored;
  };
  const int last = static_cast<int>(rows.size()) - 1;
  const Case kCases[] = {
      {40, "2", Qt::Key_Up, 39, 2},       {0, "12", Qt::Key_Up, 0, 9},
      {last, "4", Qt::Key_Down, last, 4}, {50, "1", Qt::Key_PageDown, -1, 1},
      {60, "6", Qt::Key_PageUp, -1, 6},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(::testing::Message() << "row " << c.from << ", key " << c.key);
    Focus(c.from, kQuantColumn);
    Type(c.typed);
    ASSERT_TRUE(Editing());
    Key(c.key);
    EXPECT_FALSE(Editing());
    EXPECT_EQ(dbf::TDataSetState::dsBrowse, Table().State()) << "posted";
    expected[static_cast<size_t>(c.from)] = c.stored;
    EXPECT_EQ(expected, FileQuantities(Price()));
    if (c.to >= 0) {
      EXPECT_EQ(c.to, Row());
    } else {
      EXPECT_GE(std::abs(Row() - c.from), page - 2);
    }
    EXPECT_EQ(Row(), Model().CurrentRow());
  }
  EXPECT_TRUE(prompts_.shown.empty());
}

// A refused entry shows its box and neither moves nor closes the editor;
// the wheel over an open editor scrolls the grid and changes nothing.
TEST_F(OrderEntryTest, RefusedEntryStaysAndTheWheelScrolls) {
  std::vector<PriceRow> rows;
  for (int i = 0; i < 80; ++i) rows.push_back({.name = "ROW", .kol = 9, .quant = 1});
  Start(rows);
  Focus(3, kQuantColumn);
  Type("-");
  for (Qt::Key key : {Qt::Key_Down, Qt::Key_PageUp}) {
    prompts_.shown.clear();
    Key(key);
    EXPECT_THAT(
        prompts_.shown,
        ElementsAre("Exception: Could not convert variant of type (String) into type (Double)"));
    EXPECT_TRUE(Editing());
    EXPECT_EQ(3, Row());
    EXPECT_EQ(3, Model().CurrentRow());
  }
  QWidget* editor = QApplication::focusWidget();
  ASSERT_NE(nullptr, qobject_cast<QAbstractSpinBox*>(editor));
  const int scrolled = Grid()->verticalScrollBar()->value();
  const QPoint centre = editor->rect().center();
  QWheelEvent wheel(centre, editor->mapToGlobal(centre), QPoint(), QPoint(0, -120), Qt::NoButton,
                    Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(editor, &wheel);
  EXPECT_GT(Grid()->verticalScrollBar()->value(), scrolled);
  EXPECT_EQ(QStringLiteral("-"), qobject_cast<QAbstractSpinBox*>(editor)->text());
  Key(Qt::Key_Escape);
  EXPECT_FALSE(Editing());
  EXPECT_EQ(std::vector<int>(rows.size(), 1), FileQuantities(Price()));
}

TEST_F(OrderEntryTest, KeysMoveBetweenNameAndQuantity) {
  Start({{.name = "ANALGIN"}, {.name = "ASPIRIN"}, {.name = "BROM"}});
  // A digit in the name column enters the digit as a quantity.
  Focus(1, kNameColumn);
  QTest::keyClick(Grid(), Qt::Key_3);
  EXPECT_EQ(kQuantColumn, Column());
  EXPECT_TRUE(Editing());
  Key(Qt::Key_Return);
  LeaveRow();
  EXPECT_THAT(FileQuantities(Price()), ElementsAre(0, 3, 0));

  // A letter in the quantity column (not edited) jumps to the name and
  // searches from the top.
  Focus(2, kQuantColumn);
  QTest::keyClick(Grid(), Qt::Key_A);
  EXPECT_EQ(kNameColumn, Column());
  EXPECT_EQ(0, Row());
  EXPECT_FALSE(Editing());

  // Space goes to the quantity too; a letter in a read-only column goes to
  // the name; Enter acts as Tab.
  Focus(0, kProizvodColumn);
  QTest::keyClick(Grid(), Qt::Key_Space);
  EXPECT_EQ(kQuantColumn, Column());
  Key(Qt::Key_Escape);
  Focus(0, kProizvodColumn);
  now_ += std::chrono::seconds(2);
  QTest::keyClick(Grid(), Qt::Key_B);
  EXPECT_EQ(kNameColumn, Column());
  EXPECT_EQ(2, Row());
  QTest::keyClick(Grid(), Qt::Key_Return);
  EXPECT_EQ(kProizvodColumn, Column());
  EXPECT_EQ(2, Row());
  // Keypad digits too.
  Focus(0, kKolColumn);
  QTest::keyClick(Grid(), Qt::Key_1, Qt::KeypadModifier);
  EXPECT_EQ(kQuantColumn, Column());
  EXPECT_TRUE(Editing());
  Key(Qt::Key_Escape);
  EXPECT_THAT(FileQuantities(Price()), ElementsAre(0, 3, 0));
}

TEST_F(OrderEntryTest, IncrementalSearchFromTheTopIgnoringCaseAndForgettingAfterAPause) {
  Start({{.name = "BROM"},
         {.name = "ASCORBIN"},
         {.name = "analgin"},
         {.name = "ASPIRIN"},
         {.name = "\xE0\xF1\xEF\xE8\xF0\xE8\xED"},    // "аспирин" in Windows-1251
         {.name = "\xC0\xD1\xCA\xCE\xD4\xC5\xCD"}});  // "АСКОФЕН"
  Focus(3, kNameColumn);
  struct Step {
    const char* key;
    int row;
    const char* text;
  };
  const Step kSteps[] = {
      {"a", 1, "a"},
      {"N", 2, "aN"},
      {"x", 2, "aN"},  // no match: stays, not added
      {"a", 2, "aNa"},
  };
  for (const auto& s : kSteps) {
    SCOPED_TRACE(s.key);
    Type(s.key);
    EXPECT_EQ(s.row, Row());
    EXPECT_EQ(QString::fromLatin1(s.text), Grid()->SearchText());
    now_ += std::chrono::milliseconds(1400);
  }
  now_ += std::chrono::milliseconds(200);  // 1.6 s since the last key
  Type("asp");
  EXPECT_EQ(3, Row());
  // Cyrillic, either case; the search starts afresh after the pause.
  now_ += std::chrono::seconds(2);
  Type("АСП");
  EXPECT_EQ(4, Row());
  now_ += std::chrono::seconds(2);
  Type("аск");
  EXPECT_EQ(5, Row());
  EXPECT_EQ(kNameColumn, Column());
  EXPECT_THAT(FileQuantities(Price()), ElementsAre(0, 0, 0, 0, 0, 0));
}

TEST_F(OrderEntryTest, LettersAreToldByThePhysicalKeyWhateverTheLayout) {
  Start({{.name = "BROM"}, {.name = "\xD4\xC5\xD1\xD2\xC0\xCB"}});  // "ФЕСТАЛ"
  auto press = [&](int key, const QString& text, quint32 scan_code) {
    QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier, scan_code, 0, 0, text);
    QApplication::sendEvent(Grid(), &down);
  };
  // A Russian layout: the key A types "ф"; with its scan code (evdev 30 + 8)
  // and without one, it jumps to the name and searches for "ф".
  for (quint32 scan : {38u, 0u}) {
    SCOPED_TRACE(scan);
    Focus(0, kQuantColumn);
    now_ += std::chrono::seconds(2);
    press(0x0424, QStringLiteral("ф"), scan);
    EXPECT_EQ(kNameColumn, Column());
    EXPECT_EQ(1, Row());
  }
  // "х" sits on the "[" key (evdev 26): not one of the 26 letters.
  for (quint32 scan : {34u, 0u}) {
    SCOPED_TRACE(scan);
    Focus(0, kQuantColumn);
    press(0x0425, QStringLiteral("х"), scan);
    EXPECT_NE(kNameColumn, Column());
    if (Editing()) Key(Qt::Key_Escape);
  }
  struct Case {
    int key;
    const char* text;
    quint32 scan;
    char letter;
  };
  const Case kCases[] = {{Qt::Key_Q, "q", 24, 'Q'}, {Qt::Key_M, "m", 58, 'M'},
                         {0x0419, "Й", 0, 'Q'},     {0x042C, "ь", 0, 'M'},
                         {Qt::Key_Z, "z", 0, 'Z'},  {0x0416, "ж", 0, 0},
                         {Qt::Key_1, "1", 10, 0}};
  for (const auto& c : kCases) {
    QKeyEvent event(QEvent::KeyPress, c.key, Qt::NoModifier, c.scan, 0, 0,
                    QString::fromUtf8(c.text));
    EXPECT_EQ(c.letter, PhysicalLetter(event)) << c.text;
  }
}

TEST_F(OrderEntryTest, DeleteStoresZeroAtOnceWithoutAQuestion) {
  Start({{.name = "A", .quant = 4}, {.name = "B", .quant = 2}});
  Focus(0, kNameColumn);
  QTest::keyClick(Grid(), Qt::Key_Delete);
  EXPECT_THAT(FileQuantities(Price()), ElementsAre(0, 2));
  EXPECT_EQ(dbf::TDataSetState::dsBrowse, Table().State());
  EXPECT_TRUE(prompts_.shown.empty());
  EXPECT_EQ(QStringLiteral("2"), Model().FooterText(kQuantColumn));
  // Inside an open editor Delete deletes characters.
  Focus(1, kQuantColumn);
  Key(Qt::Key_F2);
  Key(Qt::Key_Home);
  Key(Qt::Key_Delete);
  Key(Qt::Key_Return);
  EXPECT_THAT(FileQuantities(Price()), ElementsAre(0, 2));
  Key(Qt::Key_Up);  // leaving the row posts it
  EXPECT_THAT(FileQuantities(Price()), ElementsAre(0, 0));
}

TEST_F(OrderEntryTest, NothingChangesAnEmptyGrid) {
  TMainForm& form = Start({{.name = "A"}, {.name = "B"}});
  QTest::mouseClick(Button("FilterSpeedButton"), Qt::LeftButton);
  ASSERT_EQ(vmOrder, form.ViewMode());
  ASSERT_EQ(0, Model().rowCount());
  Grid()->setFocus();
  for (Qt::Key key :
       {Qt::Key_Delete, Qt::Key_5, Qt::Key_Space, Qt::Key_A, Qt::Key_Up, Qt::Key_F2}) {
    QTest::keyClick(Grid(), key);
    EXPECT_FALSE(Editing());
  }
  EXPECT_EQ(dbf::TDataSetState::dsBrowse, Table().State());
  QTest::mouseClick(Button("FilterSpeedButton"), Qt::LeftButton);
  EXPECT_THAT(FileQuantities(Price()), ElementsAre(0, 0));
  EXPECT_TRUE(prompts_.shown.empty());
}

TEST_F(OrderEntryTest, ReadOnlyTableOffersNoEditor) {
  Start({{.name = "A", .quant = 2}});
  Table().Close();
  Table().SetReadOnly(true);
  Table().Open();
  Grid()->setFocus();
  Focus(0, kQuantColumn);
  EXPECT_FALSE(Model().flags(Model().index(0, kQuantColumn)) & Qt::ItemIsEditable);
  EXPECT_FALSE(Model().flags(Model().index(0, kKolColumn)) & Qt::ItemIsEditable);
  QTest::keyClick(Grid(), Qt::Key_7);
  QTest::keyClick(Grid(), Qt::Key_F2);
  EXPECT_FALSE(Editing());
  QTest::keyClick(Grid(), Qt::Key_Delete);
  EXPECT_THAT(prompts_.shown,
              ElementsAre("Exception: PriceTable: Cannot modify a read-only dataset"));
  EXPECT_THAT(FileQuantities(Price()), ElementsAre(2));
}

TEST_F(OrderEntryTest, StockIsEditedFreely) {
  Start({{.name = "A", .kol = 5}, {.name = "B"}});
  EXPECT_FALSE(Model().flags(Model().index(0, kNameColumn)) & Qt::ItemIsEditable);
  EXPECT_FALSE(Model().flags(Model().index(0, kProizvodColumn)) & Qt::ItemIsEditable);
  EXPECT_FALSE(Model().flags(Model().index(0, kQuantColumn + 1)) & Qt::ItemIsEditable);
  Focus(0, kKolColumn);
  Key(Qt::Key_F2);
  Type("12");
  Key(Qt::Key_Tab);
  EXPECT_EQ(kQuantColumn, Column());
  QTest::keyClick(Grid(), Qt::Key_9);
  Key(Qt::Key_Return);
  LeaveRow();
  EXPECT_THAT(FileQuantities(Price()), ElementsAre(9, 0));
  EXPECT_EQ(QStringLiteral("12"), Model().index(0, kKolColumn).data().toString());
}

TEST_F(OrderEntryTest, ClearingAsksAndOnYesClearsEveryQuantity) {
  TMainForm& form = Start({{.name = "A", .quant = 1}, {.name = "B"}, {.name = "C", .quant = 3}});
  Focus(2, kNameColumn);
  for (bool yes : {false, true}) {
    prompts_.confirm_answer = yes;
    prompts_.shown.clear();
    QTest::mouseClick(Button("SpeedButton2"), Qt::LeftButton);
    EXPECT_THAT(prompts_.shown, ElementsAre("Confirm: Очистить заказ?"));
    EXPECT_EQ(vmPrice, form.ViewMode());
  }
  EXPECT_THAT(FileQuantities(Price()), ElementsAre(0, 0, 0));
  EXPECT_EQ(0, Model().CurrentRow());
  EXPECT_EQ(0, Row());
  EXPECT_EQ(3, Model().rowCount());
  EXPECT_EQ(QStringLiteral(" "), Model().FooterText(kQuantColumn));
}

TEST_F(OrderEntryTest, ClearingCancelledChangesNothing) {
  Start({{.name = "A", .quant = 1}, {.name = "B", .quant = 3}});
  Focus(1, kNameColumn);
  prompts_.confirm_answer = false;
  QTest::mouseClick(Button("SpeedButton2"), Qt::LeftButton);
  EXPECT_THAT(FileQuantities(Price()), ElementsAre(1, 3));
  EXPECT_EQ(1, Model().CurrentRow());
}

// Each post in the order view takes its row out of the grid; the grid's
// current index then moves, but the dataset must not follow it.
TEST_F(OrderEntryTest, ClearingInTheOrderViewReachesEveryOrderedRow) {
  for (int window : {1, 2, 30}) {
    for (int start : {0, 1, 2}) {
      SCOPED_TRACE(::testing::Message() << "window " << window << ", start " << start);
      TMainForm& form = OpenOrderView(window, start);
      if (::testing::Test::HasFatalFailure()) return;
      QTest::mouseClick(Button("SpeedButton2"), Qt::LeftButton);
      EXPECT_EQ(vmOrder, form.ViewMode());
      EXPECT_EQ(0, Model().rowCount());
      EXPECT_EQ(Table().VisibleRows().Count(), Model().rowCount());
      EXPECT_THAT(FileQuantities(Price()), ElementsAre(0, 0, 0, 0, 0, 0, 0));
      tester_.reset();
      form_.reset();
    }
  }
}

// Delete posts at once and the row leaves the order view; the grid then
// moves its cursor to the next ordered row (the previous one at the end),
// with the row indicator, and Delete and digits act on it. The dataset's
// own rule stays: a posted row that leaves the filter keeps the cursor,
// and Next from it reaches the next ordered row.
TEST_F(OrderEntryTest, DeleteInTheOrderViewMovesToTheNextOrderedRow) {
  const char* kNames[] = {"B", "D", "F"};
  const int kQuantities[] = {2, 1, 5};
  for (int window : {1, 2, 30}) {
    for (int start : {0, 1, 2}) {
      SCOPED_TRACE(::testing::Message() << "window " << window << ", start " << start);
      OpenOrderView(window, start);
      if (::testing::Test::HasFatalFailure()) return;
      QTest::keyClick(Grid(), Qt::Key_Delete);
      std::vector<int> expected = {0, 2, 0, 1, 0, 5, 0};
      expected[static_cast<size_t>(1 + 2 * start)] = 0;
      EXPECT_EQ(expected, FileQuantities(Price()));
      EXPECT_EQ(2, Model().rowCount());
      EXPECT_EQ(Table().VisibleRows().Count(), Model().rowCount());
      EXPECT_EQ(QString::number(8 - kQuantities[start]), Model().FooterText(kQuantColumn));
      const int next = start < 2 ? start + 1 : start - 1;
      const int row = start < 2 ? start : start - 1;
      EXPECT_EQ(kNames[next], Table().FieldByName("NAME").AsString());
      EXPECT_EQ(row, Model().CurrentRow());
      EXPECT_EQ(row, Row());
      EXPECT_EQ(QStringLiteral("\u25B6"), Model().headerData(row, Qt::Vertical).toString());
      EXPECT_TRUE(Grid()->selectionModel()->isSelected(Grid()->currentIndex()));
      // A digit opens the editor on that row.
      Type("4");
      EXPECT_TRUE(Editing());
      Key(Qt::Key_Escape);
      // A second Delete takes that row out as well.
      QTest::keyClick(Grid(), Qt::Key_Delete);
      expected[static_cast<size_t>(1 + 2 * next)] = 0;
      EXPECT_EQ(expected, FileQuantities(Price()));
      EXPECT_EQ(1, Model().rowCount());
      EXPECT_EQ(0, Model().CurrentRow());
      EXPECT_EQ(0, Row());

      tester_.reset();
      form_.reset();

      // The dataset's rule, driven without the grid.
      OpenOrderView(window, start);
      if (::testing::Test::HasFatalFailure()) return;
      dbf::TTableDataSet& table = Table();
      table.Edit();
      table.FieldByName("QUANT").SetAsInteger(0);
      table.Post();
      EXPECT_EQ(kNames[start], table.FieldByName("NAME").AsString());
      EXPECT_EQ(2, Model().rowCount());
      table.Next();
      if (start < 2) {
        EXPECT_EQ(kNames[start + 1], table.FieldByName("NAME").AsString());
        EXPECT_EQ(start, Model().CurrentRow());
        EXPECT_EQ(start, Row());
      } else {
        EXPECT_TRUE(table.Eof());
      }
      tester_.reset();
      form_.reset();
    }
  }
}

// An arrow that commits a 0 in the order view takes the row out and still
// lands where it points.
TEST_F(OrderEntryTest, ArrowCommittingZeroInTheOrderViewLandsOnItsTarget) {
  const struct {
    int start;
    Qt::Key key;
    const char* lands_on;
  } kCases[] = {
      {0, Qt::Key_Down, "D"}, {1, Qt::Key_Up, "B"}, {2, Qt::Key_Down, "D"}, {0, Qt::Key_Up, "D"}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(::testing::Message() << "start " << c.start << ", key " << c.key);
    OpenOrderView(30, c.start);
    if (::testing::Test::HasFatalFailure()) return;
    Type("0");
    Key(c.key);
    EXPECT_FALSE(Editing());
    EXPECT_EQ(2, Model().rowCount());
    EXPECT_EQ(c.lands_on, Table().FieldByName("NAME").AsString());
    EXPECT_EQ(Row(), Model().CurrentRow());
    tester_.reset();
    form_.reset();
  }
}

}  // namespace
}  // namespace zakaz
