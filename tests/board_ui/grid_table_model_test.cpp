// The Qt model over a board grid: Qt's own model checker watching every kind of grid change,
// the contents the model shows after each change, and the data roles (text, colours, font).

#include <gtest/gtest.h>

#include <optional>

#include <QAbstractItemModelTester>
#include <QBrush>
#include <QFont>
#include <QGuiApplication>

#include <functional>
#include <string>
#include <vector>

#include "board_ui/grid_table_model.h"
#include "tests/board_ui/qt_test_app.h"

namespace tervalo {
namespace {

// Collects what Qt's model checker reports (it reports through qWarning in this mode).
class WarningCollector {
 public:
  WarningCollector() {
    messages_ = &collected_;
    previous_ = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
      if (type != QtDebugMsg && type != QtInfoMsg) messages_->push_back(text.toStdString());
    });
  }
  ~WarningCollector() {
    qInstallMessageHandler(previous_);
    messages_ = nullptr;
  }
  const std::vector<std::string>& messages() const { return collected_; }

 private:
  static inline std::vector<std::string>* messages_ = nullptr;
  std::vector<std::string> collected_;
  QtMessageHandler previous_;
};

// The model shows exactly the grid: same shape, same texts.
void ExpectSameContents(const GridTableModel& model, const GridModel& grid, const std::string& step) {
  ASSERT_EQ(model.rowCount(), grid.Rows()) << step;
  ASSERT_EQ(model.columnCount(), grid.Cols()) << step;
  for (int r = 0; r < grid.Rows(); ++r) {
    for (int c = 0; c < grid.Cols(); ++c) {
      EXPECT_EQ(model.data(model.index(r, c)).toString().toStdString(), grid.TextMatrix(r, c))
          << step << " row " << r << " col " << c;
    }
  }
}

TEST(GridTableModelTest, FollowsEveryGridChangeUnderQtsModelChecker) {
  GridModel grid(2);
  WarningCollector warnings;
  GridTableModel model(grid);
  QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Warning);

  const std::vector<std::pair<std::string, std::function<void()>>> steps = {
      {"append", [&] { for (const char* t : {"3\tc", "1\ta", "2\tb"}) grid.AddItem(t); }},
      {"insert at the top", [&] { grid.AddItem("0\tz", 0); }},
      {"insert in the middle", [&] { grid.AddItem("5\tm", 2); }},
      {"remove in the middle", [&] { grid.RemoveItem(1); }},
      {"remove the last", [&] { grid.RemoveItem(grid.Rows() - 1); }},
      {"grow by Rows", [&] { grid.SetRows(7); }},
      {"cut by Rows", [&] { grid.SetRows(3); }},
      {"sort", [&] { grid.SortColumn0Ascending(); }},
      {"text, colours, hidden", [&] {
         grid.SetTextMatrix(1, 1, "changed\nsecond line");
         grid.SetBackColor(0, 1, 2, 1, 0x0000FF);
         grid.SetRowHidden(2, true);
       }},
      {"changes while painting is suspended", [&] {
         grid.SetRedraw(false);
         grid.AddItem("9\ty");
         grid.RemoveItem(0);
         grid.AddItem("8\tx", 0);
         grid.SetRedraw(true);
       }},
      {"more columns", [&] { grid.SetCols(3); }},
      {"selection", [&] { grid.Select(0, 0, 1); }},
      {"empty", [&] { grid.SetRows(0); }},
  };
  for (const auto& [name, change] : steps) {
    change();
    ExpectSameContents(model, grid, name);
  }
  EXPECT_TRUE(warnings.messages().empty()) << warnings.messages().front();
}

TEST(GridTableModelTest, ViewsSeeTheOldRowsUntilAChangeIsAnnounced) {
  GridModel grid(1);
  for (const char* t : {"a", "b", "c", "d"}) grid.AddItem(t);
  GridTableModel model(grid);
  std::vector<std::string> seen;
  auto text = [&](int row) { return model.data(model.index(row, 0)).toString().toStdString(); };
  QObject::connect(&model, &QAbstractItemModel::rowsAboutToBeRemoved, [&](const QModelIndex&, int first, int last) {
    for (int r = first; r <= last; ++r) seen.push_back(text(r));
    seen.push_back(text(last + 1));
  });
  QObject::connect(&model, &QAbstractItemModel::rowsAboutToBeInserted, [&](const QModelIndex&, int first, int) {
    seen.push_back(text(first));  // the row that will follow the inserted one
  });
  grid.RemoveItem(1);  // "b" goes; "c" still follows it when Qt is told
  grid.AddItem("x", 1);
  // A row being removed is already gone from the grid: the model has nothing for it.
  EXPECT_EQ(seen, (std::vector<std::string>{"", "c", "c"}));
}

