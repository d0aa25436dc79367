// Reading CCITT Group 4 data here rather than through libtiff's fax decoder: each row is read
// as the list of its colour changes, and pixels are drawn only when they are wanted, so that
// checking a page's data (before it is copied as stored) costs little more than walking its
// codes. Only clean data is taken: a code that means nothing, a row that runs past the
// page's width, data that ends too soon, or the rare features of the format (uncompressed
// mode, line ends inside the page) make the reader decline, and the caller hands the data
// to libtiff, which words the fault or mends what it can.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace gdip::codecs {

// A place in a page's data where reading may begin again: the bit at which a row's codes
// start, and the row above it as drawn (its pixels, most significant bit first).
struct G4Mark {
    uint64_t bit = 0;
    std::vector<uint8_t> above;
};

class G4Reader {
public:
    // Reads `height` rows of `width` pixels from the `size` bytes at `data` (most significant
    // bit first) into `rows`, `lineBytes` apart, a white pixel a 0 bit, the bits past the
    // width clear; with `rows` null, only checks that the data holds those rows. False when
    // the reader declines the data (see above).
    bool read(const uint8_t* data, size_t size, uint32_t width, uint32_t height, uint8_t* rows, size_t lineBytes);
    // The same, each row handed to `sink` as it is read (in one row's buffer, reused), so
    // that a page in one strip is never whole here. Rows already handed on stay handed on
    // when the reader declines further down.
    using RowSink = std::function<void(const uint8_t* row, uint32_t y)>;
    bool read(const uint8_t* data, size_t size, uint32_t width, uint32_t height, const RowSink& sink);
    // Checks every row as read() without rows does, and notes where each run of `every` rows
    // begins (the first at row 0), so that a band of a page in one strip can be read without
    // the rows above it: about one row's bytes a mark.
    bool mark(const uint8_t* data, size_t size, uint32_t width, uint32_t height, uint32_t every,
              std::vector<G4Mark>& marks);
    // `count` rows from `from` (a mark of that data), handed to `sink` as rows `first` on.
    bool readFrom(const uint8_t* data, size_t size, uint32_t width, const G4Mark& from, uint32_t first,
                  uint32_t count, const RowSink& sink);

private:
    // Reads `height` rows from `from` (null: the data's start), handing each row's colour
    // changes to `take(y, changes, count, bit)`, `bit` where the next row's codes start.
    template <typename Take>
    bool walk(const uint8_t* data, size_t size, uint32_t width, const G4Mark* from, uint32_t height, Take&& take);

    std::vector<uint32_t> m_above, m_current;
    std::vector<uint64_t> m_marks;  // a drawn row's colour changes, a bit each; all clear between rows
};

}  // namespace gdip::codecs
