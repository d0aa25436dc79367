// orvelle-cli: the split, merge and inspection jobs from a shell, through the same code the
// window runs.
#include <iostream>
#include <string>
#include <vector>

#include "imaging/gdipobj.h"
#include "info_command.h"
#include "interrupts.h"
#include "job_commands.h"
#include "usage_text.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    const char* const usage = orvelle::cli::usageText(orvelle::programLanguage());
    if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        (args.empty() ? std::cerr : std::cout) << usage;
        return args.empty() ? 2 : 0;
    }
    if (args[0] == "--version") {
        std::cout << "orvelle-cli " << ORVELLE_VERSION << "\n";
        return 0;
    }
    const std::string command = args[0];
    args.erase(args.begin());
    for (const std::string& arg : args)
        if (arg == "--help" || arg == "-h") {
            std::cout << usage;
            return 0;
        }
    orvelle::ImagingSession::open();
    orvelle::cli::catchInterrupts();
    int status = 2;
    if (command == "info") {
        status = orvelle::cli::runInfo(args, std::cout, std::cerr);
    } else if (command == "split") {
        status = orvelle::cli::runSplit(args, std::cout, std::cerr);
    } else if (command == "tiles") {
        status = orvelle::cli::runTiles(args, std::cout, std::cerr);
    } else if (command == "merge") {
        status = orvelle::cli::runMerge(args, std::cout, std::cerr);
    } else {
        std::cerr << "orvelle-cli: unknown command " << command << "\n" << usage;
    }
    orvelle::ImagingSession::close();
    return status;
}
