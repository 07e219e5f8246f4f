#pragma once
// The question Update asks when another workstation saved lists that were changed here too: for
// each mechanic, keep this board's list or take the other one.

#include <QWidget>

#include <optional>
#include <string>
#include <vector>

namespace tervalo {

// For each mechanic, whether to keep this board's list (the default is to take theirs); nothing
// when the user cancelled. Without can_cancel (closing) there is no Cancel.
std::optional<std::vector<bool>> AskWhichListsToKeep(QWidget* parent, const std::vector<std::string>& mechanics,
                                                     bool can_cancel);

}  // namespace tervalo
