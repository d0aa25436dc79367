// orvelle-cli: the split, merge and inspection jobs from a shell, through the same code the
// window runs.
#include <iostream>
#include <string>
#include <vector>

#include "../imaging/gdipobj.h"
#include "info_command.h"

namespace {

constexpr const char* kUsage =
    "usage: orvelle-cli COMMAND [ARGS]\n"
    "\n"
    "commands:\n"
    "  info [--json] FILE...   the format of each picture and the size, pixel format and\n"
    "                          resolution of each of its frames\n"
    "\n"
    "exit status: 0 when every file was handled, 1 when some failed, 2 on wrong arguments\n";

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        (args.empty() ? std::cerr : std::cout) << kUsage;
        return args.empty() ? 2 : 0;
    }
    const std::string command = args[0];
    args.erase(args.begin());
    for (const std::string& arg : args)
        if (arg == "--help" || arg == "-h") {
            std::cout << kUsage;
            return 0;
        }
    orvelle::ImagingSession::Open();
    int status = 2;
    if (command == "info") {
        status = orvelle::cli::runInfo(args, std::cout, std::cerr);
    } else {
        std::cerr << "orvelle-cli: unknown command " << command << "\n" << kUsage;
    }
    orvelle::ImagingSession::Close();
    return status;
}
