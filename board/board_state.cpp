#include "board/board_state.h"

#include "base/basic_text.h"
#include "engine/business_basic.h"
#include "records/file0_layout.h"

namespace tervalo {

std::unique_ptr<GridModel> MakeMechanicGrid() { return std::make_unique<GridModel>(1, 0); }

BoardState::BoardState() {
  mg.push_back(MakeMechanicGrid());
  mechanic_labels.push_back("Mechanic # 1");
  schedules.emplace_back();
}

int MechanicList::IndexOf(int number) const {
  for (size_t i = 0; i < MechanicNumber.size(); ++i) {
    if (MechanicNumber[i] == number) return static_cast<int>(i);
  }
  return -1;
}

std::string BoardSettings::PriorityName(int p) const {
  return std::string(Mid(names_block, file0::PriorityNamePosition(p), 10));
}

std::string BoardSettings::SubStatusName(int d) const {
  return std::string(Mid(names_block, file0::kSubStatusNamesPosition + file0::kNameSpacing * (d - 1), 11));
}

Color BoardSettings::PriorityColorOf(int p) const {
  return PriorityColor[static_cast<size_t>(p >= 1 && p <= kPriorities ? p - 1 : 0)];
}

void ReadBoardSettings(cBusinessBasic& engine, BoardSettings& settings) {
  // Within a start-up or refresh, FILE0 is read once for the settings, the names and the index.
  if (const auto file0 = engine.OpenFile("FILE0")) engine.HoldFile(file0, kHeldFileBytes);
  settings.TallRows = Mid(engine.BlockReadFile("FILE0", file0::kTallRowsBlock, true), file0::kTallRowsPosition, 1) == "Y";
  const std::string block499 = engine.BlockReadFile("FILE0", file0::kSettingsBlock, true);
  for (int p = 1; p <= kPriorities; ++p) {
    settings.PriorityColor[static_cast<size_t>(p - 1)] =
        static_cast<Color>(engine.Unpack("D", block499, 3 * p - 2));
  }
  settings.SortOrder = std::string(Mid(block499, file0::kSortOrderPosition, 4));
}

void ReadNames(cBusinessBasic& engine, BoardSettings& settings) {
  settings.names_block = engine.BlockReadFile("FILE0", file0::kNamesBlock, true);
}

MechanicList LoadMechanics(cBusinessBasic& engine) {
  MechanicList list;
  // One read for the index and every mechanic's record instead of one per record.
  engine.HoldFile("MANI", kHeldFileBytes);
  engine.HoldFile("MANL", kHeldFileBytes);
  std::string key(2, '\0');
  engine.Pack("C", key, 1, 1);
  std::string buff;
  int32_t rec = 0;
  engine.KFind("MANI", buff, key, rec);
  rec = rec < 0 ? -rec : rec;
  while (rec != 0) {
    const std::string record = engine.LreadFile("MANL", rec);
    if (engine.Unpack("C", record, 198) > 9999 && list.MechanicCount < kMaxMechanics) {
      ++list.MechanicCount;
      list.MechanicNumber.push_back(static_cast<uint16_t>(engine.Unpack("C", record, 3)));
      std::string name(Mid(record, 7, 20));
      list.MechanicName.push_back(engine.Trun(engine.Ucm(name), 1));
    }
    engine.KNext("MANI", buff, key, rec);
    if (engine.Unpack("C", key, 1) >= 256) break;
  }
  return list;
}

}  // namespace tervalo
