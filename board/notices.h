#pragma once
// What start-up, Refresh and Update find that the user should know without being asked anything:
// lists put in place after a save that was cut short, lists that could not be read, jobs put back
// on the board. The window shows them in a bar above the grids; a workstation tells a lasting
// condition (a list it cannot read, a job it put back) once, not at every start-up and Refresh.

#include <set>
#include <string>
#include <vector>

#include "host/host.h"

namespace tervalo {

// One thing a notice names: a mechanic's list, a job.
struct NoticeItem {
  // What the item is about, the same at every start-up while the condition lasts ("job:Job 12:
  // Unassigned Jobs"); empty for an event, which is told whenever it happens.
  std::string key;
  std::string text;
};

struct Notice {
  std::string heading;  // the sentence before the items
  std::vector<NoticeItem> items;
  std::string closing;  // a sentence after the items; may be empty
  MessageIcon icon = MessageIcon::kInformation;
  // The few words before the items on the bar's one line, where the items must stay in sight.
  std::string bar_heading;

  // As a message box says it: the heading, one item to a line, then the closing.
  std::string MessageText() const;
  // As one line of the bar says it: the bar's heading, then the items joined by commas.
  std::string BarText() const;
};

// The keys a workstation has told, and which items of a look are new to it.
class NoticeMemory {
 public:
  NoticeMemory() = default;
  explicit NoticeMemory(std::set<std::string> told) : told_(std::move(told)) {}

  // The items of `notice` not told before; every item of a look of kind `kind` (the key's text
  // before its first ':') that the look no longer finds is forgotten, so that a condition that
  // ends and comes back is told again. Items without a key are always new. Remembers the rest.
  std::vector<NoticeItem> NewItems(const std::string& kind, const std::vector<NoticeItem>& items);

  const std::set<std::string>& told() const { return told_; }

 private:
  std::set<std::string> told_;
};

}  // namespace tervalo
