// The share failing while the board runs, through the real window: the server's disk full, the
// share turned read-only, a list's file name taken by a folder, the data folder renamed away. Each
// time Update tells what failed and why, nothing on the share changes, the job stays on the
// board, and once the share is back the next Update saves it.

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolTip>

#include <cerrno>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "board/frm_tervalo.h"
#include "board/job_text.h"
#include "board_ui/main_window.h"
#include "board_ui/start_up_wait.h"
#include "environment/shared_instances.h"
#include "host/waiting_host.h"
#include "tests/board_ui/qt_test_app.h"
#include "tests/support/call_gate.h"
#include "tests/support/board_records.h"
#include "tests/support/temp_share.h"
#include "tools/share_builders/company_builder.h"
#include "tools/share_builders/share_builder.h"

namespace tervalo {
namespace {

namespace fs = std::filesystem;

// A share that refuses every change with one error while `error` is set (ENOSPC: the disk is
// full; EROFS: the share turned read-only); reading goes on.
class RefusingShare : public HostWrapper {
 public:
  explicit RefusingShare(Host& target) : HostWrapper(target) {}
  int error = 0;

  HostResult<std::unique_ptr<HostFile>> OpenShared(std::string_view path, bool create) override;
  HostResult<std::string> WriteNewFile(std::string_view prefix, std::string_view contents,
                                       std::string_view replaces) override {
    if (error != 0) return HostStatus(error, prefix);
    return HostWrapper::WriteNewFile(prefix, contents, replaces);
  }
  HostStatus RenameFile(std::string_view from, std::string_view to) override {
    if (error != 0) return HostStatus(error, to);
    return HostWrapper::RenameFile(from, to);
  }
  HostStatus RemoveFile(std::string_view path) override {
    if (error != 0) return HostStatus(error, path);
    return HostWrapper::RemoveFile(path);
  }
};

class RefusingFile : public HostFileWrapper {
 public:
  RefusingFile(const RefusingShare& share, std::string_view path, std::unique_ptr<HostFile> target)
      : HostFileWrapper(std::move(target)), share_(share), path_(path) {}
  HostStatus WriteAt(int64_t offset, const char* data, size_t n) override {
    if (share_.error != 0) return HostStatus(share_.error, path_);
    return HostFileWrapper::WriteAt(offset, data, n);
  }

 private:
  const RefusingShare& share_;
  std::string path_;
};

HostResult<std::unique_ptr<HostFile>> RefusingShare::OpenShared(std::string_view path, bool create) {
  auto file = HostWrapper::OpenShared(path, create);
  if (!file.ok()) return file;
  return std::make_unique<RefusingFile>(*this, path, std::move(file).value());
}

class ShareFailuresTest : public testing::TempShareTest {
 protected:
  ShareFailuresTest() : company_(share_), share_host_(host_), scoped_(share_host_) {}

  // Job 7 unassigned, or on MECHANIC 3's list and marked for him.
  void WriteCompany(bool scheduled = false) {
    company_.SetFile0(testing::NormalAndRushFile0());
    company_.AddMechanic({3, "MECHANIC 3"});
    const share::InvoiceRecord job = testing::Scheduled(testing::Job(42), scheduled ? 3 : 0);
    job_record_ = company_.AddJob({7, {job}}).back();
    company_.Write(temp_dir_, host_.computer_name);
    if (scheduled) company_.WriteSchedule(3, {company_.ScheduleLine(job, 7)});
  }
  MainWindow& Open(bool scheduled = false) {
    WriteCompany(scheduled);
    EXPECT_TRUE(form_.Form_Load());
    window_ = std::make_unique<MainWindow>(form_);
    window_->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
    return *window_;
  }

  // What the share holds of the board: the jobs of the list file (or that there is none) and the
  // job's mark (byte 141 of its record).
  std::string Saved() {
    const fs::path list = share_.DataDirectory() / "SCHEDULE.3";
    std::string saved = fs::is_regular_file(list) ? "list" : "no list";
    if (fs::is_regular_file(list)) {
      // One row per line, its line feeds stored as tabs.
      std::string rows = share::ReadBinaryFile(list);
      for (char& c : rows) c = c == '\t' ? '\n' : c;
      for (size_t at = 0, end; (end = rows.find("\r\n", at)) != std::string::npos; at = end + 2) {
        saved += " " + std::to_string(GetJobNumber(std::string_view(rows).substr(at, end - at)));
      }
    }
    const std::string invol = share::ReadBinaryFile(share_.DataDirectory() / "INVDB");
    const size_t mark = static_cast<size_t>(job_record_) * share::kInvoiceRecordLength + 140;
    return saved + " | mark " +
           std::to_string(mark < invol.size() ? static_cast<int>(static_cast<unsigned char>(invol[mark])) : -1);
  }

