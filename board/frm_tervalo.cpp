#include "board/frm_tervalo.h"

#include "board/grid_refresh.h"
#include "board/job_loading.h"
#include "board/schedule_files.h"
#include "engine/business_basic.h"
#include "engine/read_scope.h"
#include "environment/catalog_config.h"
#include "environment/host.h"
#include "environment/shared_instances.h"
#include "environment/system.h"

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
  if (configuration_file_.empty()) {
    LoadCatalogConfig();
  } else {
    LoadCatalogConfigFrom(configuration_file_);
  }
  if (!gEngine && !EngineStartupFailure()) return false;  // the missing file was reported
  cBusinessBasic& engine = Engine();
  const ReadScope scope(engine);
  board_.mechanics = LoadMechanics(engine);
  ReadBoardSettings(engine, board_.settings);
  if (board_.settings.TallRows) {
    board_.g.SetRowHeightMin(kTallRowHeight);
    board_.Mg(0).SetRowHeightMin(kTallRowHeight);
  }
  board_.gSort.SetRows(0);
  for (const char* field : {"Reference", "Priority", "Date In", "Job Number"}) board_.gSort.AddItem(field);
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
      auto grid = std::make_unique<GridModel>(1);
      grid->SetRowHeightMin(board_.Mg(0).RowHeightMin());
      board_.mg.push_back(std::move(grid));
      board_.mechanic_labels.emplace_back();
    }
    board_.mechanic_labels[static_cast<size_t>(n)] = board_.mechanics.MechanicName[static_cast<size_t>(n)];
    LoadSchedule(board_.Mg(n), SchedulePath(*gEpcInfo, board_.mechanics.MechanicNumber[static_cast<size_t>(n)]));
    board_.Mg(n).SetRedraw(true);
  }
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
  // The mechanic grids' jobs are checked after the unassigned grid is built: their records stay.
  reader.Keep(MechanicJobRecords(board_, index), board_.settings.TallRows);
  board_.g.SetRedraw(false);
  GetJobs(board_, reader, index);
  if (board_.g.Rows() > 0) board_.g.SortColumn0Ascending();
  board_.g.SetRedraw(true);
  UpdateGrids(board_, reader, index);
}

SheetPageSetup frmTervalo::PrintList(int mechanic, int columns) {
  cBusinessBasic& engine = Engine();
  return tervalo::PrintList(board_, engine, mechanic, columns, engine.Now().day);
}

void frmTervalo::btnUpdate_Click() {
  const UpdateResult result = UpdateSchedules(Engine(), *gEpcInfo, board_);
  if (result.unsaved_mechanics.empty()) return;
  std::string names;
  for (const auto& name : result.unsaved_mechanics) names += "\n    " + name;
  CurrentHost().ShowMessage({"The schedules of these mechanics could not be saved:" + names +
                                 "\n\nTheir jobs are still on the board; try Update again.",
                             "Tervalo", MessageIcon::kExclamation});
}

void frmTervalo::btnRefresh_Click() {
  btnUpdate_Click();
  StoreSortOrder(Engine(), board_);
  RefreshBoard();
}

void frmTervalo::chkHide_Click(bool checked) {
  board_.chkHide = checked;
  ApplyDisplayRule(board_);
}

}  // namespace tervalo
