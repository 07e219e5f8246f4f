// The real board program in a real X session, driven with the mouse and keyboard as a user drives
// it: right-button drags, Delete, the job menu, undo and redo, the job card and the print menu.
// What the board did is read back from the files it saves.

#include <gtest/gtest.h>
#include <unistd.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <regex>
#include <sstream>
#include <thread>

#include "board/job_index.h"
#include "board/job_record.h"
#include "board/job_text.h"
#include "board/window_layout.h"
#include "tests/e2e/x_session.h"
#include "tests/support/board_company.h"
#include "tools/share_builders/demo_company.h"

// Last: Xlib's headers define short macros (None, Bool, Status) that nothing above may meet.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace tervalo {
namespace {

using namespace std::chrono_literals;
using e2e::ChildProcess;
using e2e::WaitUntil;
using e2e::XServer;
using share::InvoiceRecord;
using testing::Job;

// Screen geometry of the board at 96 dpi, in pixels from the window's corner: twips / 15. The
// controls below the grids follow the window's height (Rows()).
constexpr int kRowPixels = 85;  // 1280 twips: the tall rows of this company
constexpr int kGridTop = (design::kUnassignedGrid.top + kTopStripHeight) / 15;
constexpr int kUnassignedLeft = 8;
constexpr int kMechanicLeft = 208;
constexpr int kMechanicStep = 160;
constexpr uint32_t kChangeBarColor = 0xFFF2B3;
constexpr uint32_t kNoticeBarColor = 0xD6E9FA;
constexpr uint32_t kWindowColor = 0xEFEFEF;  // the window's own background, where no control lies

struct Point {
  int x;
  int y;
};

// The sizes of the icons a window offers its frame and task bar in _NET_WM_ICON (width, height
// and the pixels, one icon after another).
std::vector<std::pair<long, long>> WindowIconSizes(const std::string& display_name, const std::string& window) {
  std::vector<std::pair<long, long>> sizes;
  Display* display = XOpenDisplay(display_name.c_str());
  if (display == nullptr) throw std::runtime_error("cannot open display " + display_name);
  Atom type = 0;
  int format = 0;
  unsigned long count = 0;
  unsigned long after = 0;
  unsigned char* data = nullptr;
  const Atom icon = XInternAtom(display, "_NET_WM_ICON", False);
  if (XGetWindowProperty(display, std::stoul(window), icon, 0, 1 << 24, False, XA_CARDINAL, &type, &format, &count,
                         &after, &data) == Success &&
      data != nullptr && format == 32) {
    const auto* values = reinterpret_cast<const long*>(data);  // 32-bit items arrive as longs
    for (unsigned long i = 0; i + 1 < count;) {
      sizes.emplace_back(values[i], values[i + 1]);
      i += 2 + static_cast<unsigned long>(values[i] * values[i + 1]);
    }
  }
  if (data != nullptr) XFree(data);
  XCloseDisplay(display);
  return sizes;
}

std::string HostName() {
  char name[256] = {};
  ::gethostname(name, sizeof name - 1);
  return name;
}

// One board program and its window. Several may run on one display: each finds its own window
// by its process, and `left` places it that many pixels from the screen's left edge.
class BoardWindow {
 public:
  // `unc_root`: where this workstation finds the share, when not where the test's own process does.
  BoardWindow(const XServer& x, const std::filesystem::path& base, const std::vector<std::string>& args = {},
              const std::string& name = "board", int left = 0, const std::filesystem::path& unc_root = {})
      : display_(x.display()),
        log_(base / (name + ".log")),
        process_(Command(args), Environment(x, base, name, unc_root), log_.string()) {
    const bool shown = WaitUntil(
        [this] {
          try {
            window_ = Xdo({"search", "--all", "--onlyvisible", "--pid", std::to_string(process_.pid()), "--name", "^Quorlin"});
          } catch (const std::exception&) {
            return !process_.Running();
          }
          return true;
        },
        60s);
    if (!shown || window_.empty()) throw std::runtime_error("the board did not open: " + Log());
    if (left > 0) Xdo({"windowmove", "--sync", window_, std::to_string(left), "0"});
    std::istringstream geometry(Xdo({"getwindowgeometry", "--shell", window_}));
    for (std::string line; std::getline(geometry, line);) {
      if (line.rfind("X=", 0) == 0) origin_.x = std::stoi(line.substr(2));
      if (line.rfind("Y=", 0) == 0) origin_.y = std::stoi(line.substr(2));
      if (line.rfind("WIDTH=", 0) == 0) width_ = std::stoi(line.substr(6));
      if (line.rfind("HEIGHT=", 0) == 0) height_ = std::stoi(line.substr(7));
    }
    // Drawn: the window's lowest corner on the screen, left of every control, shows the window's
    // background (a window placed where it was left may reach below the screen).
    int screen_width = 0;
    int screen_height = 0;
    std::istringstream(Xdo({"getdisplaygeometry"})) >> screen_width >> screen_height;
    const Point corner{origin_.x + 4, std::min(origin_.y + height_, screen_height) - 4};
    const bool drawn = WaitUntil(
        [&] {
          try {
            return e2e::PixelAt(display_, corner.x, corner.y) == kWindowColor;
          } catch (const std::exception&) {
            return false;
          }
        },
        30s);
    if (!drawn) {
      throw std::runtime_error("the board was not drawn: " + Log());
    }
  }

