// The merge list: its operations on entries and selection, filling it from files, and what
// a drop onto it adds.
#include <gtest/gtest.h>

#include "merge/dropped_files.h"
#include "merge/merge_adding.h"
#include "merge/merge_list.h"
#include "support/fixtures.h"
#include "support/readback.h"

using namespace orvelle;
using fixtures::RecordingContext;
using fixtures::TempDir;
using fixtures::TiffKind;

namespace {

// Counts what the table and the preview are told.
class CountingListener : public MergeListListener {
public:
    void entriesChanged() override { ++entries; }
    void selectionChanged() override { ++selections; }
    int entries = 0;
    int selections = 0;
};

// A list of `count` entries "0".."count-1" with entry `selected` selected.
MergeList listOf(int count, int selected) {
    MergeList list;
    for (int i = 0; i < count; ++i) list.add({std::to_string(i), "1×1"});
    list.select(selected);
    return list;
}

std::string order(const MergeList& list) {
    std::string text;
    for (const std::string& path : list.paths()) text += path;
    return text;
}

enum class Action { Up, Down, Remove, Clear };

struct ListCase {
    const char* name;
    int count;
    int selected;
    Action action;
    const char* order;   // afterwards
    int nowSelected;     // afterwards
    bool changed;        // the table was told
};

class ListOperations : public testing::TestWithParam<ListCase> {};

TEST_P(ListOperations, MoveAndRemove) {
    const ListCase& c = GetParam();
    MergeList list = listOf(c.count, c.selected);
    CountingListener listener;
    list.setListener(&listener);
    switch (c.action) {
        case Action::Up: list.moveUp(); break;
        case Action::Down: list.moveDown(); break;
        case Action::Remove: list.removeSelected(); break;
        case Action::Clear: list.clear(); break;
    }
    EXPECT_EQ(order(list), c.order);
    EXPECT_EQ(list.selected(), c.nowSelected);
    EXPECT_EQ(listener.entries, c.changed ? 1 : 0);
    // The preview follows every change of the selected entry's place.
    EXPECT_EQ(listener.selections, c.changed && c.selected != MergeList::kNoSelection ? 1 : 0);
}

constexpr int kNone = MergeList::kNoSelection;

INSTANTIATE_TEST_SUITE_P(
    MergeList, ListOperations,
    testing::Values(
        ListCase{"UpInTheMiddle", 5, 2, Action::Up, "02134", 1, true},
        ListCase{"DownToTheEnd", 5, 3, Action::Down, "01243", 4, true},
        ListCase{"UpAtTheTop", 5, 0, Action::Up, "01234", 0, false},
        ListCase{"DownAtTheBottom", 5, 4, Action::Down, "01234", 4, false},
        ListCase{"UpWithoutSelection", 5, kNone, Action::Up, "01234", kNone, false},
        ListCase{"DownWithoutSelection", 5, kNone, Action::Down, "01234", kNone, false},
        ListCase{"RemoveFromTheMiddle", 5, 2, Action::Remove, "0134", 2, true},
        ListCase{"RemoveTheLast", 5, 4, Action::Remove, "0123", 3, true},
        ListCase{"RemoveTheOnlyEntry", 1, 0, Action::Remove, "", kNone, true},
        ListCase{"RemoveWithoutSelection", 3, kNone, Action::Remove, "012", kNone, false},
        ListCase{"Clear", 5, 3, Action::Clear, "", kNone, true},
        ListCase{"ClearWithoutSelection", 4, kNone, Action::Clear, "", kNone, true}),
    [](const testing::TestParamInfo<ListCase>& info) { return std::string(info.param.name); });

struct StepCase {
    const char* name;
    int selected;
    std::vector<int> steps;
    int nowSelected;
};

class SelectionSteps : public testing::TestWithParam<StepCase> {};

TEST_P(SelectionSteps, MoveTheSelectionOneEntryEach) {
    const StepCase& c = GetParam();
    MergeList list = listOf(5, c.selected);
    for (int step : c.steps) list.stepSelection(step);
    EXPECT_EQ(list.selected(), c.nowSelected);
    EXPECT_EQ(order(list), "01234") << "the entries stay where they are";
}

INSTANTIATE_TEST_SUITE_P(
    MergeList, SelectionSteps,
    testing::Values(StepCase{"BackGoesUp", 1, {-1}, 0}, StepCase{"StopsAtTheFirstEntry", 1, {-1, -1}, 0},
                    StepCase{"ForwardGoesDown", 3, {1}, 4}, StepCase{"StopsAtTheLastEntry", 3, {1, 1, 1}, 4},
                    StepCase{"NoStep", 2, {0}, 2}, StepCase{"NoSelectionNoMove", kNone, {-1, 1, 1}, kNone}),
    [](const testing::TestParamInfo<StepCase>& info) { return std::string(info.param.name); });

TEST(MergeList, SelectionReportsOnlyChanges) {
    MergeList list = listOf(3, kNone);
    CountingListener listener;
    list.setListener(&listener);
    list.select(1);
    list.select(1);
    list.select(7);  // outside the list: nothing selected
    EXPECT_EQ(list.selected(), kNone);
    EXPECT_EQ(listener.selections, 2);
    EXPECT_EQ(listener.entries, 0);
}

// Files for the batch: pictures of each kind, a missing file, a file that is no picture, a
// folder and one whose only page is damaged.
class MergeAddingTest : public testing::Test {
protected:
    void SetUp() override {
        fixtures::writeTiff(dir.file("two.tif"), {{TiffKind::Rgb, 30, 20}, {TiffKind::Grey8, 5, 5}});
        fixtures::writePng(dir.file("b.png"), fixtures::gradient(7, 9, 3));
        fixtures::writeJpeg(dir.file("c.jpg"), fixtures::gradient(16, 8, 3));
        fixtures::writeBytes(dir.file("notes.txt"), {'h', 'i'});
        std::filesystem::create_directory(dir.file("folder.png"));
    }

