#include "board/grid_model.h"

#include "base/engine_error.h"

#include <gtest/gtest.h>

namespace tervalo {
namespace {

class RecordingObserver : public GridObserver {
 public:
  std::vector<std::string> events;
  void GridReset() override { events.push_back("reset"); }
  void RowsInserted(int first, int count) override {
    events.push_back("insert " + std::to_string(first) + "+" + std::to_string(count));
  }
  void RowsRemoved(int first, int count) override {
    events.push_back("remove " + std::to_string(first) + "+" + std::to_string(count));
  }
  void RowsChanged(int first, int last) override {
    events.push_back("change " + std::to_string(first) + ".." + std::to_string(last));
  }
  void SelectionChanged() override { events.push_back("selection"); }
  void TopRowChanged() override { events.push_back("top"); }
};

std::vector<std::string> Column(const GridModel& grid, int col) {
  std::vector<std::string> texts;
  for (int r = 0; r < grid.Rows(); ++r) texts.push_back(grid.TextMatrix(r, col));
  return texts;
}

TEST(GridModelTest, EachRowCarriesTheJobOfItsJobColumnsText) {
  GridModel grid(2, 1);
  grid.AddItem("key b\tRef: 42         Job:    7\nx\nOpen");
  grid.AddItem("key a\tRef: 43         Job:    8\nx\nOpen");
  grid.SetRows(3);
  EXPECT_EQ(grid.JobOf(0), (RowJob{7, 42, 0, false}));
  EXPECT_EQ(grid.JobOf(2), RowJob{}) << "an empty row";
  // A new text in the job column is read again; one in another column is not a job.
  grid.SetTextMatrix(0, 1, "Ref: 42         Job:    7\nx\nComplete");
  grid.SetTextMatrix(1, 0, "Ref: 99         Job:   99\n");
  EXPECT_TRUE(grid.JobOf(0).finished);
  EXPECT_EQ(grid.JobOf(1).job_number, 8);
  // The job goes with its row.
  const GridModel::Contents saved = grid.SaveContents();
  grid.RemoveItem(2);
  grid.SortColumn0Ascending();
  EXPECT_EQ(grid.JobOf(0).job_number, 8);
  grid.RestoreContents(saved);
  EXPECT_EQ(grid.JobOf(0).job_number, 7);
}

TEST(GridModelTest, DragRowAndRestoredContentsKeepEachRowsStateWithIt) {
  GridModel grid(1);
  for (const char* name : {"Reference", "Priority", "Date In", "Job Number"}) grid.AddItem(name);
  grid.SetSelected(3, true);
  const GridModel::Contents saved = grid.SaveContents();
  grid.MoveRow(3, 0);
  EXPECT_EQ(Column(grid, 0), (std::vector<std::string>{"Job Number", "Reference", "Priority", "Date In"}));
  EXPECT_TRUE(grid.IsSelected(0));
  EXPECT_EQ(grid.Row(), 0);
  grid.MoveRow(0, 2);
  EXPECT_EQ(Column(grid, 0), (std::vector<std::string>{"Reference", "Priority", "Job Number", "Date In"}));
  EXPECT_THROW(grid.MoveRow(0, 4), EngineError);

  RecordingObserver observer;
  grid.SetObserver(&observer);
  grid.RestoreContents(saved);
  EXPECT_EQ(Column(grid, 0), (std::vector<std::string>{"Reference", "Priority", "Date In", "Job Number"}));
  EXPECT_TRUE(grid.IsSelected(3));
  EXPECT_EQ(observer.events, (std::vector<std::string>{"reset"}));
}

TEST(GridModelTest, AddItemSplitsAtTabsAndInsertsBeforeTheRow) {
  GridModel grid(2);
  grid.AddItem("k2\tsecond");
  grid.AddItem("k1\tfirst\textra cell dropped", 0);
  grid.AddItem("k3", 99);
  EXPECT_EQ(Column(grid, 0), (std::vector<std::string>{"k1", "k2", "k3"}));
  EXPECT_EQ(Column(grid, 1), (std::vector<std::string>{"first", "second", ""}));
}

TEST(GridModelTest, SelectionStaysWithItsRowWhenRowsComeAndGo) {
  GridModel grid(1);
  for (const char* t : {"a", "b", "c", "d"}) grid.AddItem(t);
  grid.SetSelected(1, true);
  grid.SetSelected(3, true);
  grid.AddItem("new", 0);
  grid.RemoveItem(3);  // "c"
  EXPECT_EQ(Column(grid, 0), (std::vector<std::string>{"new", "a", "b", "d"}));
  EXPECT_FALSE(grid.IsSelected(0));
  EXPECT_TRUE(grid.IsSelected(2));
  EXPECT_TRUE(grid.IsSelected(3));
  EXPECT_EQ(grid.SelectedRows(), 2);
  EXPECT_EQ(grid.Clip(), "b\rd");
}

TEST(GridModelTest, ClipJoinsCellsWithTabsAndRowsWithCarriageReturns) {
  GridModel grid(2);
  grid.AddItem("k1\tjob one\nline 2");
  grid.AddItem("k2\tjob two");
  grid.AddItem("k3\tjob three");
  grid.Select(1, 0, 2, 0);
  EXPECT_EQ(grid.Row(), 1);
  EXPECT_EQ(grid.Clip(), "k2\tjob two\rk3\tjob three");
  grid.Select(0, 0);
  EXPECT_EQ(grid.Clip(), "k1\tjob one\nline 2");
}

TEST(GridModelTest, SortsOnColumnZeroAsBytesKeepingColoursAndSelection) {
  GridModel grid(2);
  grid.AddItem("0000042 3 \tforty-two");
  grid.AddItem("0000007 1 \tseven");
  grid.AddItem("\x80 high\thigh byte");
  grid.AddItem("0000007 1 \tseven again");
  grid.SetBackColor(1, 1, 1, 1, 0x00FF00);
  grid.SetSelected(0, true);
  grid.SortColumn0Ascending();
  EXPECT_EQ(Column(grid, 1), (std::vector<std::string>{"seven", "seven again", "forty-two", "high byte"}));
  EXPECT_EQ(grid.Cell(0, 1).back, Color{0x00FF00});
  EXPECT_TRUE(grid.IsSelected(2));
}

TEST(GridModelTest, CurrentAndTopRowStayInsideTheRows) {
  GridModel grid(1);
  for (const char* t : {"a", "b", "c"}) grid.AddItem(t);
  grid.SetRow(2);
  grid.SetTopRow(5);
  EXPECT_EQ(grid.TopRow(), 2);
  grid.RemoveItem(2);
  EXPECT_EQ(grid.Row(), 1);
  EXPECT_EQ(grid.TopRow(), 1);
  grid.SetRows(0);
  EXPECT_EQ(grid.Row(), -1);
  EXPECT_EQ(grid.TopRow(), 0);
  EXPECT_THROW(grid.TextMatrix(0, 0), EngineError);
}

TEST(GridModelTest, CellBorderFramesTheRangeAndItsInnerLinesAndMovesWithTheRows) {
  GridModel grid(3);
  for (int r = 0; r < 4; ++r) grid.AddItem("a\tb\tc");
  RecordingObserver observer;
  grid.SetObserver(&observer);
  // Outer edges 1, 2, 3, 4; lines between the columns 5 and between the rows 6.
  grid.SetCellBorder(2, 2, 1, 1, kBlack, 1, 2, 3, 4, 5, 6);
  EXPECT_EQ(observer.events, (std::vector<std::string>{"change 1..2"}));
  EXPECT_EQ(grid.Cell(1, 1).border, (CellBorder{kBlack, 1, 2, 5, 6}));
  EXPECT_EQ(grid.Cell(1, 2).border, (CellBorder{kBlack, 5, 2, 3, 6}));
  EXPECT_EQ(grid.Cell(2, 1).border, (CellBorder{kBlack, 1, 6, 5, 4}));
  EXPECT_EQ(grid.Cell(2, 2).border, (CellBorder{kBlack, 5, 6, 3, 4}));
  EXPECT_FALSE(grid.Cell(1, 0).border);
  EXPECT_FALSE(grid.Cell(0, 1).border);
  EXPECT_FALSE(grid.Cell(3, 2).border);

  grid.AddItem("new", 0);
  EXPECT_FALSE(grid.Cell(1, 1).border);
  EXPECT_EQ(grid.Cell(2, 1).border, (CellBorder{kBlack, 1, 2, 5, 6}));
  // A second frame over a cell replaces its edges.
  grid.SetCellBorder(2, 1, 2, 1, 0x0000FFu, 1, 1, 1, 1, 0, 0);
  EXPECT_EQ(grid.Cell(2, 1).border, (CellBorder{0x0000FFu, 1, 1, 1, 1}));
  EXPECT_THROW(grid.SetCellBorder(0, 0, 0, 3, kBlack, 1, 1, 1, 1, 0, 0), EngineError);
  EXPECT_THROW(grid.SetCellBorder(4, 0, 5, 0, kBlack, 1, 1, 1, 1, 0, 0), EngineError);
}

TEST(GridModelTest, SuspendedPaintingSendsOneResetWhenItResumes) {
  GridModel grid(1);
  RecordingObserver observer;
  grid.SetObserver(&observer);
  grid.AddItem("a");
  grid.SetRedraw(false);
  grid.AddItem("b");
  grid.SetRowHidden(0, true);
  grid.RemoveItem(1);
  EXPECT_EQ(observer.events, (std::vector<std::string>{"insert 0+1"}));
  grid.SetRedraw(true);
  EXPECT_EQ(observer.events, (std::vector<std::string>{"insert 0+1", "reset"}));
  EXPECT_TRUE(grid.RowHidden(0));
}

}  // namespace
}  // namespace tervalo
