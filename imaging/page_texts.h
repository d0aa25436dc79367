// The words of the pages a job writes into a PDF, recognised ahead of the writing: several
// pages at once, one on each worker of the pool, each worker with a decoder and a
// recogniser of its own; the writer takes them one by one, in page order, so the output
// does not depend on the number of workers.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <string>
#include <vector>

#include "gdipobj.h"

namespace orvelle {

// What a job is asked to recognise.
struct TextRecognition {
    bool enabled = false;
    std::string languages;  // the recogniser's names, "chi_sim+eng"
    bool autoRotate = false;  // pages found turned with confidence are set upright
    // A PDF page whose only text is unseen (an earlier recogniser's) is recognised again, its
    // words replacing that text; otherwise it goes with the text it has.
    bool redo = false;
};

// Page `page` of `path`, turned `quarterTurns` quarters clockwise before it is read.
struct PageToRecognise {
    std::string path;
    uint32_t page = 0;
    int quarterTurns = 0;
};

struct RecognisedPage {
    PageText text;  // of the page as it is shown, `uprightTurns` included
    int uprightTurns = 0;  // quarter turns clockwise found by the orientation check
    bool recognised = false;  // false: no words for this page (see `note`)
    std::string note;  // why it was not recognised (a PDF's page goes whole, with its own text)
};

class PageTexts {
public:
    // Starts on the first pages at once; `cancelled()` is asked before each new page.
    PageTexts(std::vector<PageToRecognise> pages, TextRecognition settings, std::function<bool()> cancelled);
    ~PageTexts();  // waits for the pages on their way
    PageTexts(const PageTexts&) = delete;
    PageTexts& operator=(const PageTexts&) = delete;

    // The next page's words, in order; waits for them.
    RecognisedPage take();

private:
    struct Lane {
        std::string path;
        std::unique_ptr<TGPImage> image;
    };
    void startNext();

    std::vector<PageToRecognise> m_pages;
    TextRecognition m_settings;
    std::function<bool()> m_cancelled;
    std::vector<Lane> m_lanes;
    std::deque<std::future<RecognisedPage>> m_inFlight;
    size_t m_started = 0;
    size_t m_taken = 0;
};

// What became of one page of a job's output: its words found, or why not.
struct PageWords {
    std::string path;
    uint32_t page = 0;  // from 0, of its source
    bool recognised = false;
    std::string note;  // why it was not: a PDF's page going whole, or the recogniser's reason
    size_t words = 0;
    float confidence = 0;  // the words' mean, 0 to 100
    int uprightTurns = 0;  // quarter turns clockwise it was set upright by
    std::string text;  // as plainText gives it
};

PageWords pageWords(const std::string& path, uint32_t page, const RecognisedPage& found);

// Whether every one of `languages` ("chi_sim+eng") is installed; `why` names the package to
// install when one is not, or why the recogniser cannot be had.
GpStatus checkTextLanguages(const std::string& languages, std::string& why);

// The words of a page in reading order, a line to each line of text: what --text writes.
std::string plainText(const PageText& text);

}  // namespace orvelle
