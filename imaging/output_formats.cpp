#include "output_formats.h"

#include <algorithm>

namespace orvelle {

const OutputFormat OutputFormatTable[kOutputFormatCount] = {
    {"JPEG格式", "*.JPG", ".JPG", "image/jpeg"}, {"BMP格式", "*.BMP", ".BMP", "image/bmp"},
    {"GIF格式", "*.GIF", ".GIF", "image/gif"},   {"PNG格式", "*.PNG", ".PNG", "image/png"},
    {"TIFF格式", "*.TIF", ".TIF", "image/tiff"}, {"PDF格式", "*.PDF", ".PDF", "application/pdf"},
};

const OutputFormat& formatRow(ExportFormat format) {
    return OutputFormatTable[static_cast<int>(format)];
}

std::optional<ExportFormat> exportFormatOfBox(int index) {
    if (index < 0 || index >= kOutputFormatCount) return std::nullopt;
    return static_cast<ExportFormat>(index);
}

std::optional<ExportFormat> exportFormatOfFilter(int index) { return exportFormatOfBox(index - 1); }

FormatChoice formatByBoxIndex(int index) {
    if (index < 0 || index >= kOutputFormatCount) return {};
    return {OutputFormatTable[index].Extension, OutputFormatTable[index].MimeType};
}


EncoderParameterBlock::EncoderParameterBlock(const GUID& parameter, uint32_t value) {
    m_values[0] = value;
    m_block.Count = 1;
    m_block.Parameter[0] = {parameter, 1, EncoderParameterValueTypeLong, &m_values[0]};
    m_block.Parameter[1] = {};
    m_block.Parameter[2] = {};
}

void EncoderParameterBlock::setParameter(uint32_t slot, const GUID& parameter, uint32_t value) {
    m_values[slot] = value;
    m_block.Count = std::max(m_block.Count, slot + 1);
    m_block.Parameter[slot] = {parameter, 1, EncoderParameterValueTypeLong, &m_values[slot]};
}

uint32_t compressionValue(TiffPageCompression compression) {
    switch (compression) {
        case TiffPageCompression::G4: return EncoderValueCompressionCCITT4;
        case TiffPageCompression::Deflate: return EncoderValueCompressionDeflate;
        case TiffPageCompression::Auto: return EncoderValueCompressionAuto;
        case TiffPageCompression::Lzw: break;
    }
    return EncoderValueCompressionLZW;
}

}  // namespace orvelle
