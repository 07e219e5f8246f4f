#include "tools/demo_company.h"

#include "tools/share_builder.h"

namespace tervalo::share {

DemoLocation BuildDemoCompany(const std::filesystem::path& base, const std::string& computer_name) {
  DemoLocation where{base / "unc", base / "tmp"};
  std::filesystem::remove_all(where.unc_root);
  std::filesystem::create_directories(where.temp_dir);

  ShareBuilder share(where.unc_root, kDemoServer, kDemoDirectory);
  share.CreateShares();
  share.WriteTerminalMap(
      "; workstation   terminal,printer\r\n"
      "COUNTER1        3,LP1\r\n"
      "10.20.0.41      5,LP2\r\n" +
      computer_name + "  7,LP1\r\n");
  share.WriteLinksFile({
      share.LinkFor("INVOL", "INVLK"),
      share.LinkFor("MANL", "MANLK"),
      share.LinkFor("MANI", "MANLK"),
      share.LinkFor("RPARTL", "RPARLK"),
      share.LinkFor("RPARTI", "RPARLK"),
      share.LinkFor("CUSTL", "CUSTLK"),
      share.LinkFor("CUSTI", "CUSTLK"),
      share.LinkFor("MAILL", "MAILLK"),
      share.LinkFor("MAILI", "MAILLK"),
      share.LinkFor("SNUML", "SNUMLK"),
      share.LinkFor("SNBRI", "SNUMLK"),
  });
  share.WriteFile0({}, 572);

  CatalogSettings settings;
  settings.server = kDemoServer;
  settings.directory = kDemoDirectory;
  settings.terminal_id = "7";
  settings.customer_number = "4471";
  WriteCatalogIni(where.temp_dir, settings);
  return where;
}

}  // namespace tervalo::share
