// The text recogniser module: tesseract's LSTM engine behind the plain table the back end
// loads. Only this file knows tesseract.
#include "ocr_engine_module.h"

#include <tesseract/baseapi.h>
#include <tesseract/resultiterator.h>

#include <dlfcn.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <string>

namespace {

using tesseract::TessBaseAPI;

void copyWhy(const std::string& text, char* why, int size) {
    if (!why || size <= 0) return;
    const size_t n = std::min(text.size(), static_cast<size_t>(size - 1));
    std::memcpy(why, text.data(), n);
    why[n] = '\0';
}

// The engine's OpenMP loops would fight the worker pool for the cores (each page already has
// a worker of its own), so the thread that recognises runs them on itself alone: OpenMP keeps
// this setting per thread, and tesseract's loops ask for their own number of threads, which
// only a limit on nesting overrides.
void runOnThisThreadOnly() {
    using SetLevels = void (*)(int);
    static const auto setLevels = reinterpret_cast<SetLevels>(::dlsym(RTLD_DEFAULT, "omp_set_max_active_levels"));
    if (setLevels) setLevels(0);
}

// An engine: the recogniser of the languages asked for, and the orientation checker, made
// when first asked (its data is the legacy engine's alone).
struct Engine {
    TessBaseAPI words;
    std::unique_ptr<TessBaseAPI> orientation;
};

// Engines are made one at a time: making one sets parameters the engines share.
std::mutex g_making;

void* open(const char* languages, char* why, int whySize) {
    try {
        auto engine = std::make_unique<Engine>();
        const std::lock_guard<std::mutex> making(g_making);
        // The engines' console chatter goes nowhere; the setting is shared by all, so it is
        // made once, before any engine works.
        static bool quiet = engine->words.SetVariable("debug_file", "/dev/null");
        (void)quiet;
        if (engine->words.Init(nullptr, languages, tesseract::OEM_LSTM_ONLY) != 0) {
            copyWhy("the language data cannot be loaded", why, whySize);
            return nullptr;
        }
        engine->words.SetPageSegMode(tesseract::PSM_AUTO);
        return engine.release();
    } catch (const std::exception& e) {
        copyWhy(e.what(), why, whySize);
        return nullptr;
    }
}

void close(void* engine) { delete static_cast<Engine*>(engine); }

bool recogniseWords(void* handle, const uint8_t* rows, int width, int height, int stride, int bilevel, int dpi,
                    void (*word)(void*, const gdip::ocr::EngineWord*), void* context) {
    TessBaseAPI* engine = &static_cast<Engine*>(handle)->words;
    runOnThisThreadOnly();
    try {
        engine->SetImage(rows, width, height, bilevel ? 0 : 1, stride);
        engine->SetSourceResolution(dpi);
        if (engine->Recognize(nullptr) != 0) {
            engine->Clear();
            return false;
        }
        std::unique_ptr<tesseract::ResultIterator> words(engine->GetIterator());
        if (words) {
            const auto level = tesseract::RIL_WORD;
            do {
                std::unique_ptr<char[]> text(words->GetUTF8Text(level));
                // A word of nothing but spaces is no word.
                if (!text || std::strspn(text.get(), " \t\n") == std::strlen(text.get())) continue;
                gdip::ocr::EngineWord found{text.get(), 0, 0, 0, 0, 0, words->Confidence(level),
                                            words->IsAtBeginningOf(tesseract::RIL_TEXTLINE) ? 1 : 0};
                if (!words->BoundingBox(level, &found.left, &found.top, &found.right, &found.bottom)) continue;
                int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
                found.baseline = words->Baseline(level, &x1, &y1, &x2, &y2) ? std::max(y1, y2) : found.bottom;
                word(context, &found);
            } while (words->Next(level));
        }
        engine->Clear();
        return true;
    } catch (const std::exception&) {
        engine->Clear();
        return false;
    }
}

bool orientation(void* handle, const uint8_t* rows, int width, int height, int stride, int bilevel, int dpi,
                 int* degrees, float* confidence) {
    auto& engine = *static_cast<Engine*>(handle);
    runOnThisThreadOnly();
    try {
        if (!engine.orientation) {
            auto checker = std::make_unique<TessBaseAPI>();
            const std::lock_guard<std::mutex> making(g_making);
            if (checker->Init(nullptr, "osd", tesseract::OEM_TESSERACT_ONLY) != 0) return false;
            checker->SetPageSegMode(tesseract::PSM_OSD_ONLY);
            engine.orientation = std::move(checker);
        }
        TessBaseAPI& checker = *engine.orientation;
        checker.SetImage(rows, width, height, bilevel ? 0 : 1, stride);
        checker.SetSourceResolution(dpi);
        const char* script = nullptr;
        float scriptConfidence = 0;
        const bool told = checker.DetectOrientationScript(degrees, confidence, &script, &scriptConfidence);
        checker.Clear();
        return told;
    } catch (const std::exception&) {
        return false;
    }
}

const gdip::ocr::EngineModule kModule{&open, &close, &recogniseWords, &orientation};

}  // namespace

extern "C" __attribute__((visibility("default"))) const gdip::ocr::EngineModule* orvelle_ocr_engine() {
    return &kModule;
}
