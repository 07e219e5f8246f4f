#include "tools/inspect/inspect_commands.h"

#include <functional>
#include <iomanip>
#include <map>
#include <optional>
#include <sstream>

#include <nlohmann/json.hpp>

#include "base/basic_text.h"
#include "board/frm_tervalo.h"
#include "board/job_card.h"
#include "engine/business_basic.h"
#include "engine/cursor_buffer.h"
#include "engine/system.h"
#include "environment/catalog_config.h"
#include "environment/shared_instances.h"
#include "host/host.h"
#include "tools/inspect/index_verify.h"
#include "records/part_record.h"
#include "records/product_line.h"

namespace tervalo::inspect {
namespace {

struct Context {
  const std::vector<std::string>& args;
  const std::string& ini_path;
  std::ostream& out;
  std::ostream& err;
};

class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

const std::string& Arg(const Context& c, size_t i, const char* what) {
  if (i >= c.args.size()) throw UsageError(std::string("missing ") + what);
  return c.args[i];
}

int32_t NumberArg(const Context& c, size_t i, const char* what) {
  const std::string& text = Arg(c, i, what);
  size_t used = 0;
  int32_t value = 0;
  try {
    value = std::stoi(text, &used);
  } catch (const std::exception&) {
    used = 0;
  }
  if (used == 0 || used != text.size()) throw UsageError(std::string(what) + " is not a number: " + text);
  return value;
}

std::string KeyFromHex(const std::string& hex) {
  std::string key;
  std::string digits;
  for (char ch : hex) {
    if (std::isxdigit(static_cast<unsigned char>(ch))) digits.push_back(ch);
    else if (ch != ' ' && ch != ':' && ch != '-') throw UsageError("KEYHEX holds a non-hex character: " + hex);
  }
  if (digits.size() % 2 != 0) throw UsageError("KEYHEX needs two hex digits per byte: " + hex);
  for (size_t i = 0; i < digits.size(); i += 2) {
    key.push_back(static_cast<char>(std::stoi(digits.substr(i, 2), nullptr, 16)));
  }
  return key;
}

std::string Printable(std::string_view bytes) {
  std::string text(bytes);
  for (char& ch : text) {
    if (static_cast<unsigned char>(ch) < 32 || static_cast<unsigned char>(ch) > 126) ch = '.';
  }
  return text;
}

std::shared_ptr<cLogicalFile> OpenLogical(const std::string& name) {
  auto file = gEngine->LogicalOpen(name);
  if (!file) throw EngineError(kErrUndefined, "LogicalOpen", "File not Found: \"" + name + "\"");
  return file;
}

int WhoAmI(const Context& c) {
  c.out << "Computer name:   " << gSystem->ComputerName << "\n"
        << "Address:         " << gSystem->IP << "\n"
        << "Terminal number: " << gSystem->TerminalID << "\n"
        << "Data directory:  " << gSystem->VLTRLNK() << "\n";
  return 0;
}

int Links(const Context& c) {
  for (const auto& link : *gLinks) {
    c.out << std::left << std::setw(30) << link->LinkFile << " " << link->ResolutionFile << "\n";
  }
  return 0;
}

int Entries(const Context& c) {
  const std::string& name = Arg(c, 1, "NAME");
  const auto resolution = ResolveLogicalName(*gLinks, name, gSystem->mUNCDrive, gSystem->mDirectory);
  if (!resolution) {
    c.err << "No link for " << name << "\n";
    return 1;
  }
  const HostResult<std::unique_ptr<HostFile>> opened = gEngine->host().OpenShared(resolution->resolution_path, false);
  if (!opened.ok()) {
    c.err << "Cannot open " << resolution->resolution_path << "\n";
    return 1;
  }
  c.out << "Resolution file " << resolution->resolution_path << ", data file "
        << resolution->data_path << "\n"
        << "name        type  block  reclen  lastrec  flags\n";
  HostFile& file = **opened;
  std::string entry(kResolutionEntryLength, '\0');
  for (int64_t offset = 0;
       file.ReadAt(offset, entry.data(), entry.size()).value_or(-1) == static_cast<int64_t>(entry.size());
       offset += static_cast<int64_t>(entry.size())) {
    const ResolutionEntry e = DecodeResolutionEntry(*gEngine, entry);
    c.out << std::left << std::setw(12) << Printable(e.name) << std::setw(6) << Printable(e.file_type)
          << std::right << std::setw(5) << e.position << std::setw(8) << e.record_length
          << std::setw(9) << e.last_record << std::setw(7) << e.flags << "\n";
  }
  return 0;
}

int Record(const Context& c) {
  const auto file = OpenLogical(Arg(c, 1, "NAME"));
  const std::string record = gEngine->LreadFile(file, NumberArg(c, 2, "N"));
  for (size_t i = 0; i < record.size(); i += 16) {
    const std::string_view row = std::string_view(record).substr(i, 16);
    c.out << std::right << std::setw(5) << i + 1 << "  " << std::left << std::setw(47)
          << HexBytes(row) << "  " << Printable(row) << "\n";
  }
  return 0;
}

void PrintEntry(const Context& c, int32_t rec, const std::string& key) {
  c.out << std::right << std::setw(10) << rec << "  " << HexBytes(key) << "\n";
}

int Find(const Context& c) {
  const auto file = OpenLogical(Arg(c, 1, "INDEX"));
  std::string key = KeyFromHex(Arg(c, 2, "KEYHEX"));
  std::string buff;
  int32_t rec = 0;
  gEngine->KFind(file, buff, key, rec);
  PrintEntry(c, rec, key);
  return 0;
}

// Where a cursor stands after a keyed call: the leaf block and entry, and whether that entry is
// the sentinel that closes the last leaf.
struct CursorSpot {
  int32_t block = 0;  // 0: on no leaf entry
  int32_t entry = 0;
  bool sentinel = false;

