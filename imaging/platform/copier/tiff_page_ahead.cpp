// Faxes read one page ahead: checking or decoding a Group 4 page is most of the cost of
// copying or turning it, and the next page asked for is nearly always the next one.

#include "../image_limits.h"
#include "tiff_page_source.h"

namespace gdip::codecs {

bool TiffPageSource::selectPage(uint32_t index) {
    m_page = index < m_document.pages.size() && TIFFSetSubDirectory(m_document.tiff.get(), m_document.pages[index])
                 ? index
                 : UINT32_MAX;
    return m_page != UINT32_MAX;
}

bool TiffPageSource::isG4Page(bool& reversed) {
    TIFF* in = m_document.tiff.get();
    uint16_t compression = 0, bits = 1, samples = 1, fill = FILLORDER_MSB2LSB;
    TIFFGetFieldDefaulted(in, TIFFTAG_COMPRESSION, &compression);
    TIFFGetFieldDefaulted(in, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(in, TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetFieldDefaulted(in, TIFFTAG_FILLORDER, &fill);
    reversed = fill == FILLORDER_LSB2MSB;
    return compression == COMPRESSION_CCITTFAX4 && bits == 1 && samples == 1;
}

bool TiffPageSource::faxPieceOfPage(FaxAhead::Piece& piece) {
    TIFF* in = m_document.tiff.get();
    bool reversed = false;
    if (!isG4Page(reversed) || TIFFIsTiled(in) || TIFFNumberOfStrips(in) != 1) return false;
    piece = FaxAhead::Piece{};
    piece.reversed = reversed;
    TIFFGetField(in, TIFFTAG_IMAGEWIDTH, &piece.width);
    TIFFGetField(in, TIFFTAG_IMAGELENGTH, &piece.height);
    piece.offset = TIFFGetStrileOffset(in, 0);
    piece.size = TIFFGetStrileByteCount(in, 0);
    const uint64_t lineBytes = (uint64_t{piece.width} + 7) / 8;
    // A single pixel's change costs at most a byte or so; more data is not a page of ours.
    return piece.size > 0 && piece.offset <= m_document.fileSize && piece.size <= m_document.fileSize - piece.offset &&
           piece.size <= lineBytes * piece.height * 8 + 4096 &&
           frameAllowed(piece.width, piece.height, PixelClass::Indexed1);
}

bool TiffPageSource::beginPage(uint32_t index, FaxAhead::Want want) {
    FaxAhead::Piece piece;
    if (!selectPage(index)) return false;
    if (!faxPieceOfPage(piece)) return true;
    // Every other page is read on a worker, beside this thread's work on the page before
    // it: a page read ahead is this thread's to finish, the next one the worker's again.
    if (m_ahead.holds(index)) return true;
    // The next page is taken to be wanted as this one is.
    readAhead(index + 1, want);
    return selectPage(index);
}

void TiffPageSource::readAhead(uint32_t index, FaxAhead::Want want) {
    FaxAhead::Piece piece;
    if (selectPage(index) && faxPieceOfPage(piece)) m_ahead.start(index, piece, TIFFFileno(m_document.tiff.get()), want);
}

const uint8_t* TiffPageSource::aheadRows() {
    FaxAhead::Piece piece;
    return m_page != UINT32_MAX && faxPieceOfPage(piece) ? m_ahead.rows(m_page, piece) : nullptr;
}

bool TiffPageSource::aheadClean() {
    FaxAhead::Piece piece;
    return m_page != UINT32_MAX && faxPieceOfPage(piece) && m_ahead.clean(m_page, piece);
}

}  // namespace gdip::codecs