  std::string Xdo(const std::vector<std::string>& args) const { return e2e::Xdo(display_, args); }
  std::string Log() const {
    std::ifstream in(log_);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  ChildProcess& process() { return process_; }
  const std::string& window() const { return window_; }

  // Places on the board, by grid and row.
  Point UnassignedRow(int row) const { return At(kUnassignedLeft + 60, RowY(row)); }
  Point MechanicRow(int n, int row) const { return At(kMechanicLeft + n * kMechanicStep + 60, RowY(row)); }
  Point MechanicLabel(int n) const { return At(kMechanicLeft + n * kMechanicStep + 40, kGridTop - 12); }
  Point ShowAllStatuses() const { return At(224 + 8, Rows().Place(design::kChkHide).top / 15 + 12); }
  // Row `row` of "Sort Order" (rows of 17 pixels below the grid's frame).
  Point SortField(int row) const { return At(32 + 40, Rows().Place(design::kSortGrid).top / 15 + 1 + row * 17 + 8); }
  // The window's first start fills the screen: the grids take its height.
  RowLayout Rows() const { return ArrangeRows(height_ * 15); }
  int width() const { return width_; }
  int height() const { return height_; }
  // A point of the bar that names lists changed on another workstation, left of its text.
  Point ChangeBar() const { return At(3, 3); }
  bool ChangeBarShown() const { return e2e::PixelAt(display_, ChangeBar().x, ChangeBar().y) == kChangeBarColor; }
  // The bar of start-up notices takes the same place, above the change bar when both show; its
  // Dismiss button is at its right end.
  bool NoticeBarShown() const { return e2e::PixelAt(display_, ChangeBar().x, ChangeBar().y) == kNoticeBarColor; }
  Point NoticeBarDismiss() const { return At(width_ - 8 - 20, 8); }
  // Whether the window that takes the keys now is one of this board's whose title matches.
  bool HasKeys(const std::string& name_pattern) const {
    try {
      return std::regex_search(Xdo({"getwindowfocus", "getwindowname"}), std::regex(name_pattern));
    } catch (const std::exception&) {
      return false;
    }
  }
  // Whether another program's window takes the keys now (a key sent would be lost to it).
  bool KeysGoElsewhere() const {
    try {
      return Xdo({"getwindowfocus", "getwindowpid"}) != std::to_string(process_.pid());
    } catch (const std::exception&) {
      return false;  // no program's window has them: they go where the pointer is
    }
  }
  // The strip at the left of a mechanic's row that always shows the row's own colour.
  uint32_t MechanicRowColor(int n, int row) const {
    return e2e::PixelAt(display_, origin_.x + kMechanicLeft + n * kMechanicStep + 3, RowY(row) + origin_.y);
  }

  void Click(Point p, const std::string& modifier = "") {
    Xdo({"mousemove", std::to_string(p.x), std::to_string(p.y)});
    if (!modifier.empty()) Xdo({"keydown", modifier});
    Xdo({"click", "1"});
    if (!modifier.empty()) Xdo({"keyup", modifier});
  }
  void DoubleClick(Point p) {
    Xdo({"mousemove", std::to_string(p.x), std::to_string(p.y), "click", "--repeat", "2", "--delay", "80", "1"});
  }
  void RightClick(Point p) { Xdo({"mousemove", std::to_string(p.x), std::to_string(p.y), "click", "3"}); }
  // Right button down, several small moves, up: a drag as a hand makes it.
  void RightDrag(Point from, Point to) {
    Xdo({"mousemove", std::to_string(from.x), std::to_string(from.y), "mousedown", "3"});
    constexpr int kSteps = 12;
    for (int i = 1; i <= kSteps; ++i) {
      Xdo({"mousemove", std::to_string(from.x + (to.x - from.x) * i / kSteps),
           std::to_string(from.y + (to.y - from.y) * i / kSteps)});
      std::this_thread::sleep_for(30ms);
    }
    Xdo({"mousemove", std::to_string(to.x + 1), std::to_string(to.y)});
    std::this_thread::sleep_for(150ms);
    Xdo({"mouseup", "3"});
  }
  // The board takes its events in the order they come, so a key needs no pause after a click; it
  // only has to reach the board: a click on a board gives it the keys once the board has seen it.
  void Key(const std::string& keys) {
    WaitUntil([this] { return !KeysGoElsewhere(); });
    Xdo({"key", "--clearmodifiers", keys});
  }
  bool WindowOpen(const std::string& name_pattern) const {
    try {
      return !Xdo({"search", "--onlyvisible", "--name", name_pattern}).empty();
    } catch (const std::exception&) {
      return false;
    }
  }

 private:
  static std::vector<std::string> Command(const std::vector<std::string>& args) {
    std::vector<std::string> command{TERVALO_BOARD_PROGRAM};
    command.insert(command.end(), args.begin(), args.end());
    return command;
  }
  static std::map<std::string, std::string> Environment(const XServer& x, const std::filesystem::path& base,
                                                        const std::string& name, const std::filesystem::path& unc_root) {
    const std::filesystem::path run = base / ("run-" + name);
    std::filesystem::create_directories(run);
    std::filesystem::permissions(run, std::filesystem::perms::owner_all);
    std::map<std::string, std::string> environment{{"DISPLAY", x.display()},
            {"QT_QPA_PLATFORM", "xcb"},
            // The user's settings (the check period among them) and files stay in the test's folder.
            {"XDG_CONFIG_HOME", (base / "config").string()},
            {"HOME", base.string()},
            {"QT_FONT_DPI", "96"},
            {"XDG_RUNTIME_DIR", run.string()},
            // The X libraries keep a few allocations until the process ends.
            {"ASAN_OPTIONS", "detect_leaks=0"}};
    if (!unc_root.empty()) environment["TERVALO_UNC_ROOT"] = unc_root.string();
    return environment;
  }
  static int RowY(int row) { return kGridTop + 2 + row * kRowPixels + kRowPixels / 2; }
  Point At(int x, int y) const { return {origin_.x + x, origin_.y + y}; }

  std::string display_;
  std::filesystem::path log_;
  ChildProcess process_;
  std::string window_;
  Point origin_{0, 0};
  int width_ = 0;
  int height_ = 0;
};

// Jobs 1-5 unassigned (references 11-15, sorted in that order); DAVE RUIZ (mechanic 3) has jobs 6
// and 7 and the completed job 8; ANNA KOWALSKI (mechanic 4) has none. Tall rows.
class BoardE2eTest : public testing::BoardCompanyTest {
 protected:
  void SetUp() override {
    host_.computer_name = HostName();  // the board program finds its terminal by this name
    file0_.tall_rows = true;
    for (int32_t job = 1; job <= 5; ++job) records_[job] = company_.AddJob({job, {Job(10 + job, 'O', job)}})[0];
    for (int32_t job = 6; job <= 8; ++job) {
      InvoiceRecord r = Job(10 + job, job == 8 ? 'C' : 'O', 2);
      r.mechanic = 3;
      records_[job] = company_.AddJob({job, {r}})[0];
    }
    Build();
    const std::string request = "\tReq 1" + std::string(25, ' ');
    company_.WriteSchedule(3, {ScheduleLine(Job(16, 'O', 2), 6) + request, ScheduleLine(Job(17, 'O', 2), 7) + request,
                               ScheduleLine(Job(18, 'C', 2), 8) + request});
    StartBoards();
  }
  virtual void StartBoards() {
    x_ = std::make_unique<XServer>();
    board_ = std::make_unique<BoardWindow>(*x_, base_);
  }

