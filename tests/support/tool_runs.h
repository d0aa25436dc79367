// Other programs run as independent writers and readers of the files under test.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace fixtures {

struct ToolRun {
    int exit = -1;
    std::string output;  // standard output and error
};

// Runs `command` with the shell, its standard error joined to its output.
ToolRun run(const std::string& command);

// A PBM (P4) as black bits, one byte per pixel.
std::vector<uint8_t> pbmBits(const std::string& path, uint32_t& width, uint32_t& height);

}  // namespace fixtures

// The tools are independent readers: a machine without them skips the test, but CI (which
// runs `make deps`) fails, so that a missing install step cannot pass unseen.
#define REQUIRE_TOOLS(check, names)                                                          \
    if (fixtures::run(check).exit != 0) {                                                    \
        if (fixtures::corpusRequired()) FAIL() << names " are not installed";                \
        GTEST_SKIP() << names " are not installed (make deps installs them)";                \
    }
