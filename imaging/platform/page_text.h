// The words recognised on a page: what goes over its picture as an invisible text layer, into
// a text file for indexing, and into a job's report.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace gdip {

struct TextWord {
    std::string text;  // UTF-8
    // In pixels of the page as it is shown (PageText's width and height); right and bottom
    // exclusive.
    int32_t left = 0, top = 0, right = 0, bottom = 0;
    int32_t baseline = 0;  // the row its line of text stands on
    float confidence = 0;  // 0 to 100
    bool startsLine = false;  // the first word of a line of text
};

// Whether a word (UTF-8) is of Chinese, Japanese or Korean script, from U+2E80 on: the
// recogniser makes each such character a word, and they are read without spaces between.
inline bool isCjkWord(const std::string& word) {
    if (word.size() < 3) return false;
    const auto b0 = uint8_t(word[0]), b1 = uint8_t(word[1]);
    if (b0 >= 0xE3 && b0 < 0xF0) return true;
    return b0 == 0xE2 && b1 >= 0xBA;
}

struct PageText {
    uint32_t width = 0;  // of the page the words were found on, as it is shown
    uint32_t height = 0;
    std::vector<TextWord> words;  // in reading order

    float meanConfidence() const {
        if (words.empty()) return 0;
        double sum = 0;
        for (const TextWord& word : words) sum += word.confidence;
        return static_cast<float>(sum / static_cast<double>(words.size()));
    }
};

}  // namespace gdip
