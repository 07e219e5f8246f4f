#pragma once
// The main window frmTervalo: the unassigned grid, one labelled grid per mechanic, the sort-field
// grid, "Show All Statuses", the scroll bar that pages the mechanic grids and the three buttons,
// placed in twips as the board's layout gives them. The board's logic (frmTervalo in board/)
// holds the data and the actions; this window shows them and forwards the user's events.

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTimer>
#include <QWidget>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "board/change_watcher.h"
#include "board/frm_tervalo.h"
#include "board/job_details.h"
#include "board/job_search.h"
#include "board/list_watch.h"
#include "board_ui/change_bar.h"
#include "board_ui/grid_table_model.h"
#include "board_ui/grid_view.h"
#include "board_ui/print_menu.h"
#include "host/waiting_host.h"

namespace tervalo {

class MainWindow : public QWidget {
  Q_OBJECT

 public:
  // The form has been loaded (Form_Load); the window shows its board.
  explicit MainWindow(frmTervalo& form, QWidget* parent = nullptr);
  ~MainWindow() override;

  frmTervalo& form() { return form_; }

  // The controls, by their names on the board.
  GridView* g() const { return g_; }
  GridView* gSort() const { return gSort_; }
  GridView* mg(int n) const { return mg_[static_cast<size_t>(n)]; }
  QLabel* lblMECH(int n) const { return lblMECH_[static_cast<size_t>(n)]; }
  int MechanicGridCount() const { return static_cast<int>(mg_.size()); }
  QLabel* Label1() const { return label1_; }
  QLabel* Label2() const { return label2_; }
  QCheckBox* chkHide() const { return chkHide_; }
  QScrollBar* Scroll() const { return scroll_; }
  QPushButton* btnRefresh() const { return btnRefresh_; }
  QPushButton* btnExit() const { return btnExit_; }
  QPushButton* btnUpdate() const { return btnUpdate_; }
  QMenu* Menu() const { return menu_; }
  // What the last Update or Refresh saved, along the bottom.
  QLabel* StatusLine() const { return status_line_; }
  QAction* UndoAction() const { return undo_; }
  QAction* RedoAction() const { return redo_; }
  // The menu of a job row, as a right-click, the Menu key or Shift+F10 opens it (for tests).
  QMenu* JobMenu(int grid);

  // The strip above the grids: the search field with its "3 of 11", the colour legend and the
  // help button.
  QLineEdit* SearchField() const { return search_; }
  QLabel* SearchCount() const { return search_count_; }
  QWidget* Legend() const { return legend_; }
  QPushButton* HelpButton() const { return help_button_; }
  // What the search field found, and the match the user is at (-1: none).
  const BoardSearch& Search() const { return search_result_; }
  int CurrentMatch() const { return current_hit_; }
  // The help window (F1), made when first asked for.
  QDialog* HelpWindow();
  // The tip of row `row` of a job grid: what the job's card begins with, read once and kept
  // until the next Refresh. Empty for a row without a job.
  QString JobTip(int grid, int row);

  // Checks every `seconds` whether another workstation saved a list; 0 stops. The check runs
  // beside the window, which never waits for the share; what it finds shows in the bar.
  void StartChecking(int seconds);
  // The check period as the window shows it in its "Check for changes every" box, and checks at
  // it. Only the user's own change in the box is kept, through `keep` (the user's settings).
  void UseCheckPeriod(int seconds, std::function<void(int seconds)> keep);
  QSpinBox* CheckPeriod() const { return check_period_; }
  // The bar above the grids that tells what start-up, Refresh and Update found (lists put in
  // place or not read, jobs put back), with a Dismiss button. `keep` stores what this
  // workstation has told: at once, and again whenever that changes.
  void KeepNotices(std::function<void(const std::set<std::string>& told)> keep);
  QWidget* NoticeBar() const { return notice_bar_; }
  QLabel* NoticeBarText() const { return notice_text_; }
  // The bar above the grids that names lists changed elsewhere, with its Refresh button.
  QWidget* ChangeBar() const { return change_bar_; }
  QLabel* ChangeBarText() const { return change_bar_->text(); }

