// The picture viewer: a window covering the screen that shows one picture, or one page of a
// document, as large as fits into the fit area measured once for the whole run. Pages of a
// document can be stepped through with Page Up / Page Down, Home / End and the mouse wheel.
#pragma once

#include <QWidget>
#include <cstdint>
#include <string>

#include "viewer/wheel_notches.h"
#include "window_messages.h"

class QScrollArea;

namespace orvelle {

class PictureBox;

class TForm2 : public QWidget {
    Q_OBJECT
public:
    TForm2();

    // Tests replace how messages are shown.
    void setMessageSink(MessageSink* messages) { m_messages = messages; }
    // The fit area every picture is placed in, measured by the window itself; given here, it
    // is final.
    void setFitArea(int width, int height);

    // Opens the viewer on page `page` (from 0) of `path`: the caption is `captionBase`, with
    // " 图(k)" after it when `numbered`; the viewer is shown and comes to the front, then the
    // picture is shown, or "图片无法识别!" when it cannot be.
    void openPicture(const QString& captionBase, const std::string& path, int32_t page, bool numbered);

    // Shows page `page` of `path` placed by the fit rule, over black; false, with the picture
    // emptied, when the file, the page or its pixels cannot be had.
    bool ShowPicture(const std::string& path, int32_t page);

    // The page shown and the number of pages of its file (0 when the file did not decode).
    int32_t page() const { return m_page; }
    int32_t pageCount() const { return m_pageCount; }

    // The window's only control; empty until a picture is shown.
    PictureBox* Image1;

    int ViewerClientWidth = 0;
    int ViewerClientHeight = 0;

  signals:
    // The user stepped to page `page` of `path`.
    void pageStepped(const QString& path, int page);

  protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate();
    // Covers the screen's available area, frame included, and takes what lies inside the
    // frame as the fit area.
    void measureFitArea();
    void applyFitArea(int width, int height);
    // Shows page `page` of the file under the caption, with its number when `numbered`, or
    // says that it cannot be shown.
    void showPage(int32_t page, bool numbered);
    void stepTo(int32_t page);

    QScrollArea* m_scroll;
    QWidget* m_content;
    WindowMessages m_windowMessages;
    MessageSink* m_messages;
    WheelNotches m_wheel;
    QString m_captionBase;
    std::string m_path;
    int32_t m_page = 0;
    int32_t m_pageCount = 0;
    bool m_frameMeasured = false;
};

}  // namespace orvelle