  void TearDown() override {
    board_.reset();
    x_.reset();
  }

  std::filesystem::path Schedule(int mechanic) { return share_.DataDirectory() / ("SCHEDULE." + std::to_string(mechanic)); }

  // The job numbers of a schedule file, in order; empty when there is no file.
  std::vector<int32_t> Saved(int mechanic) {
    std::vector<int32_t> jobs;
    std::ifstream in(Schedule(mechanic), std::ios::binary);
    for (std::string line; std::getline(in, line);) {
      std::replace(line.begin(), line.end(), '\t', '\n');
      jobs.push_back(GetJobNumber(line));
    }
    return jobs;
  }
  int MarkOf(int32_t job) { return InvoiceByte(records_[job], kMechanicBytePosition); }

  // Presses Update (Alt+U) and waits until the lists on disk are as expected (Update writes only
  // the lists that changed, so there is nothing else to wait for).
  void UpdateAndExpect(const std::vector<int32_t>& dave, const std::vector<int32_t>& anna) {
    UpdateAndExpect(*board_, dave, anna);
  }
  void UpdateAndExpect(BoardWindow& b, const std::vector<int32_t>& dave, const std::vector<int32_t>& anna) {
    b.Key("alt+u");
    WaitUntil([&] { return Saved(3) == dave && Saved(4) == anna; });
    EXPECT_EQ(Saved(3), dave) << b.Log();
    EXPECT_EQ(Saved(4), anna) << b.Log();
  }

