#include "texts.h"

#include <atomic>
#include <cstdlib>
#include <optional>
#include <string_view>

namespace orvelle {
namespace {

struct Entry {
    TextId id;
    const char* key;
    const char* chinese;
    const char* english;     // "{n}" for the number
    const char* englishOne;  // for a number of 1, where English says it otherwise
};

// The Chinese texts are the program's own, byte for byte.
constexpr Entry kTexts[] = {
    {TextId::ErrorTitle, "error", "错误", "Error", nullptr},
    {TextId::InformationTitle, "information", "提示", "Information", nullptr},
    {TextId::ListingProgress, "listing", "正在将TIFF文件分页显示,请等待......",
     "Listing the pages of the TIFF file, please wait...", nullptr},
    {TextId::SplitProgress, "splitting", "正在分解TIFF文件,请等待......",
     "Splitting the TIFF file, please wait...", nullptr},
    {TextId::ComposeProgress, "merging", "正在合成TIFF文件,请等待......",
     "Merging into a TIFF file, please wait...", nullptr},
    {TextId::ComposePdfProgress, "merging_pdf", "正在合成PDF文件,请等待......",
     "Merging into a PDF file, please wait...", nullptr},
    {TextId::AddingProgress, "adding", "正在添加图片,请等待......",
     "Adding pictures, please wait...", nullptr},
    {TextId::TiffUnreadable, "tiff_unreadable", "TIF文件无法识别!", "The TIFF file cannot be read.",
     nullptr},
    {TextId::ChooseTiff, "choose_tiff", "请选择TIF文件!", "Choose a TIFF file.", nullptr},
    {TextId::ChooseFolder, "choose_folder", "请选择文件存放目录!", "Choose a folder for the pages.",
     nullptr},
    {TextId::SplitDone, "split_done", "TIFF分解完成!", "Split finished.", nullptr},
    {TextId::SplitNothingSaved, "split_nothing_saved", "TIFF分解失败,没有保存任何文件!",
     "Split failed: no page was saved.", nullptr},
    {TextId::SplitSomeFailed, "split_some_failed", "TIFF分解完成,但有{n}页未能保存!",
     "Split finished, but {n} pages could not be saved.",
     "Split finished, but 1 page could not be saved."},
    {TextId::CannotOverwriteSource, "cannot_overwrite_source", "不能覆盖正在分解的TIF文件!",
     "The TIFF file being split cannot be overwritten.", nullptr},
    {TextId::PageSaveFailed, "page_save_failed", "图片保存失败!", "The picture could not be saved.",
     nullptr},
    {TextId::PicturesNotAdded, "pictures_not_added",
     "以下图片无法识别,未加入列表:", "These pictures cannot be read and were not added:", nullptr},
    {TextId::ComposeNoName, "choose_output", "请选择文件保存的名字!",
     "Choose a name for the merged file.", nullptr},
    {TextId::ComposeOverwritesSource, "output_is_source", "合成文件不能覆盖待合成的图片!",
     "The merged file cannot replace a picture being merged.", nullptr},
    {TextId::ComposeDone, "merge_done", "TIF文件合成完毕!", "The TIFF file is merged.", nullptr},
    {TextId::ComposePdfDone, "merge_pdf_done", "PDF文件合成完毕!", "The PDF file is merged.",
     nullptr},
    {TextId::ComposeFailed, "merge_failed", "TIF文件合成失败!",
     "The TIFF file could not be merged.", nullptr},
    {TextId::ComposePdfFailed, "merge_pdf_failed", "PDF文件合成失败!",
     "The PDF file could not be merged.", nullptr},
    {TextId::ComposeDoneSkipped, "merge_done_skipped",
     "TIF文件合成完毕,但以下图片无法识别,未能合成:",
     "The TIFF file is merged, but these pictures cannot be read and were left out:", nullptr},
    {TextId::ComposePdfDoneSkipped, "merge_pdf_done_skipped",
     "PDF文件合成完毕,但以下图片无法识别,未能合成:",
     "The PDF file is merged, but these pictures cannot be read and were left out:", nullptr},
    {TextId::CancelledSaved, "cancelled_saved", "已取消,已保存{n}页。",
     "Cancelled; {n} pages saved.", "Cancelled; 1 page saved."},
    {TextId::CancelledNothing, "cancelled_nothing", "已取消,未生成文件。",
     "Cancelled; no file was written.", nullptr},
    {TextId::CancelledAdded, "cancelled_added", "已取消,已加入{n}个文件。",
     "Cancelled; {n} files added.", "Cancelled; 1 file added."},
    {TextId::MoreInAll, "more_in_all", "……共{n}个", "... {n} in all", nullptr},
    {TextId::PageOfSource, "page_of_source", " (第{n}页)", " (page {n})", nullptr},
    {TextId::PageCaption, "page_caption", "图({n}) ", "Page {n}  ", nullptr},
    {TextId::DocumentPages, "document_pages", " ({n}页)", " ({n} pages)", nullptr},
};

const Entry& entryOf(TextId id) {
    for (const Entry& entry : kTexts)
        if (entry.id == id) return entry;
    return kTexts[0];
}

// "zh_CN.UTF-8" and "zh" are Chinese, "C" and "POSIX" say nothing.
std::optional<Language> named(std::string_view name) {
    if (name.empty() || name == "C" || name == "POSIX" || name.substr(0, 2) == "C.")
        return std::nullopt;
    return name.substr(0, 2) == "zh" ? Language::Chinese : Language::English;
}

std::atomic<int> g_language{-1};

}  // namespace

Language languageOf(const char* language, const char* lcAll, const char* lcMessages,
                    const char* lang) {
    // LANGUAGE is a list, and counts only where a locale is set at all (as gettext has it).
    const char* locale = lcAll && *lcAll ? lcAll : lcMessages && *lcMessages ? lcMessages : lang;
    if (language && *language && named(locale ? locale : "")) {
        std::string_view list(language);
        const std::string_view first = list.substr(0, list.find(':'));
        if (const std::optional<Language> chosen = named(first)) return *chosen;
    }
    return named(locale ? locale : "").value_or(Language::Chinese);
}

Language programLanguage() {
    int language = g_language.load();
    if (language < 0) {
        language = static_cast<int>(languageOf(std::getenv("LANGUAGE"), std::getenv("LC_ALL"),
                                               std::getenv("LC_MESSAGES"), std::getenv("LANG")));
        g_language.store(language);
    }
    return static_cast<Language>(language);
}

void setProgramLanguage(Language language) {
    g_language.store(static_cast<int>(language));
}

const char* textKey(TextId id) {
    return entryOf(id).key;
}

std::string sayIn(Language language, TextId id, long long number) {
    const Entry& entry = entryOf(id);
    std::string text = language == Language::Chinese                ? entry.chinese
                       : number == 1 && entry.englishOne != nullptr ? entry.englishOne
                                                                    : entry.english;
    if (const size_t at = text.find("{n}"); at != std::string::npos)
        text.replace(at, 3, std::to_string(number));
    return text;
}

std::string say(TextId id, long long number) {
    return sayIn(programLanguage(), id, number);
}

std::string defaultTextLanguages() { return programLanguage() == Language::Chinese ? "chi_sim+eng" : "eng"; }

}  // namespace orvelle
