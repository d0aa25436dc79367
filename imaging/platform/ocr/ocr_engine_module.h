// What the text recogniser module (ocr_engine_module.cpp, over tesseract) offers the back
// end, which loads it the first time a page is recognised: tesseract, its image library and
// what they link take longer to load than most jobs take, and most jobs never recognise.
// Plain C types across the boundary: the module is a shared object of its own. An engine is
// used by one thread at a time.
#pragma once

#include <cstdint>

namespace gdip::ocr {

// A word found, in pixels of the picture it was found on (right and bottom exclusive).
struct EngineWord {
    const char* text;  // UTF-8, valid during the call only
    int left, top, right, bottom;
    int baseline;  // the row the word stands on; bottom when the engine gives none
    float confidence;  // 0 to 100
    int startsLine;  // nonzero for the first word of a line
};

struct EngineModule {
    // An engine for `languages` ("chi_sim+eng") with the system's language data; null, with
    // the engine's words in `why` (of `whySize` bytes), when a language cannot be loaded.
    void* (*open)(const char* languages, char* why, int whySize);
    void (*close)(void* engine);
    // Recognises a page taken at `dpi`: rows `stride` bytes apart of 8-bit grey, or, when
    // `bilevel`, of bits (the first pixel the byte's highest bit, 1 white); gives each word
    // in reading order to `word(context, …)`. False when the engine failed.
    bool (*recognise)(void* engine, const uint8_t* rows, int width, int height, int stride, int bilevel, int dpi,
                      void (*word)(void* context, const EngineWord* found), void* context);
    // The clockwise turn in degrees (0, 90, 180, 270) the page's text is shown at, and the
    // engine's confidence in it (15 is fairly sure); false when it cannot tell.
    bool (*orientation)(void* engine, const uint8_t* rows, int width, int height, int stride, int bilevel, int dpi,
                        int* degrees, float* confidence);
};

}  // namespace gdip::ocr

// The module's one entry point.
extern "C" const gdip::ocr::EngineModule* orvelle_ocr_engine();
