// Tiles of pages from other files (inserted, or the document as it was before a save), drawn
// as the page list draws them, a few at a time between the window's events: inserting a
// long document shows its pages at once, as frames, and the window stays usable while they
// fill in.
#pragma once

#include <QImage>
#include <QTimer>
#include <deque>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <utility>

#include "imaging/gdipobj.h"

namespace orvelle {

class TileDrawer {
public:
    // `drawn` gets each tile drawn; `batchDone` is called after each batch of them.
    TileDrawer(std::function<void(const std::string& path, uint32_t page, const QImage& tile)> drawn,
               std::function<void()> batchDone);

    // Page `page` of `path` is drawn soon (once, however often it is asked for).
    void want(const std::string& path, uint32_t page);

private:
    void drawSome();
    QImage draw(const std::string& path, uint32_t page);

    std::function<void(const std::string&, uint32_t, const QImage&)> m_drawn;
    std::function<void()> m_batchDone;
    std::deque<std::pair<std::string, uint32_t>> m_queue;
    std::set<std::pair<std::string, uint32_t>> m_queued;
    QTimer m_timer;
    // The file being drawn from, kept open from one batch to the next.
    std::string m_openPath;
    std::unique_ptr<TGPImage> m_open;
    PageList m_openPages;
};

}  // namespace orvelle