  // The window's first start on a workstation: it takes the screen's available area, maximised.
  void FillAvailableArea();
  // `keep` stores the window's size, position and maximised state (saveGeometry) when it closes.
  void KeepGeometry(std::function<void(const QByteArray& geometry)> keep) { keep_geometry_ = std::move(keep); }

  // The first mechanic grid's rectangle as a window over this one is placed: from the corner of
  // the window's frame. Null without a grid.
  QRect FirstMechanicGrid() const;

  // A length in twips as pixels on this window's screen, across.
  int Px(int twips) const;
  // The client width in twips, as the layout rules see it.
  int WidthTwips() const;
  // A width that shows every mechanic, within the screen's available width.
  int PreferredWidth() const;

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void CreateControls();
  void CreateMechanicColumns();
  void SetGeometryTwips(QWidget* widget, const ControlGeometry& geometry);
  void PlaceMechanic(int n, int left_twips, bool visible);
  // Form_Resize: the minimum width, the buttons and scroll bar that follow the width, and the
  // first page of mechanic grids; then PlaceRows.
  void ApplyLayout();
  // Places every control for the window's height and the bars shown: the grids stretch to the
  // window's bottom, the controls below them follow it. The page of mechanics shown stays.
  void PlaceRows();
  int BarHeight() const;
  // The scroll bar moved: show the page of mechanic grids that starts at its value.
  void OnScroll(int value);
  // Moves of jobs change only the grids; the other actions (Update, Refresh, "Show All Statuses")
  // may read or write the lists' files.
  enum class ActionKind { kMove, kBoard };
  // Runs an action of the user; a failure of the data engine is reported and the board stays
  // open. Then the undo actions, the status line, the notices, the captions and the search follow.
  void RunAction(const std::function<void()>& action, ActionKind kind = ActionKind::kBoard);
  // Runs work that may call on the share. When the share is slow to answer the window goes on
  // drawing itself meanwhile and says how long the server has not answered; the user's input
  // waits until the work is done. A close asked for meanwhile comes after it.
  void WithTheShare(const std::function<void()>& work);
  // The status line and the window's title: how many moves are not saved yet, or what the last
  // Update or Refresh did.
  void ShowStatus();
  void WhileTheServerIsSilent(std::chrono::milliseconds waited);

  // The job grids: g is grid kUnassigned, mechanic grid n is grid n.
  GridView* JobGrid(int grid) const { return grid == kUnassigned ? g_ : mg(grid); }
  void WireJobGrid(GridView* view, int grid);
  void WireSortGrid();
  void OnRightPress(GridView* view, int grid, const QPoint& viewport_pos, bool* cancel);
  // Drags the selected rows of a grid with the system's drag and drop, until the button is released.
  void DragRows(GridView* view, int grid);
  bool DropOn(int grid, const std::string& text, const PointerPlace& place, bool from_board);
  void ShowJobMenu(int grid, const QPoint& global_pos);
  void OpenJob(int grid);
  void OnMechanicFocus(int n);
  void UpdateUndoActions();
  void CreateChangeBar();
  void OnCheckTimer();
  // `actions_then`: actions_ when the check started.
  void OnCheckDone(const ListCheck& check, int actions_then);
  void ShowChangeBar(const QString& text, bool refresh);
  void CreateNoticeBar();
  // Shows the notices the board has collected since the last time, if any.
  void ShowNotices();
  // Places the bars across the top: the notices first, the changes below them.
  void PlaceBars();
  // The captions with their counts of open jobs ("DAVE RUIZ · 5"); a mechanic whose list could
  // not be read shows a warning mark and why in its tooltip.
  void ShowListStates();
  // After every action on the board: captions, counts and the search follow the grids.
  void BoardChanged();
  // "DAVE RUIZ · 5"; "5 jobs" as a screen reader says it.
  static QString CountedCaption(const QString& name, int count);
  static QString JobsSpoken(int count);
  // Refresh, which also forgets the job details read for the tips.
  void Refresh();

