// The organizer's edits on a document's page order, undone and redone, and the order
// written: read back with libtiff.
#include <gtest/gtest.h>
#include <tiffio.h>

#include <functional>

#include "merge/page_order.h"
#include "support/fixtures.h"
#include "support/readback.h"

using namespace orvelle;

namespace {

// The order as "page+turn" (blank pages "b"): "2 1r 3" is page 2, page 1 turned right, page 3.
std::string shown(const PageOrder& order) {
    std::string text;
    for (const PagePlace& place : order.places()) {
        if (!text.empty()) text += ' ';
        text += place.blank() ? "b" : std::to_string(place.page + 1);
        text += std::string(static_cast<size_t>(place.quarterTurns), 'r');
    }
    return text;
}

TEST(PageOrder, EditsUndoAndRedoWithoutLimit) {
    PageOrder order("doc.tif", 5);
    struct Step {
        const char* name;
        std::function<void(PageOrder&)> edit;
        const char* after;
    };
    const std::vector<Step> steps = {
        {"turn two pages right", [](PageOrder& o) { o.turn({1, 3}, 1); }, "1 2r 3 4r 5"},
        {"turn one back left", [](PageOrder& o) { o.turn({3}, -1); }, "1 2r 3 4 5"},
        {"move the last two to the front", [](PageOrder& o) { o.move({4, 3}, 0); }, "4 5 1 2r 3"},
        {"move one to the end", [](PageOrder& o) { o.move({0}, 5); }, "5 1 2r 3 4"},
        {"delete two", [](PageOrder& o) { o.remove({0, 2, 2, 9}); }, "1 3 4"},
        {"insert a blank page", [](PageOrder& o) { o.insertBlank(1, 100, 200, 300); }, "1 b 3 4"},
        {"reverse all", [](PageOrder& o) { o.reverse({}); }, "4 3 b 1"},
        {"reverse two", [](PageOrder& o) { o.reverse({0, 3}); }, "1 3 b 4"},
    };
    std::vector<std::string> history{shown(order)};
    for (const Step& step : steps) {
        step.edit(order);
        EXPECT_EQ(shown(order), step.after) << step.name;
        history.push_back(shown(order));
    }
    EXPECT_TRUE(order.modified());
    for (size_t k = history.size() - 1; k > 0; --k) {
        order.undo();
        EXPECT_EQ(shown(order), history[k - 1]);
    }
    EXPECT_FALSE(order.canUndo());
    EXPECT_FALSE(order.modified());
    for (size_t k = 1; k < history.size(); ++k) {
        order.redo();
        EXPECT_EQ(shown(order), history[k]);
    }
    // An edit after undoing drops what could be redone.
    order.undo();
    order.turn({0}, 2);
    EXPECT_FALSE(order.canRedo());
}

// A save writes the order over the document: the saved order is the document's pages one to
// the last, and undoing goes back through the edits before it, their pages read from the
// document as it was.
TEST(PageOrder, UndoReachesPastASave) {
    PageOrder order("doc.tif", 4);
    order.remove({0});
    order.turn({0}, 1);  // "2r 3 4"
    order.documentReplaced("doc.tif", "/proc/self/fd/7");
    EXPECT_EQ(shown(order), "1 2 3");
    EXPECT_FALSE(order.modified());
    for (const PagePlace& place : order.places()) EXPECT_EQ(place.path, "doc.tif");
    order.undo();
    EXPECT_EQ(shown(order), "2 3 4");
    EXPECT_TRUE(order.modified());
    for (const PagePlace& place : order.places()) EXPECT_EQ(place.path, "/proc/self/fd/7");
    order.undo();
    EXPECT_EQ(shown(order), "1 2 3 4");
    EXPECT_FALSE(order.canUndo());
    order.redo();
    order.redo();
    EXPECT_EQ(shown(order), "1 2 3");
    EXPECT_EQ(order.places()[0].path, "doc.tif");
    EXPECT_FALSE(order.modified());
}

TEST(PageOrder, InterleavesFrontsAndReversedBacksAndRefusesUnevenStacks) {
    PageOrder order("scan.tif", 10);  // fronts 1-5, backs 6-10 scanned last sheet first
    std::string why;
    ASSERT_TRUE(order.interleave(5, true, why));
    EXPECT_EQ(shown(order), "1 10 2 9 3 8 4 7 5 6");
    order.undo();
    ASSERT_TRUE(order.interleave(5, false, why));
    EXPECT_EQ(shown(order), "1 6 2 7 3 8 4 9 5 10");
    PageOrder uneven("scan.tif", 9);
    EXPECT_FALSE(uneven.interleave(5, true, why));
    EXPECT_EQ(why, "the fronts and the backs are not as many: 5 fronts, 4 backs");
    EXPECT_FALSE(uneven.modified());
}

TEST(PageOrder, IsWrittenInOrderTurnedAndWithItsBlankPages) {
    fixtures::TempDir dir;
    const std::string doc = dir.file("doc.tif");
    std::vector<fixtures::TiffPage> pages;
    for (uint32_t k = 0; k < 3; ++k) pages.push_back({fixtures::TiffKind::Bilevel, 16 + 8 * k, 40, COMPRESSION_CCITTFAX4});
    fixtures::writeTiff(doc, pages);
    PageOrder order(doc, 3);
    order.move({2}, 0);
    order.turn({1}, 1);
    order.insertBlank(3, 30, 50, 200);
    int blanks = 0;
    const ComposeRequest request = orderRequest(order.places(), dir.file("out.tif"), [&](const PagePlace& place) {
        const std::string file = dir.file("blank" + std::to_string(blanks++) + ".tif");
        EXPECT_TRUE(writeBlankPage(place, file));
        return file;
    });
    fixtures::RecordingContext rec;
    JobContext context = rec.context();
    ASSERT_TRUE(ComposeTiff(request, context).written);
    const auto written = fixtures::readTiffPages(request.outputPath);
    ASSERT_EQ(written.size(), 4u);
    const uint32_t widths[] = {32, 40, 24, 30};  // page 3, page 1 turned, page 2, the blank page
    for (size_t k = 0; k < 4; ++k) EXPECT_EQ(written[k].width, widths[k]) << k;
    EXPECT_EQ(written[0].compression, COMPRESSION_CCITTFAX4);  // copied as stored
    EXPECT_EQ(written[1].compression, COMPRESSION_CCITTFAX4);  // turned in its own compression
    EXPECT_EQ(written[3].argb[0], 0xFFFFFFFFu);
}

}  // namespace