  share::CompanyBuilder company_;
  RefusingShare share_host_;
  ScopedHost scoped_;
  frmTervalo form_;
  std::unique_ptr<MainWindow> window_;
  int32_t job_record_ = 0;
};

TEST_F(ShareFailuresTest, UpdateTellsWhatFailedKeepsTheShareAsItWasAndSavesOnceItIsBack) {
  struct Case {
    const char* what;
    std::function<void()> fail;
    std::function<void()> mend;
    std::vector<std::string> told;  // what the message names: whose list, which file, the system's reason
  };
  const fs::path data = share_.DataDirectory();
  const fs::path away = data.parent_path() / "CO1-away";
  const Case cases[] = {
      {"the server's disk is full", [&] { share_host_.error = ENOSPC; }, [&] { share_host_.error = 0; },
       {"MECHANIC 3", "SCHEDULE.3", "No space left on device"}},
      {"the share turned read-only", [&] { share_host_.error = EROFS; }, [&] { share_host_.error = 0; },
       {"MECHANIC 3", "SCHEDULE.3", "Read-only file system"}},
      {"a folder took the list's name", [&] { fs::create_directory(data / "SCHEDULE.3"); },
       [&] { fs::remove(data / "SCHEDULE.3"); }, {"MECHANIC 3", "SCHEDULE.3", "Is a directory"}},
      // Told as a folder gone, not as lists another workstation deleted.
      {"the data folder was renamed away", [&] { fs::rename(data, away); }, [&] { fs::rename(away, data); },
       {"the data folder \\\\SRV\\VLTRLNK\\CO1 cannot be found"}},
  };
  MainWindow& w = Open();
  BoardState& board = w.form().board();
  const std::string untouched = Saved();
  ASSERT_EQ(untouched, "no list | mark 0");
  board.g.Select(0, 0);
  ASSERT_TRUE(w.form().moves().MoveToMechanic(kUnassigned, 0));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    host_.messages.clear();
    c.fail();
    QTest::mouseClick(w.btnUpdate(), Qt::LeftButton);
    c.mend();
    ASSERT_EQ(host_.messages.size(), 1u);
    const std::string& message = host_.messages[0].text;
    for (const std::string& text : c.told) EXPECT_NE(message.find(text), std::string::npos) << text << " in " << message;
    EXPECT_TRUE(w.StatusLine()->text().startsWith("Not saved")) << w.StatusLine()->text().toStdString();
    EXPECT_EQ(Saved(), untouched);
    ASSERT_EQ(board.Mg(0).Rows(), 1) << "the job stays on the mechanic's list here";
    EXPECT_EQ(GetJobNumber(board.Mg(0).TextMatrix(0, 0)), 7);
  }
  host_.messages.clear();
  QTest::mouseClick(w.btnUpdate(), Qt::LeftButton);
  EXPECT_TRUE(host_.messages.empty());
  EXPECT_TRUE(w.StatusLine()->text().startsWith("Saved")) << w.StatusLine()->text().toStdString();
  EXPECT_EQ(Saved(), "list 7 | mark 3");
}

// Sending a job back frees it in the invoice file at once; a share that refuses the write keeps
// the job on its list, and says so.
TEST_F(ShareFailuresTest, AJobSentBackWhileTheShareRefusesWritesStaysOnItsList) {
  MainWindow& w = Open(true);
  BoardState& board = w.form().board();
  ASSERT_EQ(Saved(), "list 7 | mark 3");
  w.mg(0)->setFocus();
  board.Mg(0).Select(0, 0);
  share_host_.error = EROFS;
  QTest::keyClick(w.mg(0), Qt::Key_Delete);
  share_host_.error = 0;
  ASSERT_EQ(host_.messages.size(), 1u);
  const std::string& message = host_.messages[0].text;
  EXPECT_NE(message.find("Job 7 could not be marked as unassigned"), std::string::npos) << message;
  EXPECT_NE(message.find("Read-only file system"), std::string::npos) << message;
  EXPECT_EQ(board.Mg(0).Rows(), 1);
  EXPECT_EQ(board.g.Rows(), 0);
  EXPECT_EQ(Saved(), "list 7 | mark 3");
  // The share is back: the same key sends it back.
  QTest::keyClick(w.mg(0), Qt::Key_Delete);
  EXPECT_EQ(board.Mg(0).Rows(), 0);
  EXPECT_EQ(board.g.Rows(), 1);
  EXPECT_EQ(Saved(), "list 7 | mark 0") << "the list file waits for Update";
}

// A share that stops answering: once held, the next rename or read waits until the test releases
// it.
class SilentShare : public HostWrapper {
 public:
  explicit SilentShare(Host& target) : HostWrapper(target) {}
  HostResult<std::unique_ptr<HostFile>> OpenShared(std::string_view path, bool create) override;
  HostStatus RenameFile(std::string_view from, std::string_view to) override {
    Silence();
    return HostWrapper::RenameFile(from, to);
  }
  void Silence() { gate_.Pass(); }
  void Hold() { gate_.Close(); }
  void Release() { gate_.Open(); }

