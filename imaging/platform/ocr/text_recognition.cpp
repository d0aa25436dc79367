#include "text_recognition.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <memory>
#include <new>
#include <sstream>
#include <vector>

#include "../lightness.h"
#include "../module_loader.h"
#include "ocr_engine_module.h"

namespace gdip::ocr {
namespace {

// The engine is given at most this many pixels: a larger page (a drawing of a metre) is
// shown to it reduced, as it reads text of a few millimetres as well at 300 dpi.
constexpr double kMostEnginePixels = 80e6;
constexpr double kDefaultDpi = 300;

const EngineModule* engineModule(std::string& why) {
    std::string failure;
    const auto* module = static_cast<const EngineModule*>(
        loadModule("liborvelle_ocr_engine.so", ORVELLE_OCR_ENGINE_BUILT, "orvelle_ocr_engine", failure));
    if (!module) why = "the text recogniser cannot be loaded: " + failure;
    return module;
}

// This thread's engine, for the languages last asked for.
class ThreadEngine {
public:
    ~ThreadEngine() { drop(); }

    void* get(const EngineModule& module, const std::string& languages, std::string& why) {
        if (m_engine && languages == m_languages) return m_engine;
        drop();
        char words[256] = {};
        m_engine = module.open(languages.c_str(), words, sizeof words);
        if (!m_engine) {
            why = "the languages " + languages + " cannot be loaded (" + words + ")";
            return nullptr;
        }
        m_module = &module;
        m_languages = languages;
        return m_engine;
    }

private:
    void drop() {
        if (m_engine) m_module->close(m_engine);
        m_engine = nullptr;
    }