  bool operator==(const CursorSpot&) const = default;
};

CursorSpot SpotOf(std::string& buff) {
  index_format::CursorBuffer cursor(buff);
  if (!index_format::ValidEntryLength(cursor.entry_length()) ||
      !index_format::CursorBuffer::ValidLevel(cursor.depth())) {
    return {};
  }
  const index_format::NodeView node = cursor.node();
  const int32_t entry = cursor.entry_index();
  if (!node.CountFits() || !node.is_leaf() || entry < 1 || entry > node.count()) return {};
  return {cursor.path(cursor.depth()), entry, node.is_last_leaf() && entry == node.count()};
}

// Every entry from the first (or the last) to the other end. The engine reports both the end of
// the index and an entry pointing at record 0 as record 0, so the walk asks the cursor where it
// stands: forwards it ends on the sentinel, backwards when KPrev leaves the cursor where it was.
int Walk(const Context& c) {
  const auto file = OpenLogical(Arg(c, 1, "INDEX"));
  const bool reverse = c.args.size() > 2 && c.args[2] == "--reverse";
  std::string buff;
  std::string key;
  int32_t rec = 0;
  if (reverse) {
    gEngine->KLast(file, buff, key, rec);
  } else {
    gEngine->KFind(file, buff, key, rec);
  }
  for (CursorSpot spot = SpotOf(buff); spot.block != 0 && !spot.sentinel;) {
    PrintEntry(c, rec < 0 ? -rec : rec, key);
    if (reverse) {
      gEngine->KPrev(file, buff, key, rec);
    } else {
      gEngine->KNext(file, buff, key, rec);
    }
    const CursorSpot next = SpotOf(buff);
    if (next == spot) break;
    spot = next;
  }
  return 0;
}

int Count(const Context& c) {
  c.out << gEngine->KCount(OpenLogical(Arg(c, 1, "INDEX"))) << "\n";
  return 0;
}

// Faults make the index unsound (status 1); warnings are told but leave it sound.
int Verify(const Context& c) {
  const auto file = OpenLogical(Arg(c, 1, "INDEX"));
  const auto problems = VerifyIndex(*gEngine, file);
  int faults = 0;
  for (const auto& p : problems) {
    c.out << "block " << p.block << ": " << (p.warning ? "warning: " : "") << p.fault << "\n";
    if (!p.warning) ++faults;
  }
  if (faults == 0) c.out << file->FileName << ": sound, " << gEngine->KCount(file) << " keys\n";
  return faults == 0 ? 0 : 1;
}

// One decoded record, field by field, as text or JSON.
int PrintFields(const Context& c, const FieldList& fields) {
  if (c.args.size() > 2 && c.args[2] == "--json") {
    nlohmann::ordered_json out = nlohmann::ordered_json::object();
    for (const auto& [name, value] : fields) out[name] = value;
    c.out << out.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
    return 0;
  }
  size_t width = 0;
  for (const auto& field : fields) width = std::max(width, field.first.size());
  for (const auto& [name, value] : fields) c.out << std::left << std::setw(static_cast<int>(width) + 2) << name << value << "\n";
  return 0;
}

int Line(const Context& c) {
  clsLines line;
  line.Read(NumberArg(c, 1, "N"));
  return PrintFields(c, line.Fields());
}

int Part(const Context& c) {
  clsParts part;
  part.Read(NumberArg(c, 1, "N"));
  return PrintFields(c, part.Fields());
}

std::string ColorText(const std::optional<Color>& color) {
  if (!color) return "default";
  char text[16];
  std::snprintf(text, sizeof text, "&H%06X", static_cast<unsigned>(*color));
  return text;
}

nlohmann::json GridRows(const GridModel& grid, int text_col, bool with_key) {
  nlohmann::json rows = nlohmann::json::array();
  for (int r = 0; r < grid.Rows(); ++r) {
    const GridCell& cell = grid.Cell(r, text_col);
    nlohmann::json row = {{"text", cell.text}, {"back", ColorText(cell.back)}};
    if (with_key) row["sort_key"] = grid.TextMatrix(r, 0);
    if (!with_key) row["fore"] = ColorText(cell.fore);
    if (!with_key) row["hidden"] = grid.RowHidden(r);
    rows.push_back(row);
  }
  return rows;
}

// Job texts hold line feeds; the plain listing shows them as " | ".
std::string OneLine(std::string text) {
  for (size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at)) text.replace(at, 1, " | ");
  return text;
}

// The board exactly as start-up builds it, without a window.
int Board(const Context& c) {
  ResetSharedInstances();
  frmTervalo form;
  form.SetConfigurationFile(c.ini_path);
  if (!form.Form_Load()) return 1;
  const BoardState& board = form.board();
  const bool json = c.args.size() > 1 && c.args[1] == "--json";
  if (json) {
    nlohmann::json out;
    out["unassigned"] = GridRows(board.g, 1, true);
    out["mechanics"] = nlohmann::json::array();
    for (int n = 0; n < board.mechanics.MechanicCount; ++n) {
      out["mechanics"].push_back({{"number", board.mechanics.MechanicNumber[static_cast<size_t>(n)]},
                                  {"name", board.mechanics.MechanicName[static_cast<size_t>(n)]},
                                  {"rows", GridRows(*board.mg[static_cast<size_t>(n)], 0, false)}});
    }
    c.out << out.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
    return 0;
  }
  c.out << "Unassigned jobs (" << board.g.Rows() << "):\n";
  for (int r = 0; r < board.g.Rows(); ++r) {
    c.out << "  [" << board.g.TextMatrix(r, 0) << "] " << OneLine(board.g.TextMatrix(r, 1)) << "  back "
          << ColorText(board.g.Cell(r, 1).back) << "\n";
  }
  for (int n = 0; n < board.mechanics.MechanicCount; ++n) {
    const GridModel& grid = *board.mg[static_cast<size_t>(n)];
    c.out << "Mechanic " << board.mechanics.MechanicNumber[static_cast<size_t>(n)] << " "
          << board.mechanics.MechanicName[static_cast<size_t>(n)] << " (" << grid.Rows() << "):\n";
    for (int r = 0; r < grid.Rows(); ++r) {
      const GridCell& cell = grid.Cell(r, 0);
      c.out << "  " << OneLine(cell.text) << "  back " << ColorText(cell.back) << " fore "
            << ColorText(cell.fore) << (grid.RowHidden(r) ? " hidden" : "") << "\n";
    }
  }
  return 0;
}

// A grid row's job text as far as the card reads it: the job number just before the first line
// feed and, for a tall row, "Req " and the request number.
std::string CardJobText(int32_t job_number, std::optional<int32_t> request) {
  char number[16];
  std::snprintf(number, sizeof number, "%4d", job_number);
  std::string text = std::string("    Job: ") + number + "\n";
  if (request) text += "\nReq " + std::to_string(*request);
  return text;
}

// Address lines are shown on one line, separated by " | ".
std::string AddressLine(const std::string& address) {
  std::string text = FormatAddress(address);
  for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at)) text.replace(at, 2, " | ");
  return text;
}