    MergeAdding add(const std::vector<std::string>& names) {
        std::vector<std::string> paths;
        for (const std::string& name : names) paths.push_back(dir.file(name));
        JobContext context = rec.context();
        return addMergeFiles(list, paths, context);
    }

    TempDir dir;
    MergeList list;
    RecordingContext rec;
};

TEST_F(MergeAddingTest, EntriesInTheChosenOrderWithTheLastSelected) {
    list.add({"earlier", "1×1"});
    list.select(0);
    const MergeAdding adding = add({"two.tif", "b.png", "c.jpg", "b.png"});
    EXPECT_EQ(adding.added, 4u);
    ASSERT_EQ(list.count(), 5u);
    const std::vector<std::pair<std::string, std::string>> expected{
        {"two.tif", "30×20 (2页)"}, {"b.png", "7×9"}, {"c.jpg", "16×8"}, {"b.png", "7×9"}};
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(list.entries()[i + 1].path, dir.file(expected[i].first));
        EXPECT_EQ(list.entries()[i + 1].sizeText, expected[i].second);
    }
    EXPECT_EQ(list.selected(), 4);
    // The status text is up from the start to the end; events are processed after each
    // file, and nothing is said.
    EXPECT_EQ(rec.events, (std::vector<std::string>{"status 正在添加图片,请等待......", "pump",
                                                    "pump", "pump", "pump", "end"}));
}

TEST_F(MergeAddingTest, UndecodableFilesAreNamedNotKept) {
    const MergeAdding adding = add({"missing.png", "b.png", "notes.txt", "folder.png"});
    EXPECT_EQ(order(list), dir.file("b.png"));
    EXPECT_EQ(list.selected(), 0);
    EXPECT_EQ(adding.rejected.size(), 3u);
    EXPECT_EQ(rec.messages(),
              std::vector<std::string>{"错误|以下图片无法识别,未加入列表:\n" + dir.file("missing.png") +
                                       "\n" + dir.file("notes.txt") + "\n" + dir.file("folder.png")});
}

TEST_F(MergeAddingTest, ALongListOfRejectsIsCut) {
    std::vector<std::string> names;
    for (int i = 0; i < 13; ++i) names.push_back("gone" + std::to_string(i) + ".png");
    add(names);
    EXPECT_EQ(list.count(), 0u);
    EXPECT_EQ(list.selected(), kNone);
    const std::vector<std::string> messages = rec.messages();
    ASSERT_EQ(messages.size(), 1u);
    const std::string& text = messages[0];
    EXPECT_NE(text.find(dir.file("gone9.png")), std::string::npos);
    EXPECT_EQ(text.find(dir.file("gone10.png")), std::string::npos);
    EXPECT_EQ(text.substr(text.size() - std::string("\n……共13个").size()), "\n……共13个");
}

TEST(NaturalOrder, DigitRunsByValue) {
    const std::vector<std::pair<std::string, std::string>> less{
        {"page2.tif", "page10.tif"}, {"page9", "page10"}, {"a.png", "B.png"},
        {"scan", "scan1"}, {"page1b", "page1c"}, {"page01", "page1"}, {"x2y3", "x2y10"}};
    for (const auto& [a, b] : less) {
        EXPECT_TRUE(naturalLess(a, b)) << a << " < " << b;
        EXPECT_FALSE(naturalLess(b, a)) << b << " !< " << a;
    }
    EXPECT_FALSE(naturalLess("same", "same"));
}

TEST(DroppedFiles, FoldersGiveTheirPicturesInNaturalOrder) {
    TempDir dir;
    std::filesystem::create_directories(dir.path() / "scans" / "deeper");
    for (int k = 12; k >= 1; --k) fixtures::writeBytes(dir.file("scans/page" + std::to_string(k) + ".TIF"), {1});
    for (const char* other : {"scans/readme.txt", "scans/.hidden.png", "scans/deeper/page0.png"})
        fixtures::writeBytes(dir.file(other), {1});
    std::filesystem::create_directory(dir.path() / "scans" / "dir.png");
    const std::vector<std::string> got =
        droppedPictures({dir.file("z.jpg"), dir.file("scans"), dir.file("a.bmp")});
    std::vector<std::string> expected{dir.file("z.jpg")};
    for (int k = 1; k <= 12; ++k) expected.push_back(dir.file("scans/page" + std::to_string(k) + ".TIF"));
    expected.push_back(dir.file("a.bmp"));
    EXPECT_EQ(got, expected);
    EXPECT_TRUE(isMergePictureName("x.JpE"));
    EXPECT_FALSE(isMergePictureName(".png"));
    EXPECT_FALSE(isMergePictureName("tif"));
}

}  // namespace
