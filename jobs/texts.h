// What the jobs say, by identifier, in the two languages the program speaks. The job code
// names a text; it is said in the user's language, the same for the window and the command
// line, and the identifier goes with it to whoever reads a report by program.
#pragma once

#include <string>

namespace orvelle {

enum class Language { Chinese, English };

// The language of a user whose locale variables are these (null when not set), read in
// gettext's order: LANGUAGE (a list, "de:en"), then LC_ALL, LC_MESSAGES, LANG. Chinese when
// none is set, or "C"/"POSIX", or the first language named is Chinese; English for any other
// language, which is likelier read than Chinese.
Language languageOf(const char* language, const char* lcAll, const char* lcMessages,
                    const char* lang);

// The program's language: from the environment on first use, unless set before.
Language programLanguage();

// The languages text is recognised in unless the user names others: Chinese and English
// for a Chinese user (their documents mix both), English otherwise.
std::string defaultTextLanguages();
void setProgramLanguage(Language language);

enum class TextId {
    ErrorTitle,
    InformationTitle,
    ListingProgress,
    SplitProgress,
    ComposeProgress,
    ComposePdfProgress,
    AddingProgress,
    TiffUnreadable,
    ChooseTiff,
    ChooseFolder,
    SplitDone,
    SplitNothingSaved,
    SplitSomeFailed,  // {n} pages
    CannotOverwriteSource,
    PageSaveFailed,
    PicturesNotAdded,
    ComposeNoName,
    ComposeOverwritesSource,
    ComposeDone,
    ComposePdfDone,
    ComposeFailed,
    ComposePdfFailed,
    ComposeDoneSkipped,
    ComposePdfDoneSkipped,
    CancelledSaved,  // {n} pages
    CancelledNothing,
    CancelledAdded,  // {n} files
    MoreInAll,       // {n} paths
    PageOfSource,    // page {n}
    PageCaption,     // page {n}
    DocumentPages,   // {n} pages
};

// The identifier as programs read it: "tiff_unreadable".
const char* textKey(TextId id);

// The text in `language` (the program's when not given), its number put in.
std::string sayIn(Language language, TextId id, long long number = 0);
std::string say(TextId id, long long number = 0);

}  // namespace orvelle
