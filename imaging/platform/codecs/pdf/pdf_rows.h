// A PDF picture's samples, as its general-purpose filters give them, into a frame's rows.
#pragma once

#include <qpdf/Pipeline.hh>

#include <cstdint>
#include <vector>

#include "../../raster.h"
#include "pdf_picture.h"

namespace gdip::codecs::pdf {

// Allocates the frame the picture's samples go into: one byte a pixel for grey and palette
// pictures (one bit for bilevel ones), three otherwise; its palette as the decode array maps
// the samples.
GpStatus prepareFrame(const PictureFacts& facts, Frame& frame);

// Takes decoded samples a row at a time into the frame prepared for them; once the last row
// is in it stops taking: the picture never takes more memory than its frame.
class RowSink final : public Pipeline {
public:
    RowSink(const PictureFacts& facts, Frame& frame);
    void write(unsigned char const* data, size_t len) override;
    void finish() override {}
    uint32_t rows() const { return m_y; }

private:
    const PictureFacts& m_facts;
    Frame& m_frame;
    std::vector<uint8_t> m_row;
    size_t m_filled = 0;
    uint32_t m_y = 0;
};

// Replaces each colour of `frame` by its negative, as a decode array [1 0 ...] draws it.
void invertColours(Frame& frame);

}  // namespace gdip::codecs::pdf
