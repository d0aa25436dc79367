// A picture control: the box holds a 32-bit picture of its own size, into which the imaging
// back end draws through a device context over the picture's pixels. Emptying the picture
// leaves the box blank; the next use of its canvas makes a new picture at the box's size.
#pragma once

#include <QImage>
#include <QWidget>

#include "imaging/thumbnail_tile.h"

namespace orvelle {

class PictureBox : public QWidget, public TileTarget {
    Q_OBJECT
public:
    explicit PictureBox(QWidget* parent);

    // Empties the picture: the box shows nothing until its canvas is used again.
    void emptyPicture() override;
    bool hasPicture() const { return !m_picture.isNull(); }
    const QImage& picture() const { return m_picture; }

    // The canvas: a device context over the picture, which is made first (white, at the
    // box's size) when there is none. Valid until the picture is emptied or replaced; the
    // box repaints when the drawing is done.
    HDC canvas();
    std::unique_ptr<TGPGraphics> drawingSurface() override;
    void drawingDone() override { update(); }

    // Replaces the picture with a copy of `picture` shown at its own size from the top left.
    void setPicture(const QImage& picture);

signals:
    void doubleClicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    QImage m_picture;
    HDC__ m_context;
};

}  // namespace orvelle
