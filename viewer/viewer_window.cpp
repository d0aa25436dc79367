#include "viewer_window.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QScrollArea>
#include <QWheelEvent>
#include <QWindow>
#include <exception>

#include "fit_rule.h"
#include "imaging/gdiputil.h"
#include "imaging/text_path.h"
#include "picture_box.h"

namespace orvelle {

namespace {

const char* const kUnreadablePicture = QT_TRANSLATE_NOOP("orvelle::TForm2", "图片无法识别!");

void paintBlack(QWidget* widget) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, Qt::black);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

}  // namespace

TForm2::TForm2()
    : QWidget(nullptr, Qt::Window), m_windowMessages(this), m_messages(&m_windowMessages) {
    setObjectName("Form2");
    setWindowTitle(tr("图片浏览"));
    paintBlack(this);
    // The picture sits on a black sheet of the fit area's size; a window made smaller than
    // that gets scroll bars.
    m_scroll = new QScrollArea(this);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setWidgetResizable(false);
    // The keys step pages rather than scroll: the window takes them.
    m_scroll->setFocusPolicy(Qt::NoFocus);
    setFocusPolicy(Qt::StrongFocus);
    paintBlack(m_scroll);
    m_content = new QWidget;
    paintBlack(m_content);
    Image1 = new PictureBox(m_content);
    Image1->setObjectName("Image1");
    Image1->setGeometry(0, 0, 0, 0);
    m_scroll->setWidget(m_content);
    m_scroll->viewport()->installEventFilter(this);
    paintBlack(m_scroll->viewport());
    FormCreate();
}

void TForm2::FormCreate() {
    measureFitArea();
    // Qt paints every widget double-buffered already.
}

void TForm2::measureFitArea() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect available = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    const QMargins frame = windowHandle() ? windowHandle()->frameMargins() : QMargins();
    const QRect client = available.marginsRemoved(frame);
    setGeometry(client);
    applyFitArea(client.width(), client.height());
}

void TForm2::setFitArea(int width, int height) {
    m_frameMeasured = true;
    applyFitArea(width, height);
}

void TForm2::applyFitArea(int width, int height) {
    ViewerClientWidth = width;
    ViewerClientHeight = height;
    m_content->resize(width, height);
    m_scroll->setGeometry(rect());
}

bool TForm2::event(QEvent* event) {
    // The window system reports the frame only once the window is on screen: then the
    // window is fitted to the screen frame included, once, and the picture placed again.
    if (!m_frameMeasured && isVisible() && windowHandle() && !windowHandle()->frameMargins().isNull()) {
        m_frameMeasured = true;
        measureFitArea();
        if (!m_path.empty()) (void)ShowPicture(m_path, m_page);  // it was shown once already
    }
    if (event->type() == QEvent::Resize) m_scroll->setGeometry(rect());
    return QWidget::event(event);
}

void TForm2::openPicture(const QString& captionBase, const std::string& path, int32_t page,
                         bool numbered) {
    m_captionBase = captionBase;
    m_path = path;
    m_wheel.reset();
    show();
    raise();
    activateWindow();
    showPage(page, numbered);
}

bool TForm2::ShowPicture(const std::string& path, int32_t page) {
    m_pageCount = 0;
    // Picture work: whatever fails, nothing of the previous picture stays under the new caption.
    try {
        // No page is decoded before it is shown: a large one is drawn as it is read by bands,
        // never whole in memory.
        TGPImage picture(widenPath(path), TGPImage::Deferred{});
        const auto [dimension, pages] = listPages(picture);
        m_pageCount = pages;
        // A page beyond the last is not shown at all.
        const bool pageThere = page >= 0 && static_cast<uint32_t>(page) < pages;
        auto [width, height] = pageThere ? picture.PageSize(static_cast<uint32_t>(page)) : std::pair<uint32_t, uint32_t>{};
        const bool byBands = width > 0 && height > 0;
        if (pageThere && !byBands && picture.ActivateFrame(&dimension, static_cast<uint32_t>(page)) == Ok) {
            width = picture.PixelWidth();
            height = picture.PixelHeight();
        }
        if (width > 0 && height > 0) {
            const ViewerPlacement place = placePicture(width, height, ViewerClientWidth, ViewerClientHeight);
            Image1->emptyPicture();
            Image1->setGeometry(place.left, place.top, place.width, place.height);
            if (place.width == 0 || place.height == 0) return true;  // too narrow to show a pixel
            std::unique_ptr<TGPGraphics> surface = Image1->drawingSurface();
            TGPSolidBrush black(OpaqueColor(0, 0, 0));
            const PixelRect shown{0, 0, place.width, place.height};
            bool drawn = surface->PaintRectangle(&black, 0, 0, place.width, place.height) == Ok &&
                         surface->SetScalingMode(InterpolationModeLowQuality) == Ok;
            GpStreamedFrame streamed;
            const GpStatus status = drawn && byBands ? surface->DrawPageStreamed(&picture, static_cast<uint32_t>(page),
                                                                                 gdip::GdipBandedFromBytes, shown, streamed)
                                                     : NotImplemented;
            if (status == NotImplemented)
                drawn = drawn && (!byBands || picture.ActivateFrame(&dimension, static_cast<uint32_t>(page)) == Ok) &&
                        surface->DrawImageScaled(&picture, shown, 0, 0, static_cast<int32_t>(width),
                                                 static_cast<int32_t>(height), UnitPixel) == Ok;
            else
                drawn = drawn && status == Ok;
            surface.reset();
            Image1->drawingDone();
            if (drawn) return true;
        }
    } catch (const std::exception&) {
    }
    Image1->emptyPicture();
    return false;
}

void TForm2::showPage(int32_t page, bool numbered) {
    m_page = page;
    setWindowTitle(numbered ? m_captionBase + " " + tr("图(%1)").arg(page + 1) : m_captionBase);
    if (!ShowPicture(m_path, page)) showError(*m_messages, tr(kUnreadablePicture).toStdString());
}

void TForm2::stepTo(int32_t page) {
    if (m_path.empty() || page < 0 || page >= m_pageCount || page == m_page) return;
    showPage(page, true);
    emit pageStepped(QString::fromStdString(m_path), page);
}

void TForm2::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_PageDown: stepTo(m_page + 1); break;
        case Qt::Key_PageUp: stepTo(m_page - 1); break;
        case Qt::Key_Home: stepTo(0); break;
        case Qt::Key_End: stepTo(m_pageCount - 1); break;
        case Qt::Key_Escape: hide(); break;
        default: QWidget::keyPressEvent(event); return;
    }
}

bool TForm2::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_scroll->viewport() || event->type() != QEvent::Wheel) return false;
    if (const int step = m_wheel.add(static_cast<QWheelEvent*>(event)->angleDelta().y()))
        stepTo(m_page + step);
    return true;
}

}  // namespace orvelle