nlohmann::ordered_json CardJson(const JobCard& card) {
  nlohmann::ordered_json items = nlohmann::ordered_json::array();
  for (const CardItem& item : card.items) items.push_back({{"text", item.text}, {"back", item.back}});
  return {{"caption", card.caption},
          {"account", card.account},
          {"shipto", card.shipto},
          {"address_billto", FormatAddress(card.address_billto)},
          {"address_shipto", FormatAddress(card.address_shipto)},
          {"part", card.part},
          {"delivery", card.delivery},
          {"sn1", card.sn1},
          {"sn2", card.sn2},
          {"meter", nlohmann::ordered_json::parse(card.meter)},
          {"priority", card.priority},
          {"date_in", DateText(card.date_in)},
          {"purchase", card.purchase},
          {"warranty", card.warranty},
          {"ext_warranty", card.ext_warranty},
          {"items", items}};
}

void PrintCard(const Context& c, const JobCard& card) {
  c.out << "caption:        " << card.caption << "\n"
        << "account:        " << card.account << "\n"
        << "shipto:         " << card.shipto << "\n"
        << "address_billto: " << AddressLine(card.address_billto) << "\n"
        << "address_shipto: " << AddressLine(card.address_shipto) << "\n"
        << "part:           " << card.part << "\n"
        << "delivery:       " << card.delivery << "\n"
        << "sn1:            " << card.sn1 << "\n"
        << "sn2:            " << card.sn2 << "\n"
        << "meter:          " << card.meter << "\n"
        << "priority:       " << card.priority << "\n"
        << "date_in:        " << DateText(card.date_in) << "\n"
        << "purchase:       " << card.purchase << "\n"
        << "warranty:       " << card.warranty << "\n"
        << "ext_warranty:   " << card.ext_warranty << "\n";
  for (const CardItem& item : card.items) {
    c.out << "item:           " << ColorText(item.back) << "  " << item.text << "\n";
  }
}