 private:
  testing::CallGate gate_;
};

class SilentFile : public HostFileWrapper {
 public:
  SilentFile(SilentShare& share, std::unique_ptr<HostFile> file) : HostFileWrapper(std::move(file)), share_(share) {}
  HostResult<int64_t> ReadAt(int64_t offset, char* buffer, size_t n) override {
    share_.Silence();
    return HostFileWrapper::ReadAt(offset, buffer, n);
  }

 private:
  SilentShare& share_;
};

HostResult<std::unique_ptr<HostFile>> SilentShare::OpenShared(std::string_view path, bool create) {
  auto file = HostWrapper::OpenShared(path, create);
  if (!file.ok()) return file;
  return std::unique_ptr<HostFile>(std::make_unique<SilentFile>(*this, std::move(file).value()));
}

// The board as the program runs it: through a WaitingHost, over a share that can fall silent.
class SilentShareTest : public ShareFailuresTest {
 protected:
  // The window and the engine go before the hosts they read through.
  ~SilentShareTest() override {
    window_.reset();
    ResetSharedInstances();
  }

  // What the window showed while the share was silent during `action`.
  struct Seen {
    int turns = 0;  // of a timer on the window's thread, while the action waited
    QString status;
    bool busy_cursor = false;
  };
  // Holds the share, runs `action`, and once the status line says the server is not answering
  // runs `meanwhile` and lets the server answer.
  Seen WhileSilent(MainWindow& w, const std::function<void()>& action, const std::function<void()>& meanwhile = {}) {
    Seen seen;
    QTimer look;
    QObject::connect(&look, &QTimer::timeout, [&] {
      ++seen.turns;
      if (!w.StatusLine()->text().startsWith("Waiting for the server") && seen.turns < 400) return;
      seen.status = w.StatusLine()->text();
      seen.busy_cursor =
          QApplication::overrideCursor() != nullptr && QApplication::overrideCursor()->shape() == Qt::WaitCursor;
      if (meanwhile) meanwhile();
      look.stop();
      silent_.Release();
    });
    silent_.Hold();
    look.start(50);
    action();
    return seen;
  }