  std::map<int32_t, int32_t> records_;
  std::unique_ptr<XServer> x_;
  std::unique_ptr<BoardWindow> board_;
};

TEST_F(BoardE2eTest, DragsDeleteMenuMovesAndUndoReachTheFiles) {
  BoardWindow& b = *board_;
  // Three selected jobs dragged onto DAVE RUIZ's second row keep their order; g loses exactly them.
  b.Click(b.UnassignedRow(0));
  b.Click(b.UnassignedRow(2), "shift");
  b.RightDrag(b.UnassignedRow(1), b.MechanicRow(0, 1));
  UpdateAndExpect({6, 1, 2, 3, 7, 8}, {});
  EXPECT_EQ((std::vector<int>{MarkOf(1), MarkOf(2), MarkOf(3), MarkOf(4), MarkOf(5)}), (std::vector<int>{3, 3, 3, 0, 0}));

  // One dragged back: its mark is cleared at once, before any Update.
  b.Click(b.MechanicRow(0, 2));
  b.RightDrag(b.MechanicRow(0, 2), b.UnassignedRow(0));
  EXPECT_TRUE(WaitUntil([&] { return MarkOf(2) == 0; })) << b.Log();

  // Reordering within the list: job 6 goes in front of job 7.
  b.Click(b.MechanicRow(0, 0));
  b.RightDrag(b.MechanicRow(0, 0), b.MechanicRow(0, 3));
  UpdateAndExpect({1, 3, 6, 7, 8}, {});

  // Dropped on a label: nothing changes.
  b.Click(b.MechanicRow(0, 0));
  b.RightDrag(b.MechanicRow(0, 0), b.MechanicLabel(1));
  // A completed job shown with "Show All Statuses" does not drag.
  b.Click(b.ShowAllStatuses());
  b.Click(b.MechanicRow(0, 4));
  b.RightDrag(b.MechanicRow(0, 4), b.UnassignedRow(0));
  UpdateAndExpect({1, 3, 6, 7, 8}, {});
  EXPECT_FALSE(std::filesystem::exists(Schedule(4)));
  EXPECT_EQ(MarkOf(8), 3);

  // Delete with two rows selected sends both back, each on its own row.
  b.Click(b.MechanicRow(0, 0));
  b.Click(b.MechanicRow(0, 1), "ctrl");
  b.Key("Delete");
  EXPECT_TRUE(WaitUntil([&] { return MarkOf(1) == 0 && MarkOf(3) == 0; })) << b.Log();
  UpdateAndExpect({6, 7, 8}, {});

  // The job menu from the keyboard: job 4 "Move to" ANNA KOWALSKI.
  b.Click(b.UnassignedRow(3));
  b.Key("shift+F10");
  b.Key("Down");
  b.Key("Right");
  b.Key("Down");
  b.Key("Return");
  UpdateAndExpect({6, 7, 8}, {4});
  EXPECT_EQ(MarkOf(4), 4);

  // Undo takes the move back (and frees the job again); redo does it once more.
  b.Key("ctrl+z");
  EXPECT_TRUE(WaitUntil([&] { return MarkOf(4) == 0; })) << b.Log();
  UpdateAndExpect({6, 7, 8}, {});
  EXPECT_FALSE(std::filesystem::exists(Schedule(4)));
  b.Key("ctrl+shift+z");
  UpdateAndExpect({6, 7, 8}, {4});
  // Ctrl+Y redoes as well, on X11 too.
  b.Key("ctrl+z");
  EXPECT_TRUE(WaitUntil([&] { return MarkOf(4) == 0; })) << b.Log();
  b.Key("ctrl+y");
  UpdateAndExpect({6, 7, 8}, {4});

  // EXIT saves once more and ends the program normally.
  b.Key("alt+x");
  EXPECT_EQ(b.process().Wait(30s), 0) << b.Log();
  EXPECT_EQ(Saved(3), (std::vector<int32_t>{6, 7, 8}));
}

TEST_F(BoardE2eTest, TheBoardFillsTheScreenAndAJobFoundByItsNumberIsActedOn) {
  BoardWindow& b = *board_;
  EXPECT_EQ(b.width(), 1600) << "the first start takes the screen";
  EXPECT_EQ(b.height(), 1000);
  // Ctrl+F, the job's number and Enter select job 7 on DAVE RUIZ's list; Esc hands the keys to
  // that list, and Delete sends the job back.
  b.Click(b.UnassignedRow(0));
  b.Key("ctrl+f");
  b.Key("7");
  b.Key("Return");
  b.Key("Escape");
  b.Key("Delete");
  EXPECT_TRUE(WaitUntil([&] { return MarkOf(7) == 0; })) << b.Log();
  UpdateAndExpect({6, 8}, {});
}

TEST_F(BoardE2eTest, RightDraggingASortFieldMovesTheFieldUnderThePointer) {
  BoardWindow& b = *board_;
  // "Reference" is the current field; "Job Number" is pressed and dragged to the top.
  b.Click(b.SortField(0));
  b.RightDrag(b.SortField(3), b.SortField(0));
  b.Key("alt+r");
  const auto sort_order = [&] { return FileBytes("FILE0").substr(499 * 512 + 24, 4); };
  EXPECT_TRUE(WaitUntil([&] { return sort_order() == "JRPD"; })) << sort_order() << "\n" << b.Log();
}

TEST_F(BoardE2eTest, TheFocusedGridIsFramedEvenWhenItIsEmpty) {
  BoardWindow& b = *board_;
  // ANNA KOWALSKI's list is empty: a point just inside its left edge, halfway down.
  const Point edge = b.MechanicRow(1, 3);
  const Point inside{edge.x - 60 + 1, edge.y};
  const Point middle{edge.x, edge.y};
  const auto pixel = [&](Point p) { return e2e::PixelAt(x_->display(), p.x, p.y); };
  const uint32_t before = pixel(inside);
  b.Click(middle);
  ASSERT_TRUE(WaitUntil([&] { return pixel(inside) != before; })) << std::hex << before;
  EXPECT_NE(pixel(inside), pixel(middle)) << "the frame stands out from the grid";
  // Tab moves the focus on; the frame goes with it.
  b.Key("Tab");
  EXPECT_TRUE(WaitUntil([&] { return pixel(inside) == before; })) << std::hex << pixel(inside);
}

// Job 5 is marked for mechanic 5, who is not on the board; job 4 for ANNA KOWALSKI, whose list
// cannot be read at start-up (a folder has its name).
class NoticesE2eTest : public BoardE2eTest {
 protected:
  void StartBoards() override {
    SetMark(5, 5);
    SetMark(4, 4);
    std::filesystem::create_directory(Schedule(4));
    BoardE2eTest::StartBoards();
  }
  void SetMark(int32_t job, int mechanic) {
    std::fstream invol(share_.DataDirectory() / "INVDB", std::ios::binary | std::ios::in | std::ios::out);
    invol.seekp(static_cast<std::streamoff>(records_[job]) * share::kInvoiceRecordLength + kMechanicBytePosition - 1);
    invol.put(static_cast<char>(mechanic));
  }
};

TEST_F(NoticesE2eTest, StartUpNoticesShowInTheBarOncePerWorkstationAndAListReadAgainShowsItsRows) {
  BoardWindow& b = *board_;
  EXPECT_FALSE(b.WindowOpen("^Tervalo$")) << "no message box before the window";
  EXPECT_TRUE(WaitUntil([&] { return b.NoticeBarShown(); })) << b.Log();
  EXPECT_EQ(b.MechanicRowColor(1, 0), 0xFFFFFFu) << "ANNA KOWALSKI's list is shown empty";

  // The list becomes readable; Refresh reads it and its grid shows job 4 in priority 4's colour.
  std::filesystem::remove(Schedule(4));
  {
    std::ofstream list(Schedule(4), std::ios::binary);
    list << ScheduleLine(Job(14, 'O', 4), 4) << "\tReq 1" << std::string(25, ' ') << "\r\n";
  }
  b.Click(b.UnassignedRow(0));
  b.Key("alt+r");
  EXPECT_TRUE(WaitUntil([&] { return b.MechanicRowColor(1, 0) == 0x444444u; }))
      << std::hex << b.MechanicRowColor(1, 0) << "\n" << b.Log();

  // Nothing new was found: the bar still shows what start-up found until it is dismissed.
  EXPECT_TRUE(b.NoticeBarShown());
  b.Click(b.NoticeBarDismiss());
  EXPECT_TRUE(WaitUntil([&] { return !b.NoticeBarShown(); }));
  b.Key("alt+x");
  ASSERT_EQ(b.process().Wait(30s), 0) << b.Log();

  // The next start-up of this workstation tells nothing: job 5 was told before.
  board_.reset();
  BoardWindow again(*x_, base_, {}, "again");
  EXPECT_FALSE(again.WindowOpen("^Tervalo$"));
  EXPECT_FALSE(again.NoticeBarShown()) << again.Log();
  EXPECT_TRUE(WaitUntil([&] { return again.MechanicRowColor(1, 0) == 0x444444u; }));
}

// Two workstations on one share side by side, each checking the share every two seconds.
class TwoWorkstationsE2eTest : public BoardE2eTest {
 protected:
  static constexpr int kPollSeconds = 2;
  void StartBoards() override {
    x_ = std::make_unique<XServer>(3300, 1000);
    const std::vector<std::string> args{"--poll", std::to_string(kPollSeconds)};
    board_ = std::make_unique<BoardWindow>(*x_, base_, args, "first");
    // Over SMB the second board is another client of the server, with a mount of its own.
    second_ = std::make_unique<BoardWindow>(*x_, base_, args, "second", 1650, testing::SecondWorkstationPath(unc_root_));
  }
  void TearDown() override {
    second_.reset();
    BoardE2eTest::TearDown();
  }

