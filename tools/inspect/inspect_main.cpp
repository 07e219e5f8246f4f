// tervalo-inspect: looks at the shop's data through the same engine as the board.
// Run `tervalo-inspect --help` for the commands.

#include <iostream>
#include <string>
#include <vector>

#include "environment/catalog_config.h"
#include "tools/inspect/inspect_commands.h"

namespace {

constexpr const char* kUsage = R"(usage: tervalo-inspect [--ini PATH] COMMAND [ARGS]
       tervalo-inspect --help | --version

Reads the workstation's catalog configuration (vltCatalog.ini in the temporary directory, or the
file given with --ini) and the shares under TERVALO_UNC_ROOT, as the board does.

commands:
  whoami                  this workstation's name, address and terminal number
  links                   the link table
  entries NAME            the resolution entries of the file holding logical file NAME
  record NAME N           record N of logical file NAME, in hex and text
  find INDEX KEYHEX       KFind of a key given in hex: the record number and key found
  walk INDEX [--reverse]  every key of an index in order (or from the last one backwards)
  count INDEX             the number of keys of an index
  verify INDEX            checks that an index is sound; exit status 0 only when it is
  line N [--json]         product line record N ("LINEL" with "ELINEL"), field by field
  part N [--json]         part record N ("PARTL" with "EPARTL"), field by field
  board [--json]          the board as start-up builds it: unassigned rows in order, then each
                          mechanic's rows with their colours and hidden state
  card JOB [--request N] [--json]
                          the job card of job number JOB as a double-click opens it; with
                          tall rows, --request N opens the card of request N (default 1);
                          exit status 1 with the card's message when it cannot open
  sheet MECHANIC_NUMBER --columns 40|80 [--json]
                          the rows of that mechanic's work sheet as printing builds them: each
                          cell's text, font size and frame, the column widths and page set-up

exit status: 0 done; 1 the data or the start-up failed, or verify found the index damaged;
2 a wrong command line.
)";

// What comes before the command: --ini PATH (or --ini=PATH), --help, --version.
struct Leading {
  std::string ini;
  bool help = false;
  bool version = false;
  std::string error;
};

Leading ReadLeadingOptions(std::vector<std::string>& args) {
  Leading leading;
  while (!args.empty() && args[0].size() > 1 && args[0][0] == '-') {
    const std::string option = args[0];
    args.erase(args.begin());
    if (option == "-h" || option == "--help") {
      leading.help = true;
    } else if (option == "-v" || option == "--version") {
      leading.version = true;
    } else if (option.rfind("--ini=", 0) == 0) {
      leading.ini = option.substr(6);
    } else if (option == "--ini" && !args.empty()) {
      leading.ini = args[0];
      args.erase(args.begin());
    } else {
      leading.error = option == "--ini" ? "--ini needs a PATH" : "unknown option " + option;
      break;
    }
  }
  return leading;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  const Leading leading = ReadLeadingOptions(args);
  if (!leading.error.empty()) {
    std::cerr << "tervalo-inspect: " << leading.error << "\n\n" << kUsage;
    return 2;
  }
  if (leading.help) {
    std::cout << kUsage;
    return 0;
  }
  if (leading.version) {
    std::cout << "tervalo-inspect " << TERVALO_VERSION_TEXT << "\n";
    return 0;
  }
  if (args.empty()) {
    std::cerr << kUsage;
    return 2;
  }
  return tervalo::inspect::Run(args, leading.ini, std::cout, std::cerr);
}
