#pragma once
// The question Update asks when another workstation changed what this board changed too: jobs
// this board moved that the other gave to another mechanic meanwhile, and lists saved on both
// sides, each with the jobs that differ.

#include <QWidget>

#include <optional>
#include <string>
#include <vector>

#include "board/update_conflicts.h"

namespace tervalo {

// One answer per job (keep it where the other workstation put it unless the user moves it here)
// and per list (keep both sides' changes unless the user picks one side); nothing when the user
// cancelled. Without question.can_cancel (closing) there is no Cancel. `mechanics`: the names of
// the mechanic grids, by number.
std::optional<UpdateAnswer> AskHowToSettle(QWidget* parent, const UpdateQuestion& question,
                                           const std::vector<std::string>& mechanics);

}  // namespace tervalo
