// Fax pages (Group 4 data in one strip) read on a worker of the pool, from the file's
// descriptor, while the caller works on the page before: checking or decoding such a page is
// most of the cost of copying or turning it, and the page asked for next is nearly always
// the next one. One page is held at a time.
#pragma once

#include <cstdint>
#include <future>
#include <vector>

#include "../codecs/tiff/g4_reader.h"

namespace gdip::codecs {

class FaxAhead {
public:
    struct Piece {
        uint64_t offset = 0;
        uint64_t size = 0;
        uint32_t width = 0;
        uint32_t height = 0;
        bool reversed = false;  // stored least significant bit first
        bool operator==(const Piece&) const = default;
    };

    FaxAhead() = default;
    ~FaxAhead() { drop(); }
    FaxAhead(const FaxAhead&) = delete;
    FaxAhead& operator=(const FaxAhead&) = delete;

    // What the page is read for: a copy only needs to know that its data is clean, and
    // drawing the rows would cost the worker more than the check.
    enum class Want { Check, Rows };

    // Starts reading `piece`, page `page` of the file open as `fd`, when a worker is free,
    // in place of the page held.
    void start(uint32_t page, const Piece& piece, int fd, Want want);

    // Whether page `page` is held (read, or being read).
    bool holds(uint32_t page) const { return m_slot.page == page; }

    // The rows of page `page`, (width + 7) / 8 bytes apart, when it was read as `piece` and
    // its data was clean; null otherwise (the caller reads the page itself). Valid until
    // the next start() or drop().
    const uint8_t* rows(uint32_t page, const Piece& piece);
    // Whether page `page` was read as `piece` and its data was clean, drawn or not.
    bool clean(uint32_t page, const Piece& piece);

    // Waits for the read in progress, if any, and forgets the page.
    void drop();

private:
    struct Slot {
        std::future<void> work;
        uint32_t page = UINT32_MAX;
        Piece piece;
        Want want = Want::Check;
        bool clean = false;
        std::vector<uint8_t> data;  // kept from page to page: fresh pages of memory cost faults
        std::vector<uint8_t> rows;
        G4Reader reader;
    };
    Slot m_slot;
};

}  // namespace gdip::codecs
