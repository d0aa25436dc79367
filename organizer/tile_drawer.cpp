#include "tile_drawer.h"

#include <QElapsedTimer>

#include "imaging/text_path.h"
#include "imaging/thumbnail_tile.h"
#include "viewer/picture_box.h"

namespace orvelle {
namespace {

// A batch ends once it has taken this long: with one page's tile at most after it, no event
// waits a tenth of a second.
constexpr qint64 kBatchMilliseconds = 40;

}  // namespace

TileDrawer::TileDrawer(std::function<void(const std::string&, uint32_t, const QImage&)> drawn,
                       std::function<void()> batchDone)
    : m_drawn(std::move(drawn)), m_batchDone(std::move(batchDone)) {
    m_timer.setSingleShot(true);
    m_timer.setInterval(0);
    QObject::connect(&m_timer, &QTimer::timeout, [this] { drawSome(); });
}

void TileDrawer::want(const std::string& path, uint32_t page) {
    if (!m_queued.insert({path, page}).second) return;
    m_queue.emplace_back(path, page);
    m_timer.start();
}

void TileDrawer::drawSome() {
    QElapsedTimer clock;
    clock.start();
    while (!m_queue.empty() && clock.elapsed() < kBatchMilliseconds) {
        const auto [path, page] = m_queue.front();
        m_queue.pop_front();
        m_queued.erase({path, page});
        m_drawn(path, page, draw(path, page));
    }
    if (m_queue.empty())
        m_open.reset();  // the file is let go once its tiles are drawn
    else
        m_timer.start();
    m_batchDone();
}

QImage TileDrawer::draw(const std::string& path, uint32_t page) {
    if (!m_open || m_openPath != path) {
        m_open = std::make_unique<TGPImage>(widenPath(path), false);
        m_openPath = path;
        m_openPages = listPages(*m_open);
    }
    PictureBox box(nullptr);
    box.resize(kTileEdge, kTileEdge);
    std::unique_ptr<TGPPen> pen(CreateTileFramePen());
    if (page < m_openPages.count && m_open->ActivateFrame(&m_openPages.dimension, page) == Ok) {
        DrawThumbnailTile(*m_open, box, *pen);
        return box.picture();
    }
    return {};
}

}  // namespace orvelle
