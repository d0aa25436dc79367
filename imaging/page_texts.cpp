#include "page_texts.h"

#include <algorithm>
#include <chrono>

#include "text_path.h"
#include "work_aside.h"

namespace orvelle {
namespace {

// How sure the orientation check must be before a page is turned: below it, a page of
// little text or of drawings is left as it is.
constexpr float kSureOfTurn = 14.0f;

RecognisedPage recognisePage(TGPImage& image, const PageToRecognise& page, const TextRecognition& settings) {
    RecognisedPage result;
    // A PDF's page goes into a PDF whole: text of its own goes with it, and is not found again
    // unless the earlier words (no one sees) are to be found again.
    const FrameText own = image.TextOfFrame(page.page);
    if (own == FrameText::Seen || (own == FrameText::Invisible && !settings.redo)) {
        result.note = "a PDF's page goes whole, with the text it has";
        return result;
    }
    const GUID dimension = FrameDimensionPage;
    if (image.ActivateFrame(&dimension, page.page) != Ok) {
        result.note = "the page cannot be decoded";
        return result;
    }
    struct Released {
        TGPImage& image;
        ~Released() { image.ReleaseFrame(); }
    } const released{image};
    if (page.quarterTurns % 4 != 0 && image.Turn(page.quarterTurns) != Ok) {
        result.note = "the page cannot be turned";
        return result;
    }
    std::string why;
    if (settings.autoRotate) {
        int turns = 0;
        float sure = 0;
        if (image.UprightTurns(settings.languages, turns, sure, why) == Ok && turns != 0 && sure >= kSureOfTurn) {
            if (image.Turn(turns) != Ok) {
                result.note = "the page cannot be turned";
                return result;
            }
            result.uprightTurns = turns;
        }
    }
    if (image.RecognizeText(settings.languages, result.text, why) != Ok) {
        result.note = why.empty() ? "its text cannot be recognised" : why;
        return result;
    }
    result.recognised = true;
    return result;
}

}  // namespace

PageTexts::PageTexts(std::vector<PageToRecognise> pages, TextRecognition settings, std::function<bool()> cancelled)
    : m_pages(std::move(pages)), m_settings(std::move(settings)), m_cancelled(std::move(cancelled)) {
    m_lanes.resize(std::max<uint32_t>(1, gdip::GdipWorkerCount()));
    while (m_started < m_pages.size() && m_inFlight.size() < m_lanes.size()) startNext();
}

PageTexts::~PageTexts() {
    for (auto& page : m_inFlight)
        if (page.valid() && page.wait_for(std::chrono::seconds(0)) != std::future_status::deferred) page.wait();
}

void PageTexts::startNext() {
    const size_t index = m_started++;
    Lane& lane = m_lanes[index % m_lanes.size()];
    const PageToRecognise& page = m_pages[index];
    if (m_cancelled && m_cancelled()) {
        m_inFlight.push_back(startAside(false, [] {
            RecognisedPage page;
            page.note = "cancelled";
            return page;
        }));
        return;
    }
    m_inFlight.push_back(startAside(m_lanes.size() > 1, [&lane, &page, &settings = m_settings] {
        if (!lane.image || lane.path != page.path) {
            lane.image.reset();
            lane.image = std::make_unique<TGPImage>(widenPath(page.path), TGPImage::Deferred{});
            lane.path = page.path;
        }
        return recognisePage(*lane.image, page, settings);
    }));
}

RecognisedPage PageTexts::take() {
    if (m_inFlight.empty()) return RecognisedPage{{}, 0, false, "no page is left to recognise"};
    // A page that found no free worker is recognised here now, while the pages before it
    // are still on theirs, rather than after them.
    for (size_t k = 1; k < m_inFlight.size(); ++k)
        if (m_inFlight[k].wait_for(std::chrono::seconds(0)) == std::future_status::deferred) m_inFlight[k].wait();
    RecognisedPage page = m_inFlight.front().get();
    m_inFlight.pop_front();
    ++m_taken;
    if (m_started < m_pages.size()) startNext();
    return page;
}

PageWords pageWords(const std::string& path, uint32_t page, const RecognisedPage& found) {
    return {path, page, found.recognised, found.note, found.text.words.size(), found.text.meanConfidence(),
            found.uprightTurns, plainText(found.text)};
}

GpStatus checkTextLanguages(const std::string& languages, std::string& why) {
    return gdip::GdipCheckTextLanguages(languages.c_str(), &why);
}

std::string plainText(const PageText& text) {
    std::string plain;
    // Chinese characters, each a word to the recogniser, are written together.
    for (size_t i = 0; i < text.words.size(); ++i) {
        const std::string& word = text.words[i].text;
        if (i > 0 && text.words[i].startsLine) plain += "\n";
        else if (i > 0 && !(gdip::isCjkWord(word) && gdip::isCjkWord(text.words[i - 1].text))) plain += " ";
        plain += word;
    }
    if (!plain.empty()) plain += "\n";
    return plain;
}

}  // namespace orvelle