// The job card exactly as a double-click on the job's row opens it.
int Card(const Context& c) {
  const int32_t job_number = NumberArg(c, 1, "JOB");
  if (job_number < 1) throw UsageError("JOB must be 1 or more");
  std::optional<int32_t> request;
  bool json = false;
  for (size_t i = 2; i < c.args.size(); ++i) {
    if (c.args[i] == "--json") {
      json = true;
    } else if (c.args[i] == "--request") {
      request = NumberArg(c, ++i, "N");
    } else {
      throw UsageError("unknown option " + c.args[i]);
    }
  }
  BoardSettings settings;
  ReadBoardSettings(*gEngine, settings);
  const CardOutcome outcome = ShowJob(*gEngine, CardJobText(job_number, request), settings.TallRows);
  if (!outcome.card) {
    if (const auto& e = outcome.engine_error) {
      c.err << "tervalo-inspect: error " << e->number() << " (" << e->source()
            << "): " << EscapeControlBytes(e->description()) << "\n";
    }
    c.err << EscapeControlBytes(outcome.message) << "\n";
    return 1;
  }
  if (json) {
    c.out << CardJson(*outcome.card).dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
  } else {
    PrintCard(c, *outcome.card);
  }
  return 0;
}

nlohmann::json CellJson(const GridCell& cell) {
  nlohmann::json out = {{"text", cell.text}};
  if (cell.font_size) out["font_size"] = *cell.font_size;
  if (cell.border) {
    const CellBorder& b = *cell.border;
    out["border"] = {{"color", ColorText(b.color)}, {"left", b.left}, {"top", b.top}, {"right", b.right},
                     {"bottom", b.bottom}};
  }
  return out;
}

// One cell of the plain sheet listing: the text in quotes, then its size and frame when it has them.
std::string CellLine(const GridCell& cell) {
  std::string line = "\"" + cell.text + "\"";
  if (cell.font_size) line += " " + std::to_string(*cell.font_size) + "pt";
  if (cell.border) {
    const CellBorder& b = *cell.border;
    line += " frame " + ColorText(b.color);
    for (const auto& [name, width] : {std::pair{"left", b.left}, {"top", b.top}, {"right", b.right}, {"bottom", b.bottom}}) {
      if (width > 0) line += std::string(" ") + name + (width > 1 ? "=" + std::to_string(width) : "");
    }
  }
  return line;
}