  // ---- Finding jobs ----
  void CreateTopStrip();
  void PlaceTopStrip(int width_twips);
  // The text changed: search again and show the first match.
  void OnSearchEdited();
  // Searches the board for the field's text and marks the grids; keeps the match the user is at
  // when it is still found.
  void RunSearch();
  void MarkGrids();
  // The job of a match's row (0: none).
  int32_t HitJob(const SearchHit& hit) const;
  void ShowSearchCount();
  // Shows match `index` (paging the mechanics when its list is not shown); `select` makes it the
  // grid's selection and current row.
  void GoToMatch(int index, bool select);
  void StepMatch(int step);
  // Enter in the field: the job a number names, else the next match.
  void SearchEnter(bool backwards);
  void ClearSearch();
  // The kept details of a job, read when not yet known.
  const JobDetails* Details(int32_t job, QString* error);

  frmTervalo& form_;
  std::unique_ptr<GridTableModel> g_model_;
  std::unique_ptr<GridTableModel> gSort_model_;
  std::unique_ptr<GridTableModel> PG_model_;
  std::vector<std::unique_ptr<GridTableModel>> mg_models_;

  QLabel* label1_ = nullptr;
  GridView* g_ = nullptr;
  QLabel* label2_ = nullptr;
  GridView* gSort_ = nullptr;
  GridView* PG_ = nullptr;
  QCheckBox* chkHide_ = nullptr;
  QScrollBar* scroll_ = nullptr;
  QPushButton* btnRefresh_ = nullptr;
  QPushButton* btnExit_ = nullptr;
  QPushButton* btnUpdate_ = nullptr;
  PrintMenu* menu_ = nullptr;
  QLabel* status_line_ = nullptr;
  QLabel* check_period_label_ = nullptr;
  QSpinBox* check_period_ = nullptr;
  std::function<void(int seconds)> keep_check_period_;
  tervalo::ChangeBar* change_bar_ = nullptr;
  QWidget* notice_bar_ = nullptr;
  QLabel* notice_text_ = nullptr;
  QPushButton* notice_dismiss_ = nullptr;
  std::function<void(const std::set<std::string>& told)> keep_told_;
  std::function<void(const QByteArray& geometry)> keep_geometry_;
  QTimer* check_timer_ = nullptr;
  // The host that lets the window draw while the share is slow (none: the window waits).
  WaitingHost* waiting_host_ = nullptr;
  int busy_ = 0;                // depth of the work on the share running now (WithTheShare)
  bool close_pending_ = false;  // the window was asked to close while busy
  bool wait_cursor_ = false;    // the busy cursor shows because the server has not answered
  std::optional<QString> status_before_wait_;  // the status line before it told of the wait
  ChangeWatcher watcher_;
  bool checking_ = false;
  int actions_ = 0;  // the user's actions so far; a check that saw an older board is dropped
  QElapsedTimer check_started_;
  QAction* undo_ = nullptr;
  QAction* redo_ = nullptr;
  bool drop_taken_ = false;     // a grid of this window took the drop of the running drag
  bool moving_focus_ = false;   // the focus rule is giving the focus to another grid
  std::vector<GridView*> mg_;
  std::vector<QLabel*> lblMECH_;
  QLineEdit* search_ = nullptr;
  QLabel* search_count_ = nullptr;
  QWidget* legend_ = nullptr;
  QPushButton* help_button_ = nullptr;
  QDialog* help_window_ = nullptr;
  BoardSearch search_result_;
  int current_hit_ = -1;
  int32_t current_job_ = 0;  // the job of the current match, which a move may take to another list
  // The job details read for tips since the last Refresh, and what the search matches of them.
  std::unordered_map<int32_t, JobDetails> details_;
  ExtraJobText search_extra_;
  std::vector<int> mechanic_left_;  // Left of label n and grid n, in twips
  std::vector<bool> mechanic_shown_;  // label n and grid n are on the page shown
  RowLayout rows_;  // where the rows of controls go for the window's height
};

}  // namespace tervalo
