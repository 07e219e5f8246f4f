// The status line after Update and Refresh: the time, and which lists were not saved.

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "board/frm_tervalo.h"

namespace tervalo {
namespace {

using namespace std::chrono_literals;

TEST(SaveStatusTest, SaysWhenItSavedOrWhatItCouldNot) {
  UpdateResult saved;
  UpdateResult cancelled;
  cancelled.cancelled = true;
  UpdateResult two_lists;
  two_lists.failures = {{"DAVE RUIZ", "No space left on device"},
                        {"ANNA KOWALSKI", "Permission denied"},
                        {"DAVE RUIZ", "Permission denied"}};
  UpdateResult whole;
  whole.failures = {{"", "Input/output error"}};
  struct Case {
    const UpdateResult& result;
    std::chrono::seconds time;
    bool refresh;
    std::string status;
  };
  const Case cases[] = {
      {saved, 14h + 32min + 59s, false, "Saved 14:32"},
      {saved, 0s, false, "Saved 00:00"},
      {saved, 9h + 5min, true, "Saved 09:05"},
      {cancelled, 23h + 59min, false, "Update cancelled at 23:59: nothing was saved"},
      {cancelled, 8h, true, "Refresh cancelled at 08:00: nothing was saved"},
      {two_lists, 14h + 32min, false, "Not saved at 14:32: DAVE RUIZ, ANNA KOWALSKI"},
      {two_lists, 14h + 32min, true, "Not saved at 14:32: DAVE RUIZ, ANNA KOWALSKI (the board was not reloaded)"},
      {whole, 7h + 1min, false, "Not saved at 07:01: Input/output error"},
  };
  for (const Case& c : cases) EXPECT_EQ(SaveStatus(c.result, c.time, c.refresh), c.status);
}

}  // namespace
}  // namespace tervalo