void PrintSheet(const Context& c, const GridModel& sheet, const SheetPageSetup& setup, bool json) {
  if (json) {
    nlohmann::json out = {{"document_name", setup.document_name}, {"orientation", setup.orientation},
                          {"margin", setup.margin},       {"paper_width", setup.paper_width},
                          {"fixed_rows", sheet.FixedRows()}};
    out["col_widths"] = nlohmann::json::array();
    for (int col = 0; col < sheet.Cols(); ++col) out["col_widths"].push_back(sheet.ColWidth(col));
    out["rows"] = nlohmann::json::array();
    for (int r = 0; r < sheet.Rows(); ++r) {
      nlohmann::json cells = nlohmann::json::array();
      for (int col = 0; col < sheet.Cols(); ++col) cells.push_back(CellJson(sheet.Cell(r, col)));
      out["rows"].push_back({{"cells", cells}});
    }
    c.out << out.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
    return;
  }
  c.out << setup.document_name << ": column widths";
  for (int col = 0; col < sheet.Cols(); ++col) c.out << " " << sheet.ColWidth(col);
  c.out << ", fixed rows " << sheet.FixedRows() << ", margins " << setup.margin << ", orientation "
        << setup.orientation << ", paper width " << setup.paper_width << "\n";
  for (int r = 0; r < sheet.Rows(); ++r) {
    c.out << std::right << std::setw(4) << r << "  ";
    for (int col = 0; col < sheet.Cols(); ++col) c.out << (col > 0 ? " | " : "") << CellLine(sheet.Cell(r, col));
    c.out << "\n";
  }
}

// A mechanic's work sheet, built by the board exactly as printing builds it.
int Sheet(const Context& c) {
  const int32_t number = NumberArg(c, 1, "MECHANIC_NUMBER");
  int32_t columns = 0;
  bool json = false;
  for (size_t i = 2; i < c.args.size(); ++i) {
    if (c.args[i] == "--json") {
      json = true;
    } else if (c.args[i] == "--columns") {
      columns = NumberArg(c, ++i, "--columns");
      if (columns != 40 && columns != 80) throw UsageError("--columns is 40 or 80");
    } else {
      throw UsageError("unknown argument " + c.args[i]);
    }
  }
  if (columns == 0) throw UsageError("missing --columns 40|80");
  ResetSharedInstances();
  frmTervalo form;
  form.SetConfigurationFile(c.ini_path);
  if (!form.Form_Load()) return 1;
  const int mechanic = form.board().mechanics.IndexOf(number);
  if (mechanic < 0) {
    c.err << "tervalo-inspect: the board has no mechanic " << number << "\n";
    return 1;
  }
  const SheetPageSetup setup = form.PrintList(mechanic, columns == 40 ? kSheet40Columns : kSheet80Columns);
  PrintSheet(c, form.board().PG, setup, json);
  return 0;
}

const std::map<std::string, std::function<int(const Context&)>>& Commands() {
  static const std::map<std::string, std::function<int(const Context&)>> commands = {
      {"whoami", WhoAmI}, {"links", Links}, {"entries", Entries}, {"record", Record},
      {"find", Find},     {"walk", Walk},   {"count", Count},    {"board", Board}, {"verify", Verify},
      {"line", Line},     {"part", Part},   {"card", Card},      {"sheet", Sheet},
  };
  return commands;
}

// Starts the engine; an empty text when it is ready, else why not.
std::string StartEngine(const std::string& ini_path) {
  std::string message;
  Host& host = CurrentHost();
  host.SetMessageBoxHandler([&](const MessageBoxRequest& m) { message = m.text; });
  if (ini_path.empty()) {
    LoadCatalogConfig();
  } else {
    LoadCatalogConfigFrom(ini_path);
  }
  host.SetMessageBoxHandler(nullptr);
  if (!message.empty()) return message;
  if (!gEngine) {
    const auto& failure = EngineStartupFailure();
    return failure ? "Error " + std::to_string(failure->number()) + " (" + failure->source() +
                         "): " + failure->description()
                   : "The data engine did not start.";
  }
  if (!gEngine->HasTables()) return "The link share " + gSystem->LinkShareRoot() + " cannot be reached.";
  return {};
}

}  // namespace

int Run(const std::vector<std::string>& args, const std::string& ini_path, std::ostream& out,
        std::ostream& err) {
  const auto command = Commands().find(args.empty() ? std::string() : args[0]);
  if (command == Commands().end()) {
    err << "tervalo-inspect: unknown command" << (args.empty() ? "" : " " + args[0])
        << " (see --help)\n";
    return 2;
  }
  int status = 1;
  try {
    if (const std::string failure = StartEngine(ini_path); !failure.empty()) {
      err << "tervalo-inspect: " << EscapeControlBytes(failure) << "\n";
    } else {
      status = command->second(Context{args, ini_path, out, err});
    }
  } catch (const UsageError& e) {
    err << "tervalo-inspect: " << e.what() << " (see --help)\n";
    status = 2;
  } catch (const EngineError& e) {
    err << "tervalo-inspect: error " << e.number() << " (" << e.source()
        << "): " << EscapeControlBytes(e.description()) << "\n";
  }
  ResetSharedInstances();
  return status;
}

}  // namespace tervalo::inspect
