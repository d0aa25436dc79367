#include "output_formats.h"

namespace orvelle {

const OutputFormat OutputFormatTable[kOutputFormatCount] = {
    {"JPEG格式", "*.JPG", ".JPG", "image/jpeg"}, {"BMP格式", "*.BMP", ".BMP", "image/bmp"},
    {"GIF格式", "*.GIF", ".GIF", "image/gif"},   {"PNG格式", "*.PNG", ".PNG", "image/png"},
    {"TIFF格式", "*.TIF", ".TIF", "image/tiff"},
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

FormatChoice formatByFilterIndex(int index) { return formatByBoxIndex(index - 1); }

EncoderParameterBlock::EncoderParameterBlock(const GUID& parameter, uint32_t value)
    : m_value(value) {
    m_block.Count = 1;
    m_block.Parameter[0].Guid = parameter;
    m_block.Parameter[0].NumberOfValues = 1;
    m_block.Parameter[0].Type = EncoderParameterValueTypeLong;
    m_block.Parameter[0].Value = &m_value;
}

}  // namespace orvelle
