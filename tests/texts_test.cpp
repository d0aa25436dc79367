// The program's two languages: which one a user's locale variables choose, and the job texts
// in each, the Chinese ones exactly the program's own.
#include <gtest/gtest.h>

#include <regex>

#include "jobs/job_reporting.h"
#include "jobs/texts.h"
#include "support/readback.h"

using namespace orvelle;

namespace {

struct LocaleRow {
    const char* language;
    const char* lcAll;
    const char* lcMessages;
    const char* lang;
    Language expected;
};

TEST(Texts, TheLocaleVariablesChooseTheLanguageInGettextsOrder) {
    const LocaleRow rows[] = {
        {nullptr, nullptr, nullptr, nullptr, Language::Chinese},  // nothing set
        {nullptr, nullptr, nullptr, "C", Language::Chinese},
        {nullptr, nullptr, nullptr, "C.UTF-8", Language::Chinese},
        {nullptr, nullptr, nullptr, "POSIX", Language::Chinese},
        {nullptr, nullptr, nullptr, "en_US.UTF-8", Language::English},
        {nullptr, nullptr, nullptr, "zh_CN.UTF-8", Language::Chinese},
        {nullptr, nullptr, nullptr, "de_DE.UTF-8", Language::English},  // English is likelier read
        {nullptr, "zh_TW.UTF-8", "en_GB.UTF-8", "en_US.UTF-8", Language::Chinese},  // LC_ALL first
        {nullptr, "", "en_GB.UTF-8", "zh_CN.UTF-8", Language::English},    // then LC_MESSAGES
        {"zh_CN:en", nullptr, nullptr, "en_US.UTF-8", Language::Chinese},  // LANGUAGE's first
        {"en", nullptr, nullptr, "zh_CN.UTF-8", Language::English},
        {"en", nullptr, nullptr, "C", Language::Chinese},  // LANGUAGE counts only with a locale
    };
    for (const LocaleRow& row : rows) {
        EXPECT_EQ(languageOf(row.language, row.lcAll, row.lcMessages, row.lang), row.expected)
            << (row.language ? row.language : "-") << " " << (row.lcAll ? row.lcAll : "-") << " "
            << (row.lcMessages ? row.lcMessages : "-") << " " << (row.lang ? row.lang : "-");
    }
}

TEST(Texts, EveryTextIsSaidInBothLanguagesWithItsNumber) {
    const std::regex han("[\\xE4-\\xE9][\\x80-\\xBF][\\x80-\\xBF]");
    for (int i = 0; i <= static_cast<int>(TextId::DocumentPages); ++i) {
        const auto id = static_cast<TextId>(i);
        const std::string chinese = sayIn(Language::Chinese, id, 7),
                          english = sayIn(Language::English, id, 7);
        EXPECT_TRUE(std::regex_search(chinese, han)) << textKey(id) << ": " << chinese;
        EXPECT_FALSE(std::regex_search(english, han)) << textKey(id) << ": " << english;
        EXPECT_EQ(english.find("{n}"), std::string::npos) << textKey(id);
        EXPECT_EQ(chinese.find("{n}"), std::string::npos) << textKey(id);
        EXPECT_NE(std::string(textKey(id)), textKey(static_cast<TextId>(i == 0 ? 1 : 0)));
    }
    EXPECT_EQ(sayIn(Language::Chinese, TextId::SplitSomeFailed, 3),
              "TIFF分解完成,但有3页未能保存!");
    EXPECT_EQ(sayIn(Language::English, TextId::SplitSomeFailed, 3),
              "Split finished, but 3 pages could not be saved.");
    EXPECT_EQ(sayIn(Language::English, TextId::SplitSomeFailed, 1),
              "Split finished, but 1 page could not be saved.");
    EXPECT_EQ(sayIn(Language::English, TextId::TiffUnreadable), "The TIFF file cannot be read.");
}

// The window and the command line show the user's language; reports read by programs keep
// the identifier and the program's own words.
TEST(Texts, AMessageCarriesItsIdentifierAndBothWordings) {
    struct Keeper : MessageSink {
        void show(const std::string&, const std::string&, MessageIcon) override {}
        void showMessage(const Message& message) override { kept = message; }
        Message kept;
    } keeper;
    setProgramLanguage(Language::English);
    std::vector<std::string> paths;
    for (int i = 0; i < 12; ++i) paths.push_back("/scans/" + std::to_string(i) + ".png");
    showError(keeper, {TextId::PicturesNotAdded, 0, paths}, "why");
    setProgramLanguage(Language::Chinese);
    EXPECT_EQ(keeper.kept.id, "pictures_not_added");
    EXPECT_EQ(keeper.kept.title, "Error");
    EXPECT_EQ(keeper.kept.reportTitle, "错误");
    EXPECT_EQ(keeper.kept.text.substr(0, keeper.kept.text.find('\n')),
              "These pictures cannot be read and were not added:");
    EXPECT_EQ(keeper.kept.text.substr(keeper.kept.text.rfind('\n') + 1), "... 12 in all");
    EXPECT_EQ(keeper.kept.reportText.substr(keeper.kept.reportText.rfind('\n') + 1), "……共12个");
    EXPECT_EQ(keeper.kept.details, "why");
}

}  // namespace
