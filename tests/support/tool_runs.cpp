#include "tool_runs.h"

#include <sys/wait.h>

#include <cstdio>
#include <fstream>

namespace fixtures {

ToolRun run(const std::string& command) {
    ToolRun result;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return result;
    char buffer[4096];
    for (size_t got; (got = fread(buffer, 1, sizeof buffer, pipe)) > 0;) result.output.append(buffer, got);
    const int status = pclose(pipe);
    result.exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

std::vector<uint8_t> pbmBits(const std::string& path, uint32_t& width, uint32_t& height) {
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    in >> magic >> width >> height;
    in.get();
    std::vector<uint8_t> packed((size_t{width} + 7) / 8 * height);
    in.read(reinterpret_cast<char*>(packed.data()), static_cast<std::streamsize>(packed.size()));
    std::vector<uint8_t> bits;
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x) bits.push_back((packed[y * ((width + 7) / 8) + x / 8] >> (7 - x % 8)) & 1);
    return bits;
}

}  // namespace fixtures
