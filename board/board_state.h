#pragma once
// The board's working data: settings from FILE0, the mechanic list, and the grids. The grids are
// the working copy of the assignment that Update saves.

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "board/colors.h"
#include "board/grid_model.h"
#include "host/host.h"

namespace tervalo {

class cBusinessBasic;

inline constexpr int kPriorities = 8;
inline constexpr int kMaxMechanics = 99;
inline constexpr int kTallRowHeight = 1280;
inline constexpr const char* kDefaultSortOrder = "RPDJ";
// Within a start-up or refresh, a file the board reads much of (FILE0, the mechanic file, the
// part list) is held whole when it is at most this long: one read instead of one per block.
inline constexpr int64_t kHeldFileBytes = 1 << 20;

struct BoardSettings {
  bool TallRows = false;
  std::array<Color, kPriorities> PriorityColor{};
  std::string SortOrder;
  std::string names_block;  // FILE0 block 450: priority and sub-status names

  // Priority p (1-8): 10 characters at 300 + 15(p-1) of block 450.
  std::string PriorityName(int p) const;
  // Open sub-status d (1-5): 11 characters at 421 + 15(d-1) of block 450.
  std::string SubStatusName(int d) const;
  Color PriorityColorOf(int p) const;
};

struct MechanicList {
  int MechanicCount = 0;
  std::vector<uint16_t> MechanicNumber;  // index 0 is mechanic 1
  std::vector<std::string> MechanicName;

  // The index (into MechanicNumber and the mechanic grids) of a mechanic number; -1 when the
  // board has no such mechanic.
  int IndexOf(int number) const;
};

// What the board knows of one mechanic's schedule file.
struct ScheduleState {
  // False when the file exists but could not be read, or is damaged (longer than any list, or
  // holding lines that are not jobs): the list is shown empty, or with the jobs it holds, and this
  // board never writes or deletes the file until a Refresh reads it as a sound list.
  bool loaded = true;
  std::string problem;  // why: the file and the system's reason, or what is wrong with it
  // The file as this board last read or wrote it, one CR LF after each line; none: no file.
  // Another workstation changed the list when the file no longer holds this.
  std::optional<std::string> on_disk;
  // The file's stamp taken just before on_disk was read; while the file still has it, it still
  // holds on_disk and need not be read again. None after this board wrote the file: the next look
  // reads it.
  std::optional<FileStamp> stamp;
  // Not loaded because the file holds lines that are not jobs: the jobs it holds are shown.
  bool foreign_lines = false;
};

struct BoardState {
  BoardSettings settings;
  MechanicList mechanics;
  GridModel g{2, 1};   // unassigned jobs: sort key (hidden), job text
  GridModel gSort{1};  // the four sort fields
  GridModel PG{1};     // scratch and print grid
  // One grid per mechanic; element 0 exists even without mechanics.
  std::vector<std::unique_ptr<GridModel>> mg;
  std::vector<std::string> mechanic_labels;  // captions of lblMECH
  std::vector<ScheduleState> schedules;      // one per mechanic grid
  bool chkHide = false;                      // "Show All Statuses"
  // The job index as the last refresh read it, and its file: when its bytes change, jobs came or
  // went on another workstation.
  std::string job_index_bytes;
  std::string job_index_path;

  BoardState();
  GridModel& Mg(int n) { return *mg[static_cast<size_t>(n)]; }
};

// A mechanic's list: one column, a job text in each row.
std::unique_ptr<GridModel> MakeMechanicGrid();

// Reads TallRows (block 401), priority colours and sort order (block 499) of FILE0.
void ReadBoardSettings(cBusinessBasic& engine, BoardSettings& settings);
// Reads block 450 of FILE0 (priority and sub-status names).
void ReadNames(cBusinessBasic& engine, BoardSettings& settings);
// The mechanics of "MANI"/"MANL" whose field at 198 exceeds 9999, in key order, at most 99.
MechanicList LoadMechanics(cBusinessBasic& engine);

}  // namespace tervalo
