#include "picture_box.h"

#include <QPainter>

namespace orvelle {

PictureBox::PictureBox(QWidget* parent) : QWidget(parent) {}

void PictureBox::emptyPicture() {
    m_picture = QImage();
    m_context = HDC__{};
    update();
}

HDC PictureBox::canvas() {
    if (m_picture.isNull() || m_picture.size() != size()) {
        m_picture = QImage(size(), QImage::Format_RGB32);
        m_picture.fill(Qt::white);
    }
    // QImage stores RGB32 as 0xffRRGGBB words, the layout the back end draws in.
    m_context.pixels = reinterpret_cast<uint32_t*>(m_picture.bits());
    m_context.width = m_picture.width();
    m_context.height = m_picture.height();
    m_context.stride = static_cast<int32_t>(m_picture.bytesPerLine());
    return &m_context;
}

std::unique_ptr<TGPGraphics> PictureBox::drawingSurface() {
    return std::unique_ptr<TGPGraphics>(new TGPGraphics(canvas()));
}

void PictureBox::setPicture(const QImage& picture) {
    m_picture = picture.convertToFormat(QImage::Format_RGB32);
    m_context = HDC__{};
    update();
}

void PictureBox::paintEvent(QPaintEvent*) {
    if (m_picture.isNull()) return;
    QPainter painter(this);
    painter.drawImage(0, 0, m_picture);
}

void PictureBox::mouseDoubleClickEvent(QMouseEvent*) { emit doubleClicked(); }

}  // namespace orvelle
