// The export formats and the two encoder parameter blocks the jobs pass when saving.
#pragma once

#include <optional>
#include <string>

#include "gdipapi.h"

namespace orvelle {

struct OutputFormat {
    const char* Label;       // as in the format box and the save dialog's filter
    const char* FilterMask;  // "*.JPG"
    const char* Extension;   // ".JPG": upper case, with the period
    const char* MimeType;    // "image/jpeg"
};

// The five picture formats, then PDF.
constexpr int kOutputFormatCount = 6;
extern const OutputFormat OutputFormatTable[kOutputFormatCount];

// The export formats in the table's order: what the jobs take. The controls that choose one
// (the format box, the save dialog's file type) and the command line map to it at the edge.
enum class ExportFormat { Jpeg, Bmp, Gif, Png, Tiff, Pdf };
const OutputFormat& formatRow(ExportFormat format);
std::optional<ExportFormat> exportFormatOfBox(int index);     // 0 to 5
std::optional<ExportFormat> exportFormatOfFilter(int index);  // 1 to 6

// One row's extension and MIME type; both empty for an index outside the table.
struct FormatChoice {
    std::string Extension;
    std::string MimeType;
};
FormatChoice formatByBoxIndex(int index);  // the split page's format box: 0 to 5

// A block of one parameter, or two, whose values the block owns; neither copyable nor
// movable, since the block points at its own values.
class EncoderParameterBlock {
public:
    EncoderParameterBlock(const GUID& parameter, uint32_t value);
    EncoderParameterBlock(const EncoderParameterBlock&) = delete;
    EncoderParameterBlock& operator=(const EncoderParameterBlock&) = delete;

    // The first parameter's value.
    void setValue(uint32_t value) { m_values[0] = value; }
    uint32_t Value() const { return m_values[0]; }
    // Adds the second or third parameter, or replaces it.
    void setSecond(const GUID& parameter, uint32_t value) { setParameter(1, parameter, value); }
    void setThird(const GUID& parameter, uint32_t value) { setParameter(2, parameter, value); }
    const EncoderParameters* block() const { return reinterpret_cast<const EncoderParameters*>(&m_block); }

private:
    void setParameter(uint32_t slot, const GUID& parameter, uint32_t value);

    // The same layout as EncoderParameters, with room for three entries.
    struct ThreeParameters {
        uint32_t Count;
        EncoderParameter Parameter[3];
    };
    uint32_t m_values[3] = {0, 0, 0};
    ThreeParameters m_block;
};

constexpr int kDefaultQuality = 80;

// The JPEG quality handed to every single-page export whatever the format: 80 unless the
// caller asks for another (1 to 100).
class QualityParams : public EncoderParameterBlock {
public:
    explicit QualityParams(int quality = kDefaultQuality)
        : EncoderParameterBlock(EncoderQuality, static_cast<uint32_t>(quality)) {}
};

// The save flag of a multi-page TIFF: multi-frame for the first save, page for every append.
class SaveFlagParams : public EncoderParameterBlock {
public:
    SaveFlagParams() : EncoderParameterBlock(EncoderSaveFlag, EncoderValueMultiFrame) {}
};

// How the pages of a TIFF are compressed.
enum class TiffPageCompression {
    Lzw,      // every page (the default)
    G4,       // bilevel pages with CCITT G4, the rest LZW
    Deflate,  // every page, with the horizontal predictor where it makes a page smaller
    Auto,     // bilevel pages with CCITT G4, the rest LZW, predictor where it helps
};
uint32_t compressionValue(TiffPageCompression compression);

}  // namespace orvelle