  // Presses Update on the second board, which is asked what to do with what the first board
  // changed too; `answer` are the keys that answer (Return alone: the defaults).
  void UpdateSecondAndAnswer(const std::vector<std::string>& answer) {
    BoardWindow& b = *second_;
    b.Key("alt+u");
    ASSERT_TRUE(WaitUntil([&] { return b.HasKeys("^Changed on another workstation$"); })) << b.Log();
    for (const std::string& key : answer) b.Key(key);
    EXPECT_TRUE(WaitUntil([&] { return !b.WindowOpen("^Changed on another workstation$"); })) << b.Log();
  }
  // Waits until both lists on disk are as expected.
  void ExpectSaved(const std::vector<int32_t>& dave, const std::vector<int32_t>& anna) {
    EXPECT_TRUE(WaitUntil([&] { return Saved(3) == dave && Saved(4) == anna; })) << second_->Log();
    EXPECT_EQ(Saved(3), dave);
    EXPECT_EQ(Saved(4), anna);
  }

  std::unique_ptr<BoardWindow> second_;
};

TEST_F(TwoWorkstationsE2eTest, TheOtherBoardIsToldAndAskedAndKeepsBothBoardsMoves) {
  BoardWindow& first = *board_;
  BoardWindow& second = *second_;
  EXPECT_FALSE(second.ChangeBarShown());

  // The first board puts job 1 second on DAVE RUIZ's list and saves; the second board's bar shows
  // it within two checks.
  first.Click(first.UnassignedRow(0));
  first.RightDrag(first.UnassignedRow(0), first.MechanicRow(0, 1));
  UpdateAndExpect(first, {6, 1, 7, 8}, {});
  EXPECT_TRUE(WaitUntil([&] { return second.ChangeBarShown(); }, std::chrono::seconds(2 * kPollSeconds) + 500ms))
      << second.Log();

  // The second board, without refreshing, puts job 2 on the same list and presses Update: it is
  // asked, and the default keeps both moves: its own list with job 1 joining it at the end of its
  // open jobs, both jobs marked for DAVE RUIZ.
  second.Click(second.UnassignedRow(1));
  second.RightDrag(second.UnassignedRow(1), second.MechanicRow(0, 1));
  UpdateSecondAndAnswer({"Return"});
  ExpectSaved({6, 2, 7, 1, 8}, {});
  EXPECT_EQ((std::vector<int>{MarkOf(1), MarkOf(2)}), (std::vector<int>{3, 3}));

  // --poll held for these runs only: the user's settings do not keep it.
  std::ifstream settings(base_ / "config" / "Tervalo" / "Tervalo.conf");
  const std::string kept((std::istreambuf_iterator<char>(settings)), {});
  EXPECT_EQ(kept.find("poll"), std::string::npos) << kept;
}

// Both boards still show a job unassigned; the first gives it to ANNA KOWALSKI and saves, the
// second gives it to DAVE RUIZ and presses Update. The second is asked about that job, and
// whatever the answer the job ends on one list with a mark naming that list's mechanic.
TEST_F(TwoWorkstationsE2eTest, OneJobGivenToTwoMechanicsOnTwoBoardsEndsOnOneList) {
  BoardWindow& first = *board_;
  BoardWindow& second = *second_;
  first.Click(first.UnassignedRow(0));
  first.RightDrag(first.UnassignedRow(0), first.MechanicRow(1, 0));
  UpdateAndExpect(first, {6, 7, 8}, {1});
  second.Click(second.UnassignedRow(0));
  second.RightDrag(second.UnassignedRow(0), second.MechanicRow(0, 1));
  // The default keeps it with ANNA KOWALSKI, where the first board and the invoice file have it.
  UpdateSecondAndAnswer({"Return"});
  ExpectSaved({6, 7, 8}, {1});
  EXPECT_EQ(MarkOf(1), 4);

  // Again with job 2, answered "Move it to DAVE RUIZ": it leaves ANNA KOWALSKI's list.
  first.Click(first.UnassignedRow(0));
  first.RightDrag(first.UnassignedRow(0), first.MechanicRow(1, 1));
  UpdateAndExpect(first, {6, 7, 8}, {1, 2});
  second.Click(second.UnassignedRow(0));
  second.RightDrag(second.UnassignedRow(0), second.MechanicRow(0, 1));
  UpdateSecondAndAnswer({"Right", "Return"});
  ExpectSaved({6, 2, 7, 8}, {1});
  EXPECT_EQ(MarkOf(2), 3);
}

// Today as work sheets are named: 2026-12-10.
std::string TodayIso() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[16];
  std::strftime(text, sizeof text, "%Y-%m-%d", &local);
  return text;
}

// The demo company, which has everything a job card shows.
class DemoE2eTest : public ::testing::Test {
 protected:
  void SetUp() override {
    base_ = std::filesystem::temp_directory_path() / ("tervalo-e2e-" + std::to_string(::getpid()));
    std::filesystem::remove_all(base_);
    const share::DemoLocation where = share::BuildDemoCompany(base_, HostName());
    for (const char* name : {"TERVALO_UNC_ROOT", "TMPDIR"}) {
      if (const char* value = std::getenv(name)) saved_env_[name] = value;
    }
    ::setenv("TERVALO_UNC_ROOT", where.unc_root.c_str(), 1);
    ::setenv("TMPDIR", where.temp_dir.c_str(), 1);
    x_ = std::make_unique<XServer>();
  }
  void TearDown() override {
    x_.reset();
    std::filesystem::remove_all(base_);
    // The next test's temporary folder is not inside this one, which is gone.
    for (const char* name : {"TERVALO_UNC_ROOT", "TMPDIR"}) {
      if (saved_env_.count(name)) {
        ::setenv(name, saved_env_[name].c_str(), 1);
      } else {
        ::unsetenv(name);
      }
    }
  }

