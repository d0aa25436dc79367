// The five export formats and the two encoder parameter blocks the jobs pass when saving.
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

constexpr int kOutputFormatCount = 5;
extern const OutputFormat OutputFormatTable[kOutputFormatCount];

// The export formats in the table's order: what the jobs take. The controls that choose one
// (the format box, the save dialog's file type) and the command line map to it at the edge.
enum class ExportFormat { Jpeg, Bmp, Gif, Png, Tiff };
const OutputFormat& formatRow(ExportFormat format);
std::optional<ExportFormat> exportFormatOfBox(int index);     // 0 to 4
std::optional<ExportFormat> exportFormatOfFilter(int index);  // 1 to 5

// One row's extension and MIME type; both empty for an index outside the table.
struct FormatChoice {
    std::string Extension;
    std::string MimeType;
};
FormatChoice formatByBoxIndex(int index);     // the split page's format box: 0 to 4
FormatChoice formatByFilterIndex(int index);  // the save dialog's file type: 1 to 5

// A one-parameter block whose value the block owns; neither copyable nor movable, since the
// block points at its own value.
class EncoderParameterBlock {
public:
    EncoderParameterBlock(const GUID& parameter, uint32_t value);
    EncoderParameterBlock(const EncoderParameterBlock&) = delete;
    EncoderParameterBlock& operator=(const EncoderParameterBlock&) = delete;

    void setValue(uint32_t value) { m_value = value; }
    uint32_t Value() const { return m_value; }
    const EncoderParameters* block() const { return &m_block; }

private:
    uint32_t m_value;
    EncoderParameters m_block;
};

// Quality 80, handed to every single-page export whatever the format.
class QualityParams : public EncoderParameterBlock {
public:
    QualityParams() : EncoderParameterBlock(EncoderQuality, 80) {}
};

// The save flag of a multi-page TIFF: multi-frame for the first save, page for every append.
class SaveFlagParams : public EncoderParameterBlock {
public:
    SaveFlagParams() : EncoderParameterBlock(EncoderSaveFlag, EncoderValueMultiFrame) {}
};

}  // namespace orvelle
