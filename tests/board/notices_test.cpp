// Notices kept for the window's bar: lasting conditions told once per workstation, events every
// time, and the message boxes of a board without a window unchanged.

#include "board/notices.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "environment/shared_instances.h"
#include "tests/support/board_company.h"
#include "tests/support/fault_host.h"

namespace tervalo {
namespace {

std::vector<std::string> ItemTexts(const std::vector<NoticeItem>& items) {
  std::vector<std::string> texts;
  for (const NoticeItem& item : items) texts.push_back(item.text);
  return texts;
}

TEST(NoticeMemoryTest, TellsWhatIsNewAndForgetsWhatEnded) {
  NoticeMemory memory({"job:Job 1: A", "list:3"});
  struct Step {
    std::string kind;
    std::vector<NoticeItem> items;
    std::vector<std::string> told_now;
    std::set<std::string> remembered;
  };
  const Step steps[] = {
      // Job 1 was told before; job 2 is new.
      {"job", {{"job:Job 1: A", "Job 1: A"}, {"job:Job 2: B", "Job 2: B"}}, {"Job 2: B"},
       {"job:Job 1: A", "job:Job 2: B", "list:3"}},
      // Looked again: nothing new.
      {"job", {{"job:Job 1: A", "Job 1: A"}, {"job:Job 2: B", "Job 2: B"}}, {}, {"job:Job 1: A", "job:Job 2: B", "list:3"}},
      // Job 1 is no longer put back: forgotten; a look of another kind leaves the jobs alone.
      {"job", {{"job:Job 2: B", "Job 2: B"}}, {}, {"job:Job 2: B", "list:3"}},
      {"list", {}, {}, {"job:Job 2: B"}},
      // Job 1 comes back: told again. Events (no key) are told every time.
      {"job", {{"job:Job 1: A", "Job 1: A"}, {"job:Job 2: B", "Job 2: B"}}, {"Job 1: A"}, {"job:Job 1: A", "job:Job 2: B"}},
      {"", {{"", "DAVE RUIZ"}}, {"DAVE RUIZ"}, {"job:Job 1: A", "job:Job 2: B"}},
      {"", {{"", "DAVE RUIZ"}}, {"DAVE RUIZ"}, {"job:Job 1: A", "job:Job 2: B"}},
  };
  for (size_t i = 0; i < std::size(steps); ++i) {
    const Step& s = steps[i];
    EXPECT_EQ(ItemTexts(memory.NewItems(s.kind, s.items)), s.told_now) << "step " << i;
    EXPECT_EQ(memory.told(), s.remembered) << "step " << i;
  }
}

TEST(NoticeTest, AMessageHasALineAnItemAndTheBarOneLine) {
  const Notice notice{"Heading:", {{"", "ONE"}, {"k", "TWO"}}, "Closing.", MessageIcon::kInformation, "Short:"};
  EXPECT_EQ(notice.MessageText(), "Heading:\n    ONE\n    TWO\n\nClosing.");
  EXPECT_EQ(notice.BarText(), "Short: ONE, TWO");
}

class BoardNoticesTest : public testing::BoardCompanyTest {
 protected:
  // A new start-up of the board on the same share, with what this workstation told before.
  std::vector<Notice> StartUp(const std::set<std::string>& told, std::set<std::string>* told_after = nullptr) {
    frmTervalo form;
    form.KeepNotices(told);
    EXPECT_TRUE(form.Form_Load());
    std::vector<Notice> notices = form.TakeNotices();
    if (told_after != nullptr) *told_after = form.ToldNotices();
    ResetSharedInstances();
    return notices;
  }
};

TEST_F(BoardNoticesTest, AJobForAMechanicNotOnTheBoardIsToldOncePerWorkstation) {
  // Job 7 is marked for mechanic 5, who is not on the board.
  company_.AddJob({7, {testing::Scheduled(testing::Job(42), 5)}});
  Build();
  std::set<std::string> told;
  const std::vector<Notice> first = StartUp({}, &told);
  ASSERT_EQ(first.size(), 1u);
  EXPECT_EQ(ItemTexts(first[0].items), std::vector<std::string>{"Job 7: Unassigned Jobs"});
  EXPECT_EQ(first[0].BarText(), "Jobs marked for a mechanic but on no list, put back: Job 7: Unassigned Jobs");
  EXPECT_TRUE(host_.messages.empty()) << "no message box";
  EXPECT_TRUE(StartUp(told).empty()) << "the next start-up of this workstation says nothing";
  EXPECT_EQ(StartUp({}).size(), 1u) << "another workstation is told";

  // Within one run a Refresh says nothing new either.
  frmTervalo form;
  form.KeepNotices(told);
  ASSERT_TRUE(form.Form_Load());
  form.btnRefresh_Click();
  EXPECT_TRUE(form.TakeNotices().empty());
  EXPECT_TRUE(host_.messages.empty());
}

TEST_F(BoardNoticesTest, AnUnreadableListIsToldOnceAndAgainAfterItWasReadable) {
  company_.AddJob({7, {testing::Scheduled(testing::Job(42), 3)}});
  Build();
  company_.WriteSchedule(3, {ScheduleLine(testing::Scheduled(testing::Job(42), 3), 7)});
  testing::FaultHost faults(host_);
  faults.unreadable = "SCHEDULE.3";
  ScopedHost scoped(faults);
  frmTervalo form;
  form.KeepNotices({});
  ASSERT_TRUE(form.Form_Load());
  std::vector<Notice> notices = form.TakeNotices();
  ASSERT_EQ(notices.size(), 1u);
  ASSERT_EQ(notices[0].items.size(), 1u);
  EXPECT_EQ(notices[0].items[0].text.rfind("DAVE RUIZ: ", 0), 0u) << notices[0].items[0].text;
  EXPECT_EQ(notices[0].icon, MessageIcon::kExclamation);
  form.btnRefresh_Click();
  EXPECT_TRUE(form.TakeNotices().empty()) << "still unreadable: told already";
  faults.unreadable.clear();
  form.btnRefresh_Click();
  EXPECT_TRUE(form.TakeNotices().empty());
  EXPECT_EQ(form.board().Mg(0).Rows(), 1);
  faults.unreadable = "SCHEDULE.3";
  // Another workstation's list cannot be read after a new start-up.
  frmTervalo again;
  again.KeepNotices(form.ToldNotices());
  ASSERT_TRUE(again.Form_Load());
  EXPECT_EQ(again.TakeNotices().size(), 1u) << "unreadable again after it was read: told again";
  EXPECT_TRUE(host_.messages.empty());
}

TEST_F(BoardNoticesTest, WithoutTheWindowsBarEachNoticeIsAMessageBoxAsBefore) {
  company_.AddJob({7, {testing::Scheduled(testing::Job(42), 5)}});
  Load();
  ASSERT_EQ(host_.messages.size(), 1u);
  EXPECT_EQ(host_.messages[0].title, "Tervalo");
  EXPECT_EQ(host_.messages[0].text,
            "These jobs were marked for a mechanic but were on no list, so no workstation showed them. They have been "
            "put back:\n    Job 7: Unassigned Jobs");
  EXPECT_TRUE(form_.TakeNotices().empty());
}

}  // namespace
}  // namespace tervalo
