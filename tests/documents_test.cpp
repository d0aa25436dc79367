// A stack cut into documents: the cuts, and the documents read back with libtiff.
#include <gtest/gtest.h>
#include <tiffio.h>

#include <filesystem>

#include "split/documents.h"
#include "support/fixtures.h"
#include "support/readback.h"

using namespace orvelle;
using fixtures::TempDir;
using fixtures::TiffKind;
using fixtures::TiffPage;

namespace {

using Documents = std::vector<std::vector<uint32_t>>;

TEST(Documents, CutsEveryNAtBlankSeparatorsAndByRanges) {
    DocumentsRequest every{};
    every.every = 3;
    EXPECT_EQ(documentPages(every, 7, {}), (Documents{{0, 1, 2}, {3, 4, 5}, {6}}));
    DocumentsRequest blank{};
    blank.cut = DocumentsRequest::Cut::AtBlankPages;
    // Leading, doubled and trailing separators make no empty document.
    EXPECT_EQ(documentPages(blank, 8, {true, false, false, true, true, false, false, true}),
              (Documents{{1, 2}, {5, 6}}));
    EXPECT_EQ(documentPages(blank, 2, {true, true}), Documents{});
    DocumentsRequest ranges{};
    ranges.cut = DocumentsRequest::Cut::Ranges;
    ranges.ranges = {{0, 1}, {4, 3}};
    EXPECT_EQ(documentPages(ranges, 5, {}), ranges.ranges);
}

TEST(Documents, EachIsAMultiPageFileOfItsPagesAsStored) {
    TempDir dir;
    const std::string stack = dir.file("stack.tif");
    std::vector<TiffPage> pages;
    for (uint32_t k = 0; k < 5; ++k) pages.push_back({TiffKind::Bilevel, 16 + 8 * k, 24, COMPRESSION_CCITTFAX4});
    fixtures::writeTiff(stack, pages);
    fixtures::RecordingContext rec;
    JobContext context = rec.context();
    std::filesystem::create_directory(dir.file("out"));
    DocumentsRequest request{stack, dir.file("out")};
    request.every = 2;
    request.lossless = true;
    const DocumentsResult result = SplitIntoDocuments(request, context);
    ASSERT_EQ(result.written.size(), 3u);
    EXPECT_EQ(result.written[0], dir.file("out/stack_1.TIF"));
    uint32_t page = 0;
    for (const std::string& file : result.written) {
        for (const fixtures::TiffPageInfo& info : fixtures::readTiffPages(file)) {
            EXPECT_EQ(info.width, 16 + 8 * page) << file;
            EXPECT_EQ(info.compression, COMPRESSION_CCITTFAX4);
            ++page;
        }
    }
    EXPECT_EQ(page, 5u);
}

}  // namespace
