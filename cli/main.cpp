// orvelle-cli: the split, merge and inspection jobs from a shell, through the same code the
// window runs.
#include <iostream>
#include <string>
#include <vector>

#include "imaging/gdipobj.h"
#include "info_command.h"
#include "interrupts.h"
#include "job_commands.h"

namespace {

constexpr const char* kUsage =
    "usage: orvelle-cli COMMAND [ARGS]\n"
    "\n"
    "commands:\n"
    "  info [--json] FILE...   the format of each picture and the size, pixel format and\n"
    "                          resolution of each of its frames\n"
    "  split SOURCE --out DIR [--format F] [--percent N] [--pages LIST] [--keep-class]\n"
    "        [--quality Q] [--pad] [--json]\n"
    "                          every page of a TIFF (or those in LIST) as DIR/stem_N.EXT\n"
    "  split SOURCE --page N --to FILE [--format F] [--percent N] [--keep-class] [--quality Q]\n"
    "        [--json]          page N (from 1) into exactly FILE\n"
    "  tiles SOURCE --out DIR  every page's 120 x 120 tile as DIR/stem_N.png, as the page list\n"
    "                          shows it; the captions on standard output\n"
    "  merge --out OUTPUT [--all-pages] [--compression C] [--from-list LIST [--null]] [--bigtiff]\n"
    "        [--to pdf|tiff] [--dpi N] [--json] SOURCE...\n"
    "                          the first page (or every page) of each source, in order, as one\n"
    "                          multi-page TIFF (a PDF when OUTPUT ends in .pdf); LIST holds more sources, one a line, after\n"
    "                          those named (- for standard input); SOURCE[2-5] takes pages 2 to 5\n"
    "\n"
    "options:\n"
    "  --format F              jpeg (default), bmp, gif, png, tiff or pdf\n"
    "  --to pdf|tiff           the merge output's format, whatever its name\n"
    "  --dpi N                 PDF: the resolution of pictures that have none (default 96)\n"
    "  --percent N             scale, 1 to 1000 (default 100)\n"
    "  --pages LIST            pages from 1 in the order given, e.g. 1-3,7,10- (10 to the end)\n"
    "                          or 5-2 (backwards); repeats allowed\n"
    "  --keep-class            bilevel pages stay 1-bit (TIFF: CCITT G4), grey pages 8-bit grey,\n"
    "                          palette pages keep their palette; scaled with nearest neighbour\n"
    "  --quality Q             JPEG quality, 1 to 100 (default 80)\n"
    "  --pad                   page numbers padded with zeros: stem_007.PNG\n"
    "  --compression C         lzw (default), g4 (bilevel pages; the rest lzw), deflate, or auto\n"
    "                          (g4 for bilevel pages, lzw with the predictor where it helps)\n"
    "  --bigtiff               write BigTIFF (64-bit offsets) from the first page; without it,\n"
    "                          BigTIFF only when the pages could take the file past 4 GiB\n"
    "  --null                  the list's names end with a NUL byte (find -print0), not a line\n"
    "                          end: the only way to list names that contain a newline\n"
    "  --json                  one JSON object on standard output: every page or source with\n"
    "                          its result, the totals and the closing message\n"
    "  --version               the program's version\n"
    "\n"
    "environment: ORVELLE_WORKERS=N keeps to at most N threads at work (default: every core)\n"
    "\n"
    "Ctrl+C (SIGINT) or SIGTERM stops a split or merge after the page in hand: pages written\n"
    "stay, a merge leaves no file; the exit status is then 130 or 143.\n"
    "\n"
    "exit status: 0 when everything was handled, 1 when some files, pages or sources failed,\n"
    "2 when nothing was written or the arguments are wrong\n";

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        (args.empty() ? std::cerr : std::cout) << kUsage;
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
            std::cout << kUsage;
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
        std::cerr << "orvelle-cli: unknown command " << command << "\n" << kUsage;
    }
    orvelle::ImagingSession::close();
    return status;
}
