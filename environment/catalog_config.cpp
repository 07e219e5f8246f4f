// Reading the catalog configuration and building the one data engine.

#include "environment/catalog_config.h"

#include <cmath>
#include <limits>

#include "base/basic_text.h"
#include "engine/business_basic.h"
#include "engine/system.h"
#include "environment/shared_instances.h"
#include "host/host.h"

namespace tervalo {
namespace {

// The configured customer number as a 32-bit integer: blanks around it allowed, a fraction
// rounded half to even; anything else is error 13, a value out of range error 6.
int32_t ToLong(const std::string& text) {
  const std::string_view trimmed = TrimBlanks(text);
  size_t used = 0;
  double value = 0;
  try {
    value = std::stod(std::string(trimmed), &used);
  } catch (const std::out_of_range&) {
    throw EngineError(kErrOverflow, "LoadCatalogConfig", kOverflowText);
  } catch (const std::exception&) {
    used = 0;
  }
  if (used == 0 || used != trimmed.size() || !std::isfinite(value)) {
    throw EngineError(kErrTypeMismatch, "LoadCatalogConfig", "Type mismatch");
  }
  const double rounded = std::nearbyint(value);
  if (rounded > std::numeric_limits<int32_t>::max() || rounded < std::numeric_limits<int32_t>::min()) {
    throw EngineError(kErrOverflow, "LoadCatalogConfig", kOverflowText);
  }
  return static_cast<int32_t>(rounded);
}

std::optional<EngineError> g_startup_failure;

}  // namespace

const std::optional<EngineError>& EngineStartupFailure() { return g_startup_failure; }

std::string GetTempDirectory() { return CurrentHost().TempDirectory(); }

std::string GetLongPathForm(const std::string& path) { return path; }

void LoadCatalogConfig() {
  LoadCatalogConfigFrom(GetLongPathForm(GetTempDirectory()) + kCatalogFileName);
}

void LoadCatalogConfigFrom(const std::string& path) {
  gEngine.reset();
  g_startup_failure.reset();
  gEpcInfo = std::make_unique<cEpcInfo>();
  gSystem = std::make_unique<cSystem>();
  Host& host = CurrentHost();

  if (!host.FileExists(path)) {
    host.ShowMessage({"You are missing file: " + path + "    Are you running Veltrane Workstation?",
                      "EpcError", MessageIcon::kNone});
    return;
  }
  const std::vector<std::string> lines = host.ReadTextLines(path).value_or({});
  auto value = [&](const char* key) { return ProfileString(lines, kCatalogSection, key); };

  cEpcInfo& info = *gEpcInfo;
  info.Server = value("Server");
  info.DataShare = value("DataShare");
  info.CatalogShare = "\\\\" + info.Server + "\\" + value("CatalogShare") + "\\";
  info.Directory = value("Directory");
  info.TerminalID = value("TerminalID");
  if (const std::string number = value("CustomerNumber"); !number.empty()) {
    info.CustomerNumber = ToLong(number);
  }

  gSystem->mUNCDrive = info.Server;
  gSystem->mDirectory = info.Directory;
  gSystem->xtermid = info.TerminalID;

  try {
    gEngine = std::make_unique<cBusinessBasic>(*gSystem, host);
  } catch (const EngineError& failure) {
    // No engine; the board reads the configuration whether or not one was built and reports
    // the reason when it needs the engine.
    gEngine.reset();
    g_startup_failure = failure;
  }
}

}  // namespace tervalo