  SilentShare silent_{share_host_};
  WaitingHost waiting_{silent_};
  ScopedHost through_it_{waiting_};
};

// An Update that meets a silent share keeps the window drawing, shows a busy cursor and says how
// long the server has not answered; a close asked for meanwhile comes once the save is done; the
// save itself is whole.
TEST_F(SilentShareTest, WhileUpdateWaitsTheWindowGoesOnAndACloseComesOnceSaved) {
  MainWindow& w = Open();
  w.form().board().g.Select(0, 0);
  ASSERT_TRUE(w.form().moves().MoveToMechanic(kUnassigned, 0));
  bool open_while_waiting = false;
  const Seen seen = WhileSilent(w, [&] { QTest::mouseClick(w.btnUpdate(), Qt::LeftButton); }, [&] {
    w.close();
    open_while_waiting = w.isVisible();
  });
  EXPECT_GT(seen.turns, 10) << "the window's thread ran its timers while the save waited";
  EXPECT_TRUE(seen.status.startsWith("Waiting for the server: no answer for ")) << seen.status.toStdString();
  EXPECT_TRUE(seen.busy_cursor);
  EXPECT_TRUE(open_while_waiting) << "the close waited for the save";
  EXPECT_TRUE(QTest::qWaitFor([&] { return !w.isVisible(); }, 5000)) << "the close came once the save was done";
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(Saved(), "list 7 | mark 3");
  EXPECT_TRUE(host_.messages.empty());
}

// Opening a job's card reads its records: while the share is silent the window goes on, and the
// card opens once the server answers.
TEST_F(SilentShareTest, AJobCardWaitsForTheServerWhileTheWindowGoesOn) {
  MainWindow& w = Open();
  w.g()->setFocus();
  w.form().board().g.Select(0, 0);
  QString card;
  QTimer closer;
  QObject::connect(&closer, &QTimer::timeout, [&] {
    if (QWidget* modal = QApplication::activeModalWidget()) {
      card = modal->windowTitle();
      QTest::keyClick(modal, Qt::Key_Escape);
    }
  });
  closer.start(50);
  const Seen seen = WhileSilent(w, [&] { QTest::keyClick(w.g(), Qt::Key_Return); });
  EXPECT_GT(seen.turns, 10);
  EXPECT_TRUE(seen.status.startsWith("Waiting for the server: no answer for ")) << seen.status.toStdString();
  EXPECT_EQ(card, "Job: 7     Reference: 42");
  EXPECT_FALSE(w.StatusLine()->text().startsWith("Waiting")) << "the wait is over: " << w.StatusLine()->text().toStdString();
  EXPECT_TRUE(host_.messages.empty());
}

// Resting the pointer on a job reads its records for the tip: while the share is silent the
// window goes on and says so, and the tip shows once the server answers.
TEST_F(SilentShareTest, AJobTipWaitsForTheServerWhileTheWindowGoesOn) {
  MainWindow& w = Open();
  GridView* grid = w.g();
  const QPoint row = grid->visualRect(grid->model()->index(0, 1)).center();
  const Seen seen = WhileSilent(w, [&] {
    QHelpEvent rest(QEvent::ToolTip, row, grid->viewport()->mapToGlobal(row));
    QApplication::sendEvent(grid->viewport(), &rest);
  });
  EXPECT_GT(seen.turns, 10) << "the window's thread ran its timers while the tip waited";
  EXPECT_TRUE(seen.status.startsWith("Waiting for the server: no answer for ")) << seen.status.toStdString();
  EXPECT_TRUE(seen.busy_cursor);
  const QString tip = QToolTip::text();
  EXPECT_TRUE(tip.contains("Job 7") && tip.contains("Reference 42")) << tip.toStdString();
  EXPECT_FALSE(w.StatusLine()->text().startsWith("Waiting")) << "the wait is over: " << w.StatusLine()->text().toStdString();
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_TRUE(host_.messages.empty());
}

// Start-up reads the share before the board's window exists: a server that does not answer is
// told in a small window within a second or two, naming the server and how long it has been
// silent, with a Quit that works while the call still waits; the board loads once it answers.
TEST_F(SilentShareTest, AStartUpThatMeetsASilentServerShowsAWindowThatSaysSoWithQuit) {
  WriteCompany();
  int quits = 0;
  QString said;
  QTimer look;
  QObject::connect(&look, &QTimer::timeout, [&] {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      if (widget->objectName() != "StartUpWait" || !widget->isVisible()) continue;
      said = widget->findChild<QLabel*>("StartUpWaitText")->text();
      widget->findChild<QPushButton*>("StartUpQuit")->click();
      look.stop();
      silent_.Release();
    }
  });
  silent_.Hold();
  look.start(50);
  EXPECT_TRUE(LoadTellingTheWait(form_, &waiting_, [&] { ++quits; }));
  EXPECT_EQ(quits, 1) << "Quit was not taken while the server was silent";
  EXPECT_TRUE(said.startsWith("Reading the board from \\\\SRV\\VLTRLNK: no answer for ")) << said.toStdString();
  EXPECT_EQ(form_.board().g.Rows(), 1) << "the board loaded once the server answered";
}

}  // namespace
}  // namespace tervalo