TEST(GridTableModelTest, DataRolesShowTextColoursAndFontSize) {
  GridModel grid(1);
  grid.AddItem("Ref: 42\nCaf\xE9");
  grid.AddItem("plain");
  grid.SetBackColor(0, 0, 0, 0, 0x00402010);  // &HBBGGRR: red 10, green 20, blue 40
  grid.SetForeColor(0, 0, 0, 0, kWhite);
  grid.SetCellFontSize(0, 12);
  GridTableModel model(grid);

  const QModelIndex cell = model.index(0, 0);
  EXPECT_EQ(model.data(cell).toString(), QString::fromUtf8("Ref: 42\nCaf\u00E9"));
  EXPECT_EQ(model.data(cell, Qt::BackgroundRole).value<QBrush>().color(), QColor(0x10, 0x20, 0x40));
  EXPECT_EQ(model.data(cell, Qt::ForegroundRole).value<QBrush>().color(), QColor(255, 255, 255));
  EXPECT_EQ(model.data(cell, Qt::FontRole).value<QFont>().pointSize(), 12);

  const QModelIndex plain = model.index(1, 0);
  EXPECT_FALSE(model.data(plain, Qt::BackgroundRole).isValid()) << "no colour: the view's own";
  EXPECT_FALSE(model.data(plain, Qt::ForegroundRole).isValid());
  EXPECT_FALSE(model.data(plain, Qt::FontRole).isValid());
  EXPECT_EQ(model.flags(plain) & Qt::ItemIsEditable, Qt::NoItemFlags);
}

TEST(GridTableModelTest, TextIsBlackOrWhiteByTheBackgroundAndAGivenColourOnlyWhereReadable) {
  struct Case {
    std::optional<Color> back;  // &HBBGGRR
    std::optional<Color> fore;
    QColor text;                // invalid: the view's own
  };
  const Case cases[] = {
      {0x00800000, std::nullopt, Qt::white},  // navy
      {0x00004000, std::nullopt, Qt::white},  // dark green
      {0x00B3F2FF, std::nullopt, Qt::black},  // pale yellow
      {0x00C0C0C0, std::nullopt, Qt::black},
      {0x00000000, kWhite, Qt::white},        // a finished job: white on black stays
      {0x00FFFFFF, kWhite, Qt::black},        // white on white would not be read
      {0x00800000, 0x0000FFFF, QColor(0xFF, 0xFF, 0x00)},  // yellow on navy is readable
      {std::nullopt, std::nullopt, QColor()},
      {std::nullopt, 0x000000FF, QColor(0xFF, 0, 0)},
  };
  GridModel grid(1);
  for (const Case& c : cases) {
    grid.AddItem("job");
    const int row = grid.Rows() - 1;
    if (c.back) grid.SetBackColor(row, 0, row, 0, *c.back);
    if (c.fore) grid.SetForeColor(row, 0, row, 0, *c.fore);
  }
  GridTableModel model(grid);
  for (int row = 0; row < grid.Rows(); ++row) {
    const Case& c = cases[row];
    const QVariant text = model.data(model.index(row, 0), Qt::ForegroundRole);
    EXPECT_EQ(text.isValid() ? text.value<QBrush>().color() : QColor(), c.text) << "row " << row;
  }
}

TEST(GridTableModelTest, ColoursConvertFromTheStoredFormAndThePalette) {
  QPalette palette;
  palette.setColor(QPalette::ButtonText, QColor(1, 2, 3));
  palette.setColor(QPalette::Base, QColor(4, 5, 6));
  struct Case {
    Color stored;
    QColor expected;
  };
  const Case cases[] = {
      {0x000000FF, QColor(255, 0, 0)},   // red in the low byte
      {0x00FF0000, QColor(0, 0, 255)},   // blue in the high byte
      {0x0000FF00, QColor(0, 255, 0)},
      {kSystemButtonText, QColor(1, 2, 3)},
      {kSystemWindowBackground, QColor(4, 5, 6)},
      {0x80000063, QColor()},  // no such system colour: the view's own
  };
  for (const Case& c : cases) EXPECT_EQ(ToQColor(c.stored, palette), c.expected) << std::hex << c.stored;
}

}  // namespace
}  // namespace tervalo
