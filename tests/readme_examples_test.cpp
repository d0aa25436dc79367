// The command-line examples of the README, run as written: each line of its table of options,
// in a fresh folder holding the files the examples name, made here.
#include <gtest/gtest.h>
#include <tiffio.h>

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/fixtures.h"

using fixtures::TempDir;
using fixtures::TiffKind;
using fixtures::TiffPage;

namespace {

// The example column of each option row: the last cell, between backticks, its escaped bars
// turned back into pipes.
std::vector<std::string> readmeExamples() {
    std::ifstream readme(std::string(ORVELLE_SOURCE_DIR) + "/README.md");
    std::vector<std::string> examples;
    std::string line;
    while (std::getline(readme, line)) {
        if (line.rfind("| `--", 0) != 0 && line.rfind("| `SOURCE[", 0) != 0) continue;
        const size_t end = line.rfind("` |");
        const size_t start = line.rfind("| `", end);
        if (end == std::string::npos || start == std::string::npos) continue;
        std::string example = line.substr(start + 3, end - start - 3);
        for (size_t at; (at = example.find("\\|")) != std::string::npos;) example.replace(at, 2, "|");
        examples.push_back(example);
    }
    return examples;
}

int runInShell(const std::string& folder, const std::string& command, std::string& output) {
    const std::string cli = std::filesystem::path(ORVELLE_CLI).parent_path().string();
    FILE* pipe = popen(("cd '" + folder + "' && PATH='" + cli + "':\"$PATH\" && " + command + " 2>&1").c_str(), "r");
    if (!pipe) return -1;
    char buffer[4096];
    for (size_t got; (got = fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, got);
    const int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(Readme, EveryCommandLineExampleRunsAsWritten) {
    const std::vector<std::string> examples = readmeExamples();
    ASSERT_GE(examples.size(), 15u) << "the README's table of options was not found";
    TempDir dir;
    // What the examples name: a scan of twelve colour pages, a fax, photographs, scans and
    // sheets in folders, a cover and two loose pictures.
    fixtures::writeTiff(dir.file("scan.tif"), std::vector<TiffPage>(12, {TiffKind::Rgb, 40, 30, COMPRESSION_LZW}));
    fixtures::writeTiff(dir.file("fax.tif"),
                        std::vector<TiffPage>(3, {TiffKind::Bilevel, 64, 48, COMPRESSION_CCITTFAX4, true, false, 204}));
    fixtures::writeTiff(dir.file("a.tif"), {{TiffKind::Grey8, 16, 16, COMPRESSION_NONE}});
    for (const char* name : {"fronts.tif", "backs.tif", "stack.tif"})
        fixtures::writeTiff(dir.file(name), std::vector<TiffPage>(5, {TiffKind::Bilevel, 32, 40, COMPRESSION_CCITTFAX4}));
    fixtures::writeTiff(dir.file("sheet1.tif"), {{TiffKind::Rgb, 16, 16, COMPRESSION_LZW}});
    fixtures::writeTiff(dir.file("sheet2.tif"), {{TiffKind::Palette8, 16, 16, COMPRESSION_LZW}});
    fixtures::writePng(dir.file("b.png"), fixtures::gradient(20, 10, 3));
    fixtures::writePng(dir.file("cover.png"), fixtures::gradient(20, 10, 4));
    std::filesystem::create_directory(dir.file("photos"));
    std::filesystem::create_directory(dir.file("scans"));
    for (const char* name : {"photos/one.jpg", "photos/two.jpg"}) fixtures::writeJpeg(dir.file(name), fixtures::gradient(32, 24, 3));
    for (const char* name : {"scans/1.png", "scans/2.png"}) fixtures::writePng(dir.file(name), fixtures::gradient(24, 24, 1));
    for (const std::string& example : examples) {
        SCOPED_TRACE(example);
        std::string output;
        EXPECT_EQ(runInShell(dir.path().string(), example, output), 0) << output;
    }
    // What the split examples promise, read back: the folder made, the pages there.
    for (const char* page : {"pages/scan_1.PNG", "pages/scan_12.JPG", "pages/fax_1.TIF"})
        EXPECT_TRUE(std::filesystem::exists(dir.file(page))) << page;
}

}  // namespace