  std::filesystem::path base_;
  std::map<std::string, std::string> saved_env_;
  std::unique_ptr<XServer> x_;
};

TEST_F(DemoE2eTest, DoubleClickOpensTheJobCardAndTheLabelMenuPrints) {
  BoardWindow b(*x_, base_);
  // The window carries the program's icon for its frame and the task bar.
  const auto icons = WindowIconSizes(x_->display(), b.window());
  EXPECT_NE(std::find(icons.begin(), icons.end(), std::pair<long, long>(32, 32)), icons.end()) << icons.size();
  EXPECT_NE(std::find(icons.begin(), icons.end(), std::pair<long, long>(256, 256)), icons.end()) << icons.size();
  // The first unassigned job of the demo, opened with a double-click; Esc closes the card.
  b.DoubleClick({8 + 60, kGridTop + 30});
  ASSERT_TRUE(WaitUntil([&] { return b.HasKeys("^(Job|Quote): "); })) << b.Log();
  b.Key("Escape");
  EXPECT_TRUE(WaitUntil([&] { return !b.WindowOpen("^(Job|Quote): "); }));

  // A right-click on the first mechanic's name opens the print menu; Print 40 Column shows the
  // sheet's preview, named after the mechanic and the day; its Print (Ctrl+P) asks for the
  // printer, and without one prints to a PDF file of that name at the first try.
  const std::string name = "Work sheet DAVE RUIZ " + TodayIso();
  b.RightClick(b.MechanicLabel(0));
  b.Key("Down");
  b.Key("Return");
  ASSERT_TRUE(WaitUntil([&] { return b.HasKeys("^" + name + "$"); })) << b.Log();
  b.Key("ctrl+p");
  ASSERT_TRUE(WaitUntil([&] { return b.HasKeys("^Print"); })) << b.Log();
  b.Key("Return");
  const std::filesystem::path pdf = base_ / (name + ".pdf");
  EXPECT_TRUE(WaitUntil([&] { return std::filesystem::exists(pdf) && std::filesystem::file_size(pdf) > 0; }))
      << b.Log();
  EXPECT_TRUE(WaitUntil([&] { return !b.WindowOpen("^" + name + "$"); })) << "the preview closes once printed";
  EXPECT_TRUE(b.process().Running()) << b.Log();
}

TEST_F(DemoE2eTest, AMissingConfigurationIsToldInABoxTitledTervaloAndOnTheErrorOutput) {
  const std::filesystem::path empty = base_ / "empty";
  std::filesystem::create_directories(empty);
  const std::filesystem::path log = base_ / "missing.log";
  ChildProcess board({TERVALO_BOARD_PROGRAM},
                     {{"DISPLAY", x_->display()},
                      {"QT_QPA_PLATFORM", "xcb"},
                      {"TMPDIR", empty.string()},
                      {"XDG_CONFIG_HOME", (base_ / "config").string()},
                      {"ASAN_OPTIONS", "detect_leaks=0"}},
                     log.string());
  std::string box;
  ASSERT_TRUE(WaitUntil([&] {
    try {
      box = e2e::Xdo(x_->display(), {"search", "--onlyvisible", "--name", "^Tervalo$"});
    } catch (const std::exception&) {
      return false;
    }
    return !box.empty();
  }, 60s));
  const auto logged = [&] {
    std::ifstream in(log);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  const std::string text = "Tervalo: You are missing file: " + (empty / "vltCatalog.ini").string() +
                           "    Are you running Veltrane Workstation?";
  EXPECT_TRUE(WaitUntil([&] { return logged().find(text) != std::string::npos; })) << logged();
  EXPECT_NE(logged().find("--ini PATH"), std::string::npos) << logged();
  e2e::Xdo(x_->display(), {"windowfocus", "--sync", box.substr(0, box.find('\n'))});
  e2e::Xdo(x_->display(), {"key", "Return"});
  EXPECT_EQ(board.Wait(30s), 1) << logged();
}

}  // namespace
}  // namespace tervalo
