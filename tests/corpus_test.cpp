// Every file of the public conformance corpus, against the page counts and sizes that
// independent decoders report for it (facts.json beside the files).
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <map>
#include <utility>
#include <nlohmann/json.hpp>

#include "support/fixtures.h"

using namespace orvelle;
using nlohmann::json;

namespace {

struct CorpusFile {
    std::string name;
    std::string status;
    std::vector<std::pair<uint32_t, uint32_t>> pages;  // expected sizes, in order
};

void PrintTo(const CorpusFile& file, std::ostream* out) { *out << file.name; }

// Files where this decoder knowingly reads differently from the reference decoders.
const std::map<std::string, std::string> kKnownDifferences = {
    {"pillow-gif/issue_2811.gif",
     "LZW minimum code size 11, beyond the GIF limit of 8; giflib refuses it"},
};

// Pictures whose EXIF orientation turns them a quarter, which the reference decoders' sizes
// leave out; they are read upright.
const std::map<std::string, std::string> kStoredSideways = {
    {"pillow-jpeg/orientation_rectangle.jpg", "EXIF orientation 8"},
};

bool ourFormat(const std::string& name) {
    for (const char* ending : {".tif", ".tiff", ".png", ".jpg", ".jpeg", ".gif", ".bmp"})
        if (name.size() >= std::strlen(ending) &&
            name.compare(name.size() - std::strlen(ending), std::string::npos, ending) == 0)
            return true;
    return false;
}

std::vector<CorpusFile> loadFacts() {
    std::ifstream in(fixtures::corpusDir() / "facts.json");
    if (!in) return {};
    const json facts = json::parse(in);
    std::vector<CorpusFile> files;
    for (const auto& [name, entry] : facts.at("files").items()) {
        CorpusFile file{name, entry.value("status", ""), {}};
        const bool tiff = name.find(".tif") != std::string::npos;
        const json* pages = nullptr;
        if (tiff && entry.contains("tiffinfo") && entry["tiffinfo"].is_object())
            pages = &entry["tiffinfo"]["pages"];
        else if (entry.contains("pillow") && entry["pillow"].is_object())
            pages = &entry["pillow"]["pages"];
        if (pages && pages->is_array())
            for (const json& page : *pages) {
                // A reduced-resolution image previews another page; it is none itself.
                if (page.value("subfile_type", "").find("(1 = 0x1)") != std::string::npos) continue;
                // Pages stored turned are read upright: row 0 on the left or right side.
                const std::string orientation = page.value("orientation", "");
                const bool sideways = orientation.rfind("row 0 lhs", 0) == 0 || orientation.rfind("row 0 rhs", 0) == 0;
                const uint32_t w = page.value("w", 0u), h = page.value("h", 0u);
                file.pages.emplace_back(sideways ? h : w, sideways ? w : h);
            }
        if (const auto upright = kStoredSideways.find(name); upright != kStoredSideways.end())
            for (auto& [w, h] : file.pages) std::swap(w, h);
        files.push_back(std::move(file));
    }
    return files;
}

const std::vector<CorpusFile>& corpusFiles() {
    static const std::vector<CorpusFile> files = loadFacts();
    return files;
}

// What the window sees: the first dimension, its frame count, each frame's size.
struct Decoded {
    bool ok = false;
    std::vector<std::pair<uint32_t, uint32_t>> pages;
};

Decoded decodeAllFrames(const std::string& path) {
    Decoded result;
    auto image = fixtures::load(path);
    if (!image->NativeHandle) return result;
    GUID dimension{};
    EXPECT_EQ(image->ListFrameDimensions(&dimension, 1), Ok);
    const uint32_t count = image->CountFrames(&dimension);
    for (uint32_t i = 0; i < count; ++i) {
        if (image->ActivateFrame(&dimension, i) != Ok) return result;
        result.pages.emplace_back(image->PixelWidth(), image->PixelHeight());
    }
    result.ok = count > 0;
    return result;
}

class Corpus : public ::testing::TestWithParam<CorpusFile> {};

TEST_P(Corpus, DecodesAsIndependentDecodersDo) {
    const CorpusFile& file = GetParam();
    const Decoded decoded = decodeAllFrames((fixtures::corpusDir() / file.name).string());
    if (!ourFormat(file.name)) {
        EXPECT_FALSE(decoded.ok) << "not one of the five formats";
        return;
    }
    if (kKnownDifferences.count(file.name)) {
        GTEST_SKIP() << kKnownDifferences.at(file.name);
    }
    if (file.status == "ok") {
        ASSERT_TRUE(decoded.ok);
        EXPECT_EQ(decoded.pages, file.pages);
        return;
    }
    // Broken, hostile or disputed files: decoding may fail, but cleanly, and what does decode
    // has a sane size.
    if (file.status == "expected-invalid" && file.name.rfind("pngsuite/x", 0) == 0) {
        EXPECT_FALSE(decoded.ok) << "deliberately corrupt PNG";
    }
    for (const auto& [w, h] : decoded.pages) {
        EXPECT_GT(w, 0u);
        EXPECT_GT(h, 0u);
        EXPECT_LE(uint64_t{w} * h, uint64_t{1} << 28);
    }
}

INSTANTIATE_TEST_SUITE_P(Files, Corpus, ::testing::ValuesIn(corpusFiles()),
                         [](const ::testing::TestParamInfo<CorpusFile>& info) {
                             std::string name = info.param.name;
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name;
                         });

GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(Corpus);

// The one place that says whether the corpus tests ran.
TEST(CorpusFacts, AreThere) {
    if (!fixtures::corpusPresent()) {
        if (fixtures::corpusRequired())
            FAIL() << "ORVELLE_REQUIRE_CORPUS=1 but " << fixtures::corpusDir() << " has no facts.json";
        GTEST_SKIP() << "public corpus not found at " << fixtures::corpusDir()
                     << ": the tests that read it are left out";
    }
    ASSERT_GT(corpusFiles().size(), 400u);
}

}  // namespace