    const EngineModule* m_module = nullptr;
    void* m_engine = nullptr;
    std::string m_languages;
};

void* threadEngine(const std::string& languages, std::string& why, const EngineModule*& module) {
    module = engineModule(why);
    if (!module) return nullptr;
    thread_local ThreadEngine engine;
    return engine.get(*module, languages, why);
}

// The page as the engine sees it: lightness at square pixels, or a bilevel page's own bits
// (1 white) where it needs no scaling; its resolution.
struct EnginePicture {
    std::vector<uint8_t> pixels;  // made for the engine; empty when it reads the frame's rows
    const uint8_t* rows = nullptr;
    int stride = 0;
    bool bilevel = false;
    int width = 0, height = 0, dpi = 0;
    double toFrameX = 1, toFrameY = 1;  // engine pixels to the frame's
};

GpStatus enginePicture(const Frame& frame, EnginePicture& picture) {
    const auto sensible = [](double dpi) { return dpi >= 10 && dpi <= 10000; };
    const double dpiX = sensible(frame.dpiX) ? frame.dpiX : kDefaultDpi;
    const double dpiY = sensible(frame.dpiY) ? frame.dpiY : dpiX;
    double dpi = std::max(dpiX, dpiY);
    double sx = dpi / dpiX, sy = dpi / dpiY;
    const double pixels = double(frame.width) * sx * double(frame.height) * sy;
    if (pixels > kMostEnginePixels) {
        const double shrink = std::sqrt(kMostEnginePixels / pixels);
        sx *= shrink, sy *= shrink, dpi *= shrink;
    }
    picture.width = std::max(1, int(std::lround(frame.width * sx)));
    picture.height = std::max(1, int(std::lround(frame.height * sy)));
    picture.dpi = std::max(1, int(std::lround(dpi)));
    picture.toFrameX = double(frame.width) / picture.width;
    picture.toFrameY = double(frame.height) / picture.height;
    try {
        const std::array<uint8_t, 256> palette = paletteLightness(frame);
        const bool same = picture.width == int(frame.width) && picture.height == int(frame.height);
        // A bilevel page goes as it is, its bits turned over where 1 is its darker colour: the
        // engine then takes it as the bilevel page it is, as it takes a fax file.
        if (same && frame.pixelClass == PixelClass::Indexed1 && palette[0] != palette[1]) {
            picture.bilevel = true;
            picture.stride = int(frame.stride);
            picture.rows = frame.pixels.get();
            if (palette[1] < palette[0]) {
                picture.pixels.assign(frame.pixels.get(), frame.pixels.get() + frame.stride * frame.height);
                for (uint8_t& bits : picture.pixels) bits = uint8_t(~bits);
                picture.rows = picture.pixels.data();
            }
            return Ok;
        }
        picture.pixels.resize(size_t(picture.width) * size_t(picture.height));
        picture.rows = picture.pixels.data();
        picture.stride = picture.width;
        std::vector<uint8_t> row(same ? 0 : frame.width);
        std::vector<uint32_t> columns(picture.width);
        for (int x = 0; x < picture.width; ++x)
            columns[x] = std::min<uint32_t>(frame.width - 1, uint32_t((x + 0.5) * picture.toFrameX));
        uint32_t lastRow = UINT32_MAX;
        for (int y = 0; y < picture.height; ++y) {
            uint8_t* out = picture.pixels.data() + size_t(y) * picture.width;
            if (same) {
                lightnessRow(frame, palette, uint32_t(y), out);
                continue;
            }
            const uint32_t source = std::min<uint32_t>(frame.height - 1, uint32_t((y + 0.5) * picture.toFrameY));
            if (source != lastRow) lightnessRow(frame, palette, source, row.data()), lastRow = source;
            for (int x = 0; x < picture.width; ++x) out[x] = row[columns[x]];
        }
    } catch (const std::bad_alloc&) {
        return OutOfMemory;
    }
    return Ok;
}

// This thread's engine for `languages`, and `frame` as it sees it.
GpStatus prepare(const Frame& frame, const std::string& languages, std::string& why, const EngineModule*& module,
                 void*& engine, EnginePicture& picture) {
    if (frame.empty()) return InvalidParameter;
    engine = threadEngine(languages, why, module);
    if (!engine) return GenericError;
    return enginePicture(frame, picture);
}

// The languages of "a+b+c", each once.
std::vector<std::string> languageList(const std::string& languages) {
    std::vector<std::string> list;
    std::stringstream words(languages);
    for (std::string one; std::getline(words, one, '+');)
        if (!one.empty() && std::find(list.begin(), list.end(), one) == list.end()) list.push_back(one);
    return list;
}

}  // namespace

GpStatus checkLanguages(const std::string& languages, std::string& why) {
    const EngineModule* module = engineModule(why);
    if (!module) return GenericError;
    const std::vector<std::string> list = languageList(languages);
    if (list.empty()) {
        why = "no language was named";
        return InvalidParameter;
    }
    // The engine made to check them is this thread's own, kept for the pages it recognises.
    std::string ignored;
    if (threadEngine(languages, ignored, module)) return Ok;
    // Which one is missing.
    for (const std::string& language : list) {
        bool sensible = !language.empty();
        for (const char c : language) sensible = sensible && (std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-');
        char words[256] = {};
        void* engine = sensible ? module->open(language.c_str(), words, sizeof words) : nullptr;
        if (!engine) {
            std::string package = language;
            std::replace(package.begin(), package.end(), '_', '-');
            std::transform(package.begin(), package.end(), package.begin(), [](unsigned char c) { return std::tolower(c); });
            why = "the language " + language + " is not installed (install the package tesseract-ocr-" + package + ")";
            return InvalidParameter;
        }
        module->close(engine);
    }
    return Ok;
}

GpStatus recognise(const Frame& frame, const std::string& languages, PageText& text, std::string& why) {
    text = PageText{frame.width, frame.height, {}};
    const EngineModule* module = nullptr;
    void* engine = nullptr;
    EnginePicture picture;
    if (const GpStatus status = prepare(frame, languages, why, module, engine, picture); status != Ok) return status;
    struct Found {
        PageText& text;
        const EnginePicture& picture;
    } found{text, picture};
    const bool done = module->recognise(
        engine, picture.rows, picture.width, picture.height, picture.stride, picture.bilevel ? 1 : 0, picture.dpi,
        [](void* context, const EngineWord* word) {
            auto& into = *static_cast<Found*>(context);
            const auto x = [&](int v) { return int32_t(std::lround(v * into.picture.toFrameX)); };
            const auto y = [&](int v) { return int32_t(std::lround(v * into.picture.toFrameY)); };
            into.text.words.push_back({word->text, x(word->left), y(word->top), x(word->right), y(word->bottom),
                                       y(word->baseline), word->confidence, word->startsLine != 0});
        },
        &found);
    if (!done) {
        why = "the text recogniser failed on the page";
        return GenericError;
    }
    return Ok;
}

GpStatus uprightTurns(const Frame& frame, const std::string& languages, int& quarterTurns, float& confidence,
                      std::string& why) {
    quarterTurns = 0;
    confidence = 0;
    const EngineModule* module = nullptr;
    void* engine = nullptr;
    EnginePicture picture;
    if (const GpStatus status = prepare(frame, languages, why, module, engine, picture); status != Ok) return status;
    int degrees = 0;
    if (!module->orientation(engine, picture.rows, picture.width, picture.height, picture.stride,
                             picture.bilevel ? 1 : 0, picture.dpi, &degrees, &confidence))
        return NotImplemented;
    // The engine says how far the text is turned clockwise; it is set upright by the rest
    // of a whole turn.
    quarterTurns = ((360 - degrees) / 90) % 4;
    return Ok;
}

}  // namespace gdip::ocr
