#include "board/notices.h"

namespace tervalo {

std::string Notice::MessageText() const {
  std::string text = heading;
  for (const NoticeItem& item : items) text += "\n    " + item.text;
  if (!closing.empty()) text += "\n\n" + closing;
  return text;
}

std::string Notice::BarText() const {
  std::string text = bar_heading;
  for (size_t i = 0; i < items.size(); ++i) text += (i == 0 ? " " : ", ") + items[i].text;
  return text;
}

std::vector<NoticeItem> NoticeMemory::NewItems(const std::string& kind, const std::vector<NoticeItem>& items) {
  const std::string prefix = kind + ":";
  std::set<std::string> current;
  for (const NoticeItem& item : items) {
    if (!item.key.empty()) current.insert(item.key);
  }
  for (auto it = told_.begin(); it != told_.end();) {
    it = it->rfind(prefix, 0) == 0 && current.count(*it) == 0 ? told_.erase(it) : std::next(it);
  }
  std::vector<NoticeItem> fresh;
  for (const NoticeItem& item : items) {
    if (item.key.empty() || told_.insert(item.key).second) fresh.push_back(item);
  }
  return fresh;
}

}  // namespace tervalo
