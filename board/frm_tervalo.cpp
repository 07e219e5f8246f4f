#include "board/frm_tervalo.h"

#include <algorithm>
#include <utility>

#include "board/double_jobs.h"
#include "board/grid_refresh.h"
#include "board/job_loading.h"
#include "board/job_record.h"
#include "board/list_repair.h"
#include "board/orphan_jobs.h"
#include "board/path_hint.h"
#include "board/owned_bytes.h"
#include "board/schedule_files.h"
#include "engine/business_basic.h"
#include "engine/read_scope.h"
#include "engine/system.h"
#include "environment/catalog_config.h"
#include "environment/shared_instances.h"
#include "host/host.h"

#ifndef TERVALO_VERSION_MAJOR
#define TERVALO_VERSION_MAJOR 0
#define TERVALO_VERSION_MINOR 0
#define TERVALO_VERSION_REVISION 0
#endif

namespace tervalo {

std::string frmTervalo::Caption() {
  return "Quorlin     Rev: " + std::to_string(TERVALO_VERSION_MAJOR) + "." +
         std::to_string(TERVALO_VERSION_MINOR) + "." + std::to_string(TERVALO_VERSION_REVISION);
}

cBusinessBasic& frmTervalo::Engine() const {
  if (!gEngine) {
    if (const auto& failure = EngineStartupFailure()) throw *failure;
    throw EngineError(kErrObjectNotSet, "LoadCatalogConfig", "The data engine did not start.");
  }
  if (!gEngine->HasTables()) {
    throw EngineError(kErrObjectNotSet, "vltDataEngine_Initialization",
                      "The system's link share " + gSystem->LinkShareRoot() + " cannot be reached.");
  }
  return *gEngine;
}

bool frmTervalo::Form_Load() {
  const std::string configuration = configuration_file_.empty()
                                        ? GetLongPathForm(GetTempDirectory()) + kCatalogFileName
                                        : configuration_file_;
  // A missing configuration is told here, with the path looked at and what writes the file.
  Host& host = CurrentHost();
  if (!host.FileExists(configuration)) {
    host.ShowMessage({MissingConfigurationMessage(configuration), "Tervalo", MessageIcon::kCritical});
    return false;
  }
  LoadCatalogConfigFrom(configuration);
  if (!gEngine && !EngineStartupFailure()) return false;  // the file went meanwhile: reported
  cBusinessBasic& engine = Engine();
  const ReadScope scope(engine);
  board_.mechanics = LoadMechanics(engine);
  ReadBoardSettings(engine, board_.settings);
  if (board_.settings.TallRows) {
    board_.g.SetRowHeightMin(kTallRowHeight);
    board_.Mg(0).SetRowHeightMin(kTallRowHeight);
  }
  board_.gSort.SetRows(0);
  for (const SortField& field : kSortFields) board_.gSort.AddItem(field.name);
  CreateMechanicGrids();
  board_.g.SetRows(0);
  RefreshBoard();
  ApplyDisplayRule(board_);
  return true;
}

void frmTervalo::CreateMechanicGrids() {
  board_.Mg(0).SetRows(0);
  for (int i = 1; i <= board_.mechanics.MechanicCount; ++i) {
    const int n = i - 1;
    if (n > 0) {
      auto grid = MakeMechanicGrid();
      grid->SetRowHeightMin(board_.Mg(0).RowHeightMin());
      board_.mg.push_back(std::move(grid));
      board_.mechanic_labels.emplace_back();
      board_.schedules.emplace_back();
    }
    board_.mechanic_labels[static_cast<size_t>(n)] = board_.mechanics.MechanicName[static_cast<size_t>(n)];
  }
  const std::string folder = DataFolderPath(*gEpcInfo);
  const bool folder_there = Engine().host().DirectoryExists(folder);
  if (folder_there) RepairLists();
  for (int n = 0; n < board_.mechanics.MechanicCount; ++n) {
    ScheduleState& state = board_.schedules[static_cast<size_t>(n)];
    state = ScheduleState{};
    if (!folder_there) {
      state = {false, "the data folder " + folder + " cannot be reached", std::nullopt, std::nullopt};
    } else {
      LoadList(n);
    }
    board_.Mg(n).SetRedraw(true);
  }
  ReportListsNotLoaded();
}

void frmTervalo::RepairLists() {
  std::vector<std::string> names;
  for (int number : RepairScheduleFolder(Engine().host(), DataFolderPath(*gEpcInfo))) {
    const int n = board_.mechanics.IndexOf(number);
    if (n >= 0) names.push_back(board_.mechanics.MechanicName[static_cast<size_t>(n)]);
  }
  ReportListsPutInPlace(names);
}

void frmTervalo::TellEvents(std::string heading, std::string bar_heading, const std::vector<std::string>& items) {
  if (items.empty()) return;
  Notice notice;
  notice.heading = std::move(heading);
  notice.bar_heading = std::move(bar_heading);
  for (const std::string& item : items) notice.items.push_back({"", item});
  Tell("", std::move(notice));
}

void frmTervalo::ReportListsPutInPlace(const std::vector<std::string>& names) {
  TellEvents("A save on this or another workstation was cut short before these mechanics' lists were in "
             "place. Their saved lists have been put in place:",
             "Lists put in place after a save was cut short:", names);
}

void frmTervalo::KeepNotices(std::set<std::string> told) {
  keep_notices_ = true;
  notice_memory_ = NoticeMemory(std::move(told));
}

std::vector<Notice> frmTervalo::TakeNotices() { return std::exchange(notices_, {}); }

void frmTervalo::Tell(const std::string& kind, Notice notice) {
  if (!keep_notices_) {
    if (!notice.items.empty()) Engine().host().ShowMessage({notice.MessageText(), "Tervalo", notice.icon});
    return;
  }
  notice.items = notice_memory_.NewItems(kind, notice.items);
  if (!notice.items.empty()) notices_.push_back(std::move(notice));
}

void frmTervalo::LoadList(int n) {
  const std::string path = SchedulePath(*gEpcInfo, board_.mechanics.MechanicNumber[static_cast<size_t>(n)]);
  // A list that was not loaded may show rows still: the jobs of a file that held other lines too.
  board_.Mg(n).SetRows(0);
  board_.schedules[static_cast<size_t>(n)] = LoadSchedule(Engine().host(), board_.Mg(n), path);
  // Filling suspends the grid's painting; the list shows its rows once read, at start-up as at a
  // Refresh that reads a list again.
  board_.Mg(n).SetRedraw(true);
}

void frmTervalo::ReportListsNotLoaded() {
  Notice notice;
  notice.heading = "These mechanics' lists could not be read:";
  notice.closing = "They are shown empty and this workstation will not change them. Refresh tries to read them again.";
  notice.icon = MessageIcon::kExclamation;
  notice.bar_heading = "Lists that could not be read (shown empty and not saved here; Refresh reads them again):";
  // A file that holds lines that are not jobs is told apart: its jobs are shown (see LoadSchedule).
  Notice foreign;
  foreign.heading = "These mechanics' lists hold lines that are not jobs (damaged, or written by another program):";
  foreign.closing = "Their jobs are shown, but this workstation will not change these lists, so that nothing in "
                    "them is lost. Once the files are repaired, Refresh reads them again.";
  foreign.icon = MessageIcon::kExclamation;
  foreign.bar_heading = "Lists with lines that are not jobs (their jobs shown, not saved here):";
  for (int n = 0; n < board_.mechanics.MechanicCount; ++n) {
    const ScheduleState& state = board_.schedules[static_cast<size_t>(n)];
    if (state.loaded) continue;
    const auto i = static_cast<size_t>(n);
    const std::string number = std::to_string(board_.mechanics.MechanicNumber[i]);
    const std::string item = board_.mechanics.MechanicName[i] + ": " + state.problem;
    if (state.foreign_lines) {
      foreign.items.push_back({"foreign:" + number, item});
    } else {
      notice.items.push_back({"list:" + number, item});
    }
  }
  Tell("list", std::move(notice));
  Tell("foreign", std::move(foreign));
}

void frmTervalo::ReportDroppedRows(const std::vector<DroppedRow>& rows, bool lasting) {
  Notice notice;
  notice.heading = "These jobs were on mechanics' lists but are no longer scheduled there, so they were taken off:";
  notice.bar_heading = "Jobs taken off lists:";
  for (const DroppedRow& row : rows) {
    const int number = board_.mechanics.MechanicNumber[static_cast<size_t>(row.grid)];
    const std::string job = std::to_string(row.job_number);
    notice.items.push_back({lasting ? "gone:" + std::to_string(number) + ":" + job : "",
                            "Job " + job + " from " + board_.mechanics.MechanicName[static_cast<size_t>(row.grid)] +
                                " (" + row.reason + ")"});
  }
  Tell(lasting ? "gone" : "", std::move(notice));
}

const MechanicLayout& frmTervalo::Form_Resize(int width) {
  layout_ = ArrangeMechanicGrids(ApplyMinimumWidth(width), board_.mechanics.MechanicCount);
  return layout_;
}

void frmTervalo::RefreshBoard() {
  cBusinessBasic& engine = Engine();
  // Undo steps hold grid contents from before the reload.
  moves_.ClearHistory();
  const ReadScope scope(engine);
  JobRecordReader reader(engine);
  const JobIndex index = JobIndex::Load(engine);
  board_.job_index_bytes = index.Bytes();
  board_.job_index_path = index.Path();
  std::vector<ScheduledJob> scheduled;
  // The mechanic grids' jobs are checked after the unassigned grid is built: their records stay.
  reader.Keep(MechanicJobRecords(board_, index), board_.settings.TallRows);
  board_.g.SetRedraw(false);
  GetJobs(board_, reader, index, &scheduled);
  if (board_.g.Rows() > 0) board_.g.SortColumn0Ascending();
  board_.g.SetRedraw(true);
  // A row dropped here is told once per workstation: a list this board does not save keeps the
  // row in its file, and the row would be dropped again at every Refresh.
  ReportDroppedRows(UpdateGrids(board_, reader, index), true);
  ReportDoubleJobs(RepairDoubleJobs(board_, reader, index));
  Notice put_back;
  put_back.heading = "These jobs were marked for a mechanic but were on no list, so no workstation showed them. "
                     "They have been put back:";
  put_back.bar_heading = "Jobs marked for a mechanic but on no list, put back:";
  for (const std::string& line : PutBackOrphanJobs(board_, reader, scheduled)) {
    put_back.items.push_back({"job:" + line, line});
  }
  Tell("job", std::move(put_back));
}

void frmTervalo::ReportDoubleJobs(const std::vector<std::string>& lines) {
  TellEvents("These jobs were on more than one list. Each stays on one list (the one its invoice record names, "
             "else the first), and the other lists are saved without it at the next Update:",
             "Jobs that were on two lists, kept on one:", lines);
}

SheetPageSetup frmTervalo::PrintList(int mechanic, int columns) {
  cBusinessBasic& engine = Engine();
  return tervalo::PrintList(board_, engine, mechanic, columns, engine.Now().day);
}

UpdateResult frmTervalo::Save(bool closing) {
  ConflictResolver resolve;
  if (conflict_question_) {
    resolve = [this, closing](const UpdateQuestion& question) {
      UpdateQuestion asked = question;
      asked.can_cancel = !closing;
      return conflict_question_(asked);
    };
  }
  return UpdateSchedules(Engine(), *gEpcInfo, board_, resolve);
}

std::string SaveStatus(const UpdateResult& result, std::chrono::seconds time_of_day, bool refresh) {
  const auto minutes = std::chrono::duration_cast<std::chrono::minutes>(time_of_day).count();
  const std::string hh = std::to_string(minutes / 60 % 24 + 100).substr(1);
  const std::string mm = std::to_string(minutes % 60 + 100).substr(1);
  const std::string time = hh + ":" + mm;
  if (result.cancelled) return (refresh ? "Refresh" : "Update") + std::string(" cancelled at ") + time + ": nothing was saved";
  // What was settled with another workstation's changes is never left unsaid.
  std::string settled;
  for (const std::string& line : result.settled) settled += "; " + line;
  if (result.Saved()) return "Saved " + time + settled;
  std::vector<std::string> named;  // a list is named once however often it failed
  std::string what;
  for (const SaveFailure& failure : result.failures) {
    const std::string& item = failure.mechanic.empty() ? failure.reason : failure.mechanic;
    if (std::find(named.begin(), named.end(), item) != named.end()) continue;
    named.push_back(item);
    what += (what.empty() ? "" : ", ") + item;
  }
  return "Not saved at " + time + ": " + what + (refresh ? " (the board was not reloaded)" : "") + settled;
}

void frmTervalo::SetSaveStatus(const UpdateResult& result, bool refresh) {
  status_ = SaveStatus(result, Engine().Now().time_of_day, refresh);
  // The moves not saved are counted from the last save that wrote every list.
  moves_.SaveEnded(result.Saved() && !result.cancelled);
}

void frmTervalo::ReportSaveFindings(const UpdateResult& result) {
  ReportListsPutInPlace(result.restored);
  ReportDroppedRows(result.dropped, false);
}

void frmTervalo::btnUpdate_Click() {
  const UpdateResult result = Save();
  SetSaveStatus(result, false);
  ReportSaveFindings(result);
  if (!result.set_aside.empty()) ReportListsNotLoaded();
  if (!result.Saved()) Engine().host().ShowMessage({result.Message(), "Tervalo", MessageIcon::kExclamation});
}

void frmTervalo::btnRefresh_Click() {
  RepairLists();
  const UpdateResult result = Save();
  SetSaveStatus(result, true);
  ReportSaveFindings(result);
  // Lists found damaged are told with the others that are not loaded, after the reload or now.
  if (result.cancelled || !result.Saved()) {
    if (!result.set_aside.empty()) ReportListsNotLoaded();
  }
  if (result.cancelled) return;
  if (!result.Saved()) {
    // Reloading now would drop the jobs whose list was not saved from their mechanic's grid.
    Engine().host().ShowMessage({result.Message() + "\n\nThe board was not reloaded.", "Tervalo",
                                 MessageIcon::kExclamation});
    return;
  }
  StoreSortOrder(Engine(), board_);
  // Lists that could not be read before are tried again.
  for (int n = 0; n < board_.mechanics.MechanicCount; ++n) {
    if (!board_.schedules[static_cast<size_t>(n)].loaded) LoadList(n);
  }
  // The undo steps hold the grids as they were before the reload: they go with it.
  const bool had_steps = moves_.CanUndo() || moves_.CanRedo();
  RefreshBoard();
  if (had_steps) status_ += "; the moves before this Refresh can no longer be undone";
  ReportListsNotLoaded();
}

void frmTervalo::chkHide_Click(bool checked) {
  board_.chkHide = checked;
  ApplyDisplayRule(board_);
}

}  // namespace tervalo
