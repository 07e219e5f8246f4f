// Job texts, statuses and what the board reads back out of a job text.

#include <gtest/gtest.h>

#include "board/job_record.h"
#include "board/job_text.h"
#include "engine/business_basic.h"
#include "engine/system.h"
#include "host/host.h"

namespace tervalo {
namespace {

class JobTextTest : public ::testing::Test {
 protected:
  JobTextTest() : engine_(system_, CurrentHost()) {
    settings_.names_block.assign(512, ' ');
    const char* priorities[] = {"Normal", "Rush", "Warranty", "Waiting", "Fifth", "Six", "Seven", "Eighth"};
    for (int p = 0; p < 8; ++p) settings_.names_block.replace(299 + 15 * p, 10, std::string(priorities[p]) + std::string(10 - std::string(priorities[p]).size(), ' '));
    const char* subs[] = {"Diagnosing", "Parts Order", "On Bench", "Testing", "Callback"};
    for (int d = 0; d < 5; ++d) settings_.names_block.replace(420 + 15 * d, 11, std::string(subs[d]) + std::string(11 - std::string(subs[d]).size(), ' '));
  }

  cSystem system_;  // no server: the engine is used for its codec only
  cBusinessBasic engine_;
  BoardSettings settings_;
};

TEST_F(JobTextTest, StatusTexts) {
  struct Case {
    char status;
    const char* text;
  } cases[] = {
      {'O', "Open"},     {'3', "Open - On Bench   "}, {'1', "Open - Diagnosing "},
      {'C', "Complete"}, {'B', "Billed"},            {' ', "Initial"},
      {'6', "Initial"},  {'o', "Initial"},
  };
  for (const auto& c : cases) EXPECT_EQ(StatusText(c.status, settings_), c.text) << c.status;
}

TEST_F(JobTextTest, JobTextLinesOfAJobAndAQuote) {
  JobRecord job;
  job.reference = 42;
  job.job_number = 7;
  job.date_in = 11689;  // 2000-01-01
  job.priority = 2;
  job.status = 'O';
  EXPECT_EQ(JobText(engine_, job, false, "RIDING MOWER", "BLADE SPINDLE", settings_),
            "Ref: 42         Job:    7\n01/01/00 - Rush      \nOpen\nRIDING MOWER\nBLADE SPINDLE");
  job.reference = 1234567;
  job.job_number = 4321;
  job.date_in = 21000;  // 2025-06-29
  EXPECT_EQ(JobText(engine_, job, true, "", "", settings_).substr(0, 34),
            "Ref: 1234567  Quote: 4321\n06/29/25");
}

TEST_F(JobTextTest, ReadsJobReferenceAndRequestNumbersBackOutOfTheText) {
  struct Case {
    const char* text;
    RowJob job;
  } cases[] = {
      {"Ref: 42         Job:    7\n01/01/00 - Rush\nOpen\na\nb", {7, 42, 0, false}},
      {"Ref: 1234567  Quote: 4321\nx\nBilled\na\nb", {4321, 1234567, 0, true}},
      {"Ref: 9          Job: 10042\nx\nComplete\na\nb", {10042, 9, 0, true}},
      {"Ref: 9          Job:     \nx\nOpen - Complete later", {0, 9, 0, true}},
      {"no line feed at all", {0, 0, 0, false}},
      {"Ref: 5          Job:   12\nx\ncomplete", {12, 5, 0, false}},
      {"Ref: 42         Job:    7\nx\nOpen\na\nb\nReq 12 ", {7, 42, 12, false}},
      {"Ref: 42         Job:    7\nx\nOpen\na\nb\nReq 3\nmore", {7, 42, 3, false}},
      {"", {0, 0, 0, false}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(GetJobNumber(c.text), c.job.job_number) << c.text;
    EXPECT_EQ(ReferenceNumberOf(c.text), c.job.reference) << c.text;
    EXPECT_EQ(RequestNumberOf(c.text), c.job.request) << c.text;
    EXPECT_EQ(IsFinished(c.text), c.job.finished) << c.text;
    EXPECT_EQ(RowJobOf(c.text), c.job) << c.text;
  }
}

// A text is a job text only as the board makes it: a schedule file's other lines (damaged bytes,
// another program's text) and other programs' drops are kept out of the grids.
TEST_F(JobTextTest, TellsJobTextsFromOtherText) {
  JobRecord job;
  job.reference = 42;
  job.job_number = 7;
  job.date_in = 11689;
  job.priority = 2;
  job.status = 'O';
  const std::string made = JobText(engine_, job, false, "RIDING MOWER", "BLADE SPINDLE", settings_);
  struct Case {
    const char* what;
    std::string text;
    bool job;
  } cases[] = {
      {"as the board makes it", made, true},
      {"with a tall row's request label", made + "\nReq 2  waiting for parts", true},
      {"a quote", JobText(engine_, job, true, "", "", settings_), true},
      {"letters of the shop's code page", "Ref: 42         Job:    7\nx\nOpen\nCaf\xE9 \xFF\nb", true},
      {"four lines", "Ref: 42         Job:    7\nx\nOpen\na", false},
      {"seven lines", made + "\nReq 2\nmore", false},
      {"no job number", "Ref: 42         Job:     \nx\nOpen\na\nb", false},
      {"job number 0", "Ref: 42         Job:    0\nx\nOpen\na\nb", false},
      {"a NUL byte", "Ref: 42         Job:    7\nx\nOpen\na" + std::string(1, '\0') + "\nb", false},
      {"a carriage return", "Ref: 42         Job:    7\nx\nOpen\na\rb\nc", false},
      {"a tab", "Ref: 42         Job:    7\nx\nOpen\na\tb\nc", false},
      {"an escape", "Ref: 42         Job:    7\nx\nOpen\na\x1B[2J\nb", false},
      {"a delete", "Ref: 42         Job:    7\nx\nOpen\na\x7F\nb", false},
      {"empty", "", false},
  };
  for (const Case& c : cases) EXPECT_EQ(IsJobText(c.text), c.job) << c.what;
}

}  // namespace
}  // namespace tervalo
