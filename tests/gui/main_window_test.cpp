// The main window, offscreen: start-up state, navigation, the progress display, the two job
// buttons with their messages, and input that arrives while a job runs.
#include <sys/stat.h>
#include <tiffio.h>
#include <QComboBox>
#include <QFileDialog>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QMimeData>
#include <QProgressBar>
#include <QRadioButton>
#include <QSettings>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTabBar>
#include <QTableWidget>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>
#include <QTranslator>
#include <QWheelEvent>
#include <algorithm>
#include <filesystem>

#include "app/about_page.h"
#include "organizer/organizer_window.h"
#include "app/guarded_application.h"
#include "app/help_page.h"
#include "app/path_text.h"
#include "app/main_window.h"
#include "app/merge_page.h"
#include "app/qt_language.h"
#include "app/remembered_choices.h"
#include "app/save_page_dialog.h"
#include "app/side_bar.h"
#include "app/split_page.h"
#include "app/status_bar.h"
#include "app/window_placement.h"
#include "imaging/gdipobj.h"
#include "support/fixtures.h"
#include "support/readback.h"
#include "viewer/picture_box.h"
#include "viewer/viewer_window.h"
#include "viewer/wheel_notches.h"

using namespace orvelle;

class MainWindowTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TForm1> window;
    std::unique_ptr<TForm2> viewer;
    std::unique_ptr<TSaveDlg> saveDialog;
    fixtures::RecordingContext recorder;
    std::vector<TSaveDlg::FileChoice> offeredFiles;  // what the save-file dialog was offered

    void addMergeEntry(const std::string& path) { window->addMergePictures({QString::fromStdString(path)}); }

    // A one-colour picture, so that its tile shows where the picture lies.
    static void writeSolidPng(const std::string& path, uint32_t width, uint32_t height, uint8_t red,
                              uint8_t blue) {
        fixtures::Picture picture{width, height, 3, {}};
        for (uint32_t i = 0; i < width * height; ++i) picture.samples.insert(picture.samples.end(), {red, 0, blue});
        fixtures::writePng(path, picture);
    }

    void turnWheel(int distance) {
        QWidget* viewport = window->TabSheet2->ListView2->viewport();
        QWheelEvent wheel(QPointF(20, 10), viewport->mapToGlobal(QPointF(20, 10)), QPoint(),
                          QPoint(0, distance), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(viewport, &wheel);
    }

    QStringList mergeListPaths() const {
        QStringList paths;
        for (const std::string& path : window->TabSheet2->sourcePaths()) paths.append(QString::fromStdString(path));
        return paths;
    }

    // Opens the listed page `page` in the save-page dialog and presses "保存" there, the
    // save-file dialog answering `answer` (nothing: cancelled).
    void savePageThroughTheDialog(int page, std::optional<TSaveDlg::FileChoice> answer, int percent = 100) {
        window->TabSheet1->ListView1->setCurrentRow(page);
        saveDialog->askForFile = [this, answer](const TSaveDlg::FileChoice& offered) {
            offeredFiles.push_back(offered);
            return answer;
        };
        QTimer::singleShot(0, saveDialog.get(), [this, percent] {
            saveDialog->SpinEdit1->setValue(percent);
            saveDialog->SpeedButton3->click();
        });
        window->N1Click();
        QVERIFY(!saveDialog->isVisible());
    }

private slots:
    void init() {
        RememberedChoices::forgetAll();  // each test starts as a first run
        recorder = fixtures::RecordingContext();
        window = std::make_unique<TForm1>();
        viewer = std::make_unique<TForm2>();
        saveDialog = std::make_unique<TSaveDlg>(window.get());
        window->useWindows(viewer.get(), saveDialog.get());
        window->setMessageSink(&recorder);
        window->setEventPump(&recorder);
        viewer->setMessageSink(&recorder);
        viewer->setFitArea(1000, 700);
        offeredFiles.clear();
        window->show();
    }
    void cleanup() {
        saveDialog.reset();
        viewer.reset();
        window.reset();
    }

    void startsOnTheAboutPage() {
        QCOMPARE(window->windowTitle(), QString("Orvelle(Ver 1.0)"));
        QCOMPARE(window->size(), QSize(786, 529));
        QCOMPARE(window->PageControl1->currentIndex(), 2);
        QCOMPARE(window->Panel3->Bevel8->y(), 200);
        QVERIFY(window->ProgressBar1->isHidden());
        QVERIFY(window->StatusBar2->panelText(1).isEmpty());
        for (QTabBar* tabs : window->findChildren<QTabBar*>()) QVERIFY(!tabs->isVisible());
        QCOMPARE(window->TabSheet3->SpeedButton16->y(), 394);
        QCOMPARE(window->TabSheet3->SpeedButton16->geometry().bottom() + 1, 415);
        QCOMPARE(window->TabSheet3->Image4->picture().size(), QSize(609, 415));
        // Nothing here opens a browser: the link says so instead of doing nothing.
        window->TabSheet3->SpeedButton16->click();
        QCOMPARE(recorder.messages(), std::vector<std::string>{"错误|无法打开网页浏览器"});
    }

    void sideBarButtons_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("markerTop");
        QTest::newRow("图片分解") << "SpeedButton1" << 0 << 16;
        QTest::newRow("图片合成") << "SpeedButton2" << 1 << 104;
        QTest::newRow("版权信息") << "SpeedButton3" << 2 << 200;
        QTest::newRow("简易说明") << "SpeedButton5" << 3 << 280;
    }
    void sideBarButtons() {
        QFETCH(QString, button);
        QFETCH(int, page);
        QFETCH(int, markerTop);
        window->Panel3->SpeedButton5->click();  // start from somewhere else
        QTest::mouseClick(window->Panel3->findChild<QToolButton*>(button), Qt::LeftButton);
        QCOMPARE(window->PageControl1->currentIndex(), page);
        QCOMPARE(window->Panel3->Bevel8->y(), markerTop);
        QCOMPARE(window->Panel3->Bevel8->x(), 8);
        QCOMPARE(window->Panel3->Bevel8->size(), QSize(153, 65));
    }

    // A drag from another program can leave a button looking hovered; the next button the
    // pointer enters, or a drop, takes that look away.
    void onlyTheButtonUnderThePointerLooksHovered() {
        SideBar& bar = *window->Panel3;
        QCursor::setPos(bar.SpeedButton2->mapToGlobal(QPoint(5, 5)));
        bar.SpeedButton1->setAttribute(Qt::WA_UnderMouse, true);
        bar.SpeedButton2->setAttribute(Qt::WA_UnderMouse, true);
        QEvent enter(QEvent::Enter);
        QApplication::sendEvent(bar.SpeedButton2, &enter);
        QVERIFY(!bar.SpeedButton1->underMouse());
        QVERIFY(bar.SpeedButton2->underMouse());
        QCursor::setPos(window->TabSheet2->ListView2->mapToGlobal(QPoint(5, 5)));
        window->addDroppedPictures({});
        QVERIFY(!bar.SpeedButton2->underMouse());
    }

    // Wheel messages as steps: a notch or more is one step; fractions add up to a notch; a
    // turn the other way starts afresh.
    void wheelNotches_data() {
        QTest::addColumn<QList<int>>("distances");
        QTest::addColumn<QList<int>>("steps");
        QTest::newRow("away from the user") << QList<int>{120} << QList<int>{-1};
        QTest::newRow("towards the user") << QList<int>{-120} << QList<int>{1};
        QTest::newRow("a fast turn is still one step") << QList<int>{-360} << QList<int>{1};
        QTest::newRow("fractions short of a notch") << QList<int>{40, 40, 39} << QList<int>{0, 0, 0};
        QTest::newRow("fractions making a notch") << QList<int>{40, 40, 40} << QList<int>{0, 0, -1};
        QTest::newRow("a turn back starts again") << QList<int>{-100, 60, 60} << QList<int>{0, 0, -1};
        QTest::newRow("after a step, afresh") << QList<int>{100, 130, 100} << QList<int>{0, -1, 0};
    }
    void wheelNotches() {
        QFETCH(QList<int>, distances);
        QFETCH(QList<int>, steps);
        WheelNotches notches;
        QList<int> made;
        for (int distance : distances) made << notches.add(distance);
        QCOMPARE(made, steps);
    }

    void exitClosesWithoutQuestion() {
        QSignalSpy closed(window.get(), &TForm1::closed);
        QTest::mouseClick(window->Panel3->SpeedButton11, Qt::LeftButton);
        QCOMPARE(closed.count(), 1);
        QVERIFY(!window->isVisible());
        QCOMPARE(window->Panel3->Bevel8->y(), 368);
        QVERIFY(recorder.events.empty());
    }

    void progressDisplay_data() {
        QTest::addColumn<int>("steps");
        QTest::newRow("one step") << 1;
        QTest::newRow("five steps") << 5;
    }
    void progressDisplay() {
        QFETCH(int, steps);
        WindowProgress progress(window->ProgressBar1, window->StatusBar2);
        {
            ProgressScope scope(progress, steps, "正在分解TIFF文件,请等待......");
            QVERIFY(!window->ProgressBar1->isHidden());
            QCOMPARE(window->ProgressBar1->minimum(), 0);
            // One step keeps a range of its own: 0 to 0 would be the busy animation.
            QCOMPARE(window->ProgressBar1->maximum(), steps == 1 ? 1 : steps - 1);
            QCOMPARE(window->StatusBar2->panelText(1), QString("正在分解TIFF文件,请等待......"));
            scope.step(steps - 1);
            QCOMPARE(window->ProgressBar1->value(), steps - 1);
        }
        QVERIFY(window->ProgressBar1->isHidden());
        QVERIFY(window->StatusBar2->panelText(1).isEmpty());
        // A job that fails half-way ends the display too.
        try {
            ProgressScope scope(progress, steps, "正在合成TIFF文件,请等待......");
            throw std::runtime_error("failed");
        } catch (const std::runtime_error&) {
        }
        QVERIFY(window->ProgressBar1->isHidden());
        QVERIFY(window->StatusBar2->panelText(1).isEmpty());
    }

    void progressBarLivesInTheFirstPanel() {
        window->grab();  // paints the status bar
        QCOMPARE(window->ProgressBar1->parentWidget(), static_cast<QWidget*>(window->StatusBar2));
        QCOMPARE(window->StatusBar2->panelWidth(0), 170);
        QCOMPARE(window->ProgressBar1->geometry().topLeft(), window->StatusBar2->panelRect(0).topLeft());
        QVERIFY2(window->ProgressBar1->isHidden(), "a hidden bar stays hidden");
        window->grab();
        QCOMPARE(window->StatusBar2->panelWidth(0), 170);
    }

    void exportInputChecks() {
        window->TabSheet1->SpeedButton6->click();
        window->TabSheet1->Edit1->setText("/somewhere/scan.tif");
        window->TabSheet1->Edit2->setText("   ");
        window->TabSheet1->SpeedButton6->click();
        QCOMPARE(recorder.messages(),
                 (std::vector<std::string>{"错误|请选择TIF文件!", "错误|请选择文件存放目录!"}));
        QCOMPARE(recorder.icons, (std::vector<MessageIcon>{MessageIcon::Error, MessageIcon::Error}));
    }

    void splitPageControls() {
        SplitPage* page = window->TabSheet1;
        QCOMPARE(page->FlatComboBox1->count(), 6);
        QCOMPARE(page->FlatComboBox1->currentText(), QString("JPEG格式"));
        QCOMPARE(page->FlatComboBox1->itemText(4), QString("TIFF格式"));
        QCOMPARE(page->FlatComboBox1->itemText(5), QString("PDF格式"));
        QCOMPARE(page->SpinEdit1->value(), 100);
        QCOMPARE(page->SpinEdit1->minimum(), 1);
        QCOMPARE(page->SpinEdit1->maximum(), 1000);
        QCOMPARE(page->SpinEdit1->singleStep(), 10);
        QCOMPARE(page->SpinEdit1->findChild<QLineEdit*>()->maxLength(), 4);
        QVERIFY(page->Edit1->isReadOnly() && page->Edit2->isReadOnly());
        QVERIFY(window->TabSheet2->RadioButton1->isChecked());
        QVERIFY(window->TabSheet2->Edit3->isReadOnly());
    }

    void exportFromTheButton() {
        fixtures::TempDir dir;
        fixtures::writeTiff(dir.file("scan.tif"), {{fixtures::TiffKind::Bilevel, 40, 20},
                                                   {fixtures::TiffKind::Rgb, 30, 10}});
        window->TabSheet1->Edit1->setText(QString::fromStdString(dir.file("scan.tif")));
        window->TabSheet1->Edit2->setText(QString::fromStdString(dir.path().string()));
        window->TabSheet1->FlatComboBox1->setCurrentIndex(3);
        window->TabSheet1->SpinEdit1->setValue(50);
        QTest::mouseClick(window->TabSheet1->SpeedButton6, Qt::LeftButton);
        QCOMPARE(recorder.messages(), std::vector<std::string>{"提示|TIFF分解完成!"});
        QCOMPARE(fixtures::readPng(dir.file("scan_1.PNG")).width, 20u);
        QCOMPARE(fixtures::readPng(dir.file("scan_2.PNG")).height, 5u);
        QVERIFY(window->ProgressBar1->isHidden());
        QVERIFY(window->StatusBar2->panelText(1).isEmpty());
    }

    // A percentage typed but not yet committed (no Enter, focus still in the box) is what
    // the user sees and means: it is the one used, clamped to the box's range.
    void typedPercentageIsReadClamped_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("percent");
        QTest::addColumn<uint32_t>("width");
        QTest::newRow("zero") << "0" << 1 << 1u;
        QTest::newRow("over the range") << "5000" << 1000 << 400u;
        QTest::newRow("in range") << "25" << 25 << 10u;
    }
    void typedPercentageIsReadClamped() {
        QFETCH(QString, typed);
        QFETCH(int, percent);
        QFETCH(uint32_t, width);
        fixtures::TempDir dir;
        fixtures::writeTiff(dir.file("scan.tif"), {{fixtures::TiffKind::Rgb, 40, 20}});
        SplitPage* page = window->TabSheet1;
        page->Edit1->setText(QString::fromStdString(dir.file("scan.tif")));
        page->Edit2->setText(QString::fromStdString(dir.path().string()));
        page->FlatComboBox1->setCurrentIndex(3);
        page->SpinEdit1->setValue(50);
        auto* text = page->SpinEdit1->findChild<QLineEdit*>();
        text->setMaxLength(8);  // "5000" must get into the box for this test
        text->setText(typed);
        page->SpeedButton6->click();
        QCOMPARE(recorder.messages(), std::vector<std::string>{"提示|TIFF分解完成!"});
        QCOMPARE(fixtures::readPng(dir.file("scan_1.PNG")).width, width);
        QCOMPARE(page->SpinEdit1->value(), percent);
    }

    // The picture box the tiles, the preview and the viewer draw into.
    void pictureBoxCanvas() {
        PictureBox box(window.get());
        box.setGeometry(10, 10, 120, 120);
        box.show();
        QVERIFY(!box.hasPicture());
        HDC canvas = box.canvas();
        QVERIFY(box.hasPicture());
        QCOMPARE(box.picture().size(), QSize(120, 120));
        QCOMPARE(canvas->width, 120);
        {
            TGPGraphics graphics(canvas);
            TGPSolidBrush brush(OpaqueColor(200, 20, 30));
            QCOMPARE(graphics.PaintRectangle(&brush, 10, 20, 30, 40), Ok);
        }
        box.drawingDone();
        const QImage shown = box.grab().toImage();
        QCOMPARE(shown.pixelColor(15, 25), QColor(200, 20, 30));
        QCOMPARE(shown.pixelColor(5, 5), QColor(Qt::white));
        // Emptied, the box shows nothing of the old picture; the next use makes a new
        // picture at the box's size, whatever the size was before.
        box.emptyPicture();
        QVERIFY(!box.hasPicture());
        box.resize(60, 40);
        box.canvas();
        QCOMPARE(box.picture().size(), QSize(60, 40));
        QCOMPARE(box.picture().pixelColor(15, 25), QColor(Qt::white));
    }

    // "打开" hands its choice to openTiff: the path goes into Edit1, then every page is listed.
    void openingListsEveryPage() {
        fixtures::TempDir dir;
        std::vector<fixtures::TiffPage> pages;
        for (uint32_t k = 0; k < 12; ++k) pages.push_back({fixtures::TiffKind::Rgb, 30 + k, 20});
        fixtures::writeTiff(dir.file("twelve.tif"), pages);
        fixtures::writeTiff(dir.file("one.tif"), {{fixtures::TiffKind::Bilevel, 800, 600}});
        SplitPage* page = window->TabSheet1;
        window->openTiff(QString::fromStdString(dir.file("twelve.tif")));
        QCOMPARE(page->Edit1->text(), QString::fromStdString(dir.file("twelve.tif")));
        QCOMPARE(page->ListView1->count(), 12);
        QCOMPARE(page->ImageList1.size(), 12);
        QCOMPARE(page->ListView1->item(0)->text(), QString("图(1) 30*20"));
        QCOMPARE(page->ListView1->item(11)->text(), QString("图(12) 41*20"));
        QCOMPARE(page->ImageList1.first().size(), QSize(120, 120));
        QVERIFY(window->ProgressBar1->isHidden());
        QVERIFY(recorder.messages().empty());
        QCOMPARE(page->selectedPage(), -1);
        // A second file replaces every entry and tile.
        window->openTiff(QString::fromStdString(dir.file("one.tif")));
        QCOMPARE(page->ListView1->count(), 1);
        QCOMPARE(page->ImageList1.size(), 1);
        QCOMPARE(page->ListView1->item(0)->text(), QString("图(1) 800*600"));
        // 800 x 600 gives a 120 x 90 tile at (0, 15): the frame on top, white, then the page.
        const QImage tile = page->ImageList1.first();
        QCOMPARE(tile.pixelColor(60, 0), QColor(200, 200, 200));
        QCOMPARE(tile.pixelColor(60, 10), QColor(Qt::white));
        // A file that cannot be decoded: an empty list, its name in Edit1, and the reason.
        fixtures::writeBytes(dir.file("bad.tif"), {'n', 'o'});
        window->openTiff(QString::fromStdString(dir.file("bad.tif")));
        QCOMPARE(page->ListView1->count(), 0);
        QCOMPARE(page->ImageList1.size(), 0);
        QCOMPARE(page->Edit1->text(), QString::fromStdString(dir.file("bad.tif")));
        QCOMPARE(recorder.messages(), std::vector<std::string>{"错误|TIF文件无法识别!"});
        QVERIFY(window->ProgressBar1->isHidden());
    }

    // The page organizer: edits shown at once, undone and redone, written over the document
    // (asked first) and listed again, the close asking while edits are unsaved.
    void organizerEditsAndSavesTheDocument() {
        fixtures::TempDir dir;
        const std::string doc = dir.file("doc.tif");
        std::vector<fixtures::TiffPage> pages;
        for (uint32_t k = 0; k < 3; ++k) pages.push_back({fixtures::TiffKind::Bilevel, 40 + 8 * k, 24, COMPRESSION_CCITTFAX4});
        fixtures::writeTiff(doc, pages);
        window->openTiff(QString::fromStdString(doc));
        window->OrganizeClick();
        auto* organizer = window->findChild<OrganizerWindow*>();
        QVERIFY(organizer);
        auto* grid = organizer->findChild<QListWidget*>("PageGrid");
        QCOMPARE(grid->count(), 3);
        const auto act = [&](const QString& text) {
            for (QAction* action : organizer->findChildren<QAction*>())
                if (action->text() == text) return action->trigger();
            QFAIL(qPrintable("no action " + text));
        };
        grid->clearSelection();
        grid->item(0)->setSelected(true);
        const QImage upright = grid->item(0)->icon().pixmap(120, 120).toImage();
        act("向右旋转");
        QVERIFY(grid->item(0)->icon().pixmap(120, 120).toImage() != upright);  // the tile shows the turn
        grid->clearSelection();
        grid->item(2)->setSelected(true);
        act("删除");
        QCOMPARE(grid->count(), 2);
        act("撤销");
        QCOMPARE(grid->count(), 3);
        act("重做");
        QCOMPARE(grid->count(), 2);
        QVERIFY(organizer->isWindowModified());
        // Saving asks first; yes writes the document over.
        QTimer answer;
        QObject::connect(&answer, &QTimer::timeout, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
                box->button(QMessageBox::Yes)->click();
        });
        answer.start(50);
        act("保存");
        answer.stop();
        const auto written = fixtures::readTiffPages(doc);
        QCOMPARE(written.size(), size_t{2});
        QCOMPARE(written[0].width, 24u);  // the first page, turned
        QCOMPARE(written[1].width, 48u);
        QCOMPARE(written[0].compression, uint16_t{COMPRESSION_CCITTFAX4});
        QVERIFY(!organizer->isWindowModified());
        QCOMPARE(window->TabSheet1->ListView1->count(), 2);  // listed again as it now is
        // Undoing reaches past the save: the deleted page is back, read from the document as
        // it was, and saving again writes all three.
        act("撤销");
        QCOMPARE(grid->count(), 3);
        QVERIFY(organizer->isWindowModified());
        QCOMPARE(grid->item(2)->text(), QString("3 (保存前的doc.tif:3)"));
        answer.start(50);
        act("保存");
        answer.stop();
        const auto again = fixtures::readTiffPages(doc);
        QCOMPARE(again.size(), size_t{3});
        QCOMPARE(again[0].width, 24u);
        QCOMPARE(again[2].width, 56u);
        // Another file's pages dropped on the grid come at once, as frames, and their tiles
        // are drawn while the window goes on.
        const std::string other = dir.file("other.tif");
        fixtures::writeTiff(other, {{fixtures::TiffKind::Grey8, 60, 90}, {fixtures::TiffKind::Rgb, 90, 60}});
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(QString::fromStdString(other))});
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(grid->viewport(), &enter);
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(grid->viewport(), &drop);
        QCOMPARE(grid->count(), 5);
        const int inserted = grid->item(0)->text().contains("other.tif") ? 0 : grid->item(4)->text().contains("other.tif") ? 4 : 3;
        QVERIFY(grid->item(inserted)->text().contains("other.tif"));
        const QImage frame = grid->item(inserted)->icon().pixmap(120, 120).toImage();
        QTRY_VERIFY(grid->item(inserted)->icon().pixmap(120, 120).toImage() != frame);
        act("撤销");
        QCOMPARE(grid->count(), 3);
        // Unsaved edits: closing asks, and Cancel keeps the window.
        act("倒序");
        QTimer cancel;
        QObject::connect(&cancel, &QTimer::timeout, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                QCOMPARE(box->text(), QString("保存对文档的修改吗?"));
                for (QAbstractButton* button : box->buttons())
                    if (button->text() == "取消") button->click();
            }
        });
        cancel.start(50);
        QVERIFY(!organizer->close());
        cancel.stop();
        QVERIFY(organizer->isVisible());
    }

    void droppedTiffIsOpened() {
        fixtures::TempDir dir;
        fixtures::writeTiff(dir.file("dropped.tif"), {{fixtures::TiffKind::Grey8, 50, 70}, {fixtures::TiffKind::Rgb, 10, 10}});
        QWidget* viewport = window->TabSheet1->ListView1->viewport();
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(QString::fromStdString(dir.file("dropped.tif")))});
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &drop);
        QCOMPARE(window->TabSheet1->ListView1->count(), 2);
        QCOMPARE(window->TabSheet1->ListView1->item(0)->text(), QString("图(1) 50*70"));
        QCOMPARE(window->TabSheet1->Edit1->text(), QString::fromStdString(dir.file("dropped.tif")));
    }

    // The preview follows every change of the selection: the selected entry's tile, or nothing.
    void mergeListPreviewFollowsTheSelection() {
        fixtures::TempDir dir;
        writeSolidPng(dir.file("wide.png"), 240, 60, 255, 0);   // tile picture 120 x 30 at y 45
        writeSolidPng(dir.file("tall.png"), 60, 240, 0, 255);   // tile picture 30 x 120 at x 45
        MergePage* page = window->TabSheet2;
        const auto preview = [&](int x, int y) { return page->Image3->picture().pixelColor(x, y); };
        const QColor red(255, 0, 0), blue(0, 0, 255), white(Qt::white);

        window->addMergePictures({QString::fromStdString(dir.file("wide.png")),
                                  QString::fromStdString(dir.file("gone.png")),
                                  QString::fromStdString(dir.file("tall.png"))});
        QCOMPARE(recorder.messages(), std::vector<std::string>{"错误|以下图片无法识别,未加入列表:\n" +
                                                               dir.file("gone.png")});
        QCOMPARE(page->ListView2->model()->rowCount(), 2);
        QCOMPARE(page->ListView2->model()->index(1, 1).data().toString(), QString("60×240"));
        QCOMPARE(page->ListView2->model()->index(1, 1).data(Qt::ToolTipRole).toString(),
                 QString::fromStdString(dir.file("tall.png") + "\n60×240"));
        QCOMPARE(page->ListView2->selectionModel()->selectedRows().first().row(), 1);
        QCOMPARE(preview(60, 20), blue);
        QCOMPARE(preview(20, 60), white);

        page->SpeedButton10->click();  // up: the tall picture first, still selected
        QCOMPARE(mergeListPaths().first(), QString::fromStdString(dir.file("tall.png")));
        QCOMPARE(page->ListView2->selectionModel()->selectedRows().first().row(), 0);
        QCOMPARE(preview(60, 20), blue);

        page->ListView2->selectRow(1);  // the user picks the wide one
        QCOMPARE(page->list().selected(), 1);
        QCOMPARE(preview(60, 60), red);
        QCOMPARE(preview(60, 20), white);

        turnWheel(120);  // away from the user: one entry up
        QCOMPARE(page->list().selected(), 0);
        QCOMPARE(preview(60, 20), blue);
        turnWheel(-120);
        QCOMPARE(page->list().selected(), 1);
        QCOMPARE(preview(60, 60), red);

        page->SpeedButton9->click();  // the wide one goes; the tall one is selected
        QCOMPARE(page->ListView2->model()->rowCount(), 1);
        QCOMPARE(page->list().selected(), 0);
        QCOMPARE(preview(60, 20), blue);
        page->SpeedButton9->click();
        QCOMPARE(page->list().selected(), MergeList::kNoSelection);
        QVERIFY(!page->Image3->hasPicture());
        turnWheel(-120);  // nothing selected: the wheel does nothing
        QCOMPARE(page->list().selected(), MergeList::kNoSelection);

        window->addMergePictures({QString::fromStdString(dir.file("wide.png"))});
        QVERIFY(page->Image3->hasPicture());
        page->SpeedButton15->click();
        QCOMPARE(page->ListView2->model()->rowCount(), 0);
        QVERIFY(!page->Image3->hasPicture());
    }

    // Dropped files and folders are added in the order given, a folder's pictures in natural
    // order.
    void droppedPicturesAreAdded() {
        fixtures::TempDir dir;
        std::filesystem::create_directory(dir.path() / "pages");
        for (uint32_t k = 1; k <= 12; ++k)
            fixtures::writeTiff(dir.file("pages/page" + std::to_string(k) + ".tif"), {{fixtures::TiffKind::Grey8, k, 3}});
        writeSolidPng(dir.file("first.png"), 4, 4, 9, 9);
        writeSolidPng(dir.file("last.png"), 5, 5, 9, 9);
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(QString::fromStdString(dir.file("first.png"))),
                      QUrl::fromLocalFile(QString::fromStdString(dir.file("pages"))),
                      QUrl::fromLocalFile(QString::fromStdString(dir.file("last.png")))});
        QWidget* viewport = window->TabSheet2->ListView2->viewport();
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &drop);
        QStringList expected{QString::fromStdString(dir.file("first.png"))};
        for (int k = 1; k <= 12; ++k)
            expected.append(QString::fromStdString(dir.file("pages/page" + std::to_string(k) + ".tif")));
        expected.append(QString::fromStdString(dir.file("last.png")));
        QCOMPARE(mergeListPaths(), expected);
        QCOMPARE(window->TabSheet2->ListView2->model()->index(12, 1).data().toString(), QString("12×3"));
        QCOMPARE(window->TabSheet2->list().selected(), 13);
        QVERIFY(recorder.messages().empty());
    }

    void composeFromTheButton_data() {
        QTest::addColumn<bool>("allPages");
        QTest::addColumn<QList<QSize>>("pages");
        QTest::newRow("first pages") << false << QList<QSize>{{8, 8}, {5, 4}};
        QTest::newRow("every page") << true << QList<QSize>{{8, 8}, {9, 9}, {5, 4}};
    }
    void composeFromTheButton() {
        QFETCH(bool, allPages);
        QFETCH(QList<QSize>, pages);
        fixtures::TempDir dir;
        fixtures::writeTiff(dir.file("a.tif"), {{fixtures::TiffKind::Rgb, 8, 8}, {fixtures::TiffKind::Grey8, 9, 9}});
        fixtures::writePng(dir.file("b.png"), fixtures::gradient(5, 4, 3));
        addMergeEntry(dir.file("a.tif"));
        addMergeEntry(dir.file("b.png"));
        window->TabSheet2->Edit3->setText(QString::fromStdString(dir.file("out.tif")));
        (allPages ? window->TabSheet2->RadioButton2 : window->TabSheet2->RadioButton1)->setChecked(true);
        QTest::mouseClick(window->TabSheet2->SpeedButton14, Qt::LeftButton);
        QCOMPARE(recorder.messages(), std::vector<std::string>{"提示|TIF文件合成完毕!"});
        const auto written = fixtures::readTiffPages(dir.file("out.tif"));
        QCOMPARE(written.size(), size_t(pages.size()));
        for (qsizetype k = 0; k < pages.size(); ++k)
            QCOMPARE(QSize(int(written[k].width), int(written[k].height)), pages[k]);

        // No output name chosen: the composition says so and writes nothing.
        window->TabSheet2->Edit3->clear();
        window->TabSheet2->SpeedButton14->click();
        QCOMPARE(recorder.messages().back(), std::string("错误|请选择文件保存的名字!"));
        // An empty list composes nothing, silently.
        window->TabSheet2->SpeedButton15->click();
        QCOMPARE(window->TabSheet2->ListView2->model()->rowCount(), 0);
        const size_t before = recorder.events.size();
        window->TabSheet2->SpeedButton14->click();
        QCOMPARE(recorder.events.size(), before);
    }

    void inputDuringAJobIsDropped() {
        fixtures::TempDir dir;
        fixtures::writeTiff(dir.file("a.tif"), {{fixtures::TiffKind::Rgb, 8, 8}});
        fixtures::writeTiff(dir.file("b.tif"), {{fixtures::TiffKind::Grey8, 6, 6}});
        addMergeEntry(dir.file("a.tif"));
        addMergeEntry(dir.file("b.tif"));
        window->TabSheet2->Edit3->setText(QString::fromStdString(dir.file("out.tif")));
        int pumps = 0;
        recorder.onPump = [&] {
            ++pumps;
            // The user presses "合成图片" again, switches page and asks to close: by the
            // title bar, by "退 出" and by Ctrl+Q.
            QTest::mouseClick(window->TabSheet2->SpeedButton14, Qt::LeftButton);
            QTest::mouseClick(window->Panel3->SpeedButton1, Qt::LeftButton);
            if (pumps == 1)
                window->close();
            else if (pumps == 2)
                QTest::mouseClick(window->Panel3->SpeedButton11, Qt::LeftButton);
            else
                QTest::keyClick(window->TabSheet2->ListView2, Qt::Key_Q, Qt::ControlModifier);
        };
        window->Panel3->SpeedButton2->click();
        const int marker = window->Panel3->Bevel8->y();
        QTest::mouseClick(window->TabSheet2->SpeedButton14, Qt::LeftButton);
        QCOMPARE(pumps, 3);  // once the status text is up, then after each source
        // Each close asked whether to cancel; answered no, the job ran on and the window stays.
        const std::string question = "question 提示|任务正在进行,是否取消并退出?";
        QCOMPARE(std::count(recorder.events.begin(), recorder.events.end(), question), 3);
        QCOMPARE(recorder.messages(), std::vector<std::string>{"提示|TIF文件合成完毕!"});
        QCOMPARE(fixtures::readTiffPages(dir.file("out.tif")).size(), size_t{2});
        QCOMPARE(window->PageControl1->currentIndex(), 1);  // the page switch was dropped
        QCOMPARE(window->Panel3->Bevel8->y(), marker);
        QCoreApplication::processEvents();  // a close held back would have been posted
        QVERIFY(window->isVisible());

        // Answered yes: the job is cancelled as Escape cancels it, then the window closes.
        recorder = fixtures::RecordingContext();
        recorder.answer = true;
        recorder.onPump = [&] { window->close(); };
        QTest::mouseClick(window->TabSheet2->SpeedButton14, Qt::LeftButton);
        QCOMPARE(std::count(recorder.events.begin(), recorder.events.end(), question), 1);  // asked once
        QCOMPARE(recorder.messages(), std::vector<std::string>{"提示|已取消,未生成文件。"});
        QTRY_VERIFY(!window->isVisible());
    }

    // Escape is the one key a job hears: the split keeps what it saved, the composition
    // leaves nothing; other keys stay dropped.
    void escapeStopsAJob() {
        fixtures::TempDir dir;
        fixtures::writeTiff(dir.file("doc.tif"),
                            std::vector<fixtures::TiffPage>(6, {fixtures::TiffKind::Rgb, 30, 20}));
        QDir().mkdir(QString::fromStdString(dir.file("out")));
        window->openTiff(QString::fromStdString(dir.file("doc.tif")));
        window->TabSheet1->setOutputFolder(QString::fromStdString(dir.file("out")));
        recorder = fixtures::RecordingContext();
        recorder.onPump = [&] {
            QTest::keyClick(window->TabSheet1->Edit1, Qt::Key_A);
            QTest::keyClick(window.get(), Qt::Key_Escape);
        };
        window->Panel3->SpeedButton1->click();
        QTest::mouseClick(window->TabSheet1->SpeedButton6, Qt::LeftButton);
        const std::vector<std::string> saved = fixtures::listFolder(dir.file("out"));
        QVERIFY(!saved.empty() && saved.size() < 6);
        QCOMPARE(recorder.messages(),
                 std::vector<std::string>{"提示|已取消,已保存" + std::to_string(saved.size()) + "页。"});
        QCOMPARE(window->TabSheet1->Edit1->text(), QString::fromStdString(dir.file("doc.tif")));

        addMergeEntry(dir.file("doc.tif"));
        addMergeEntry(dir.file("doc.tif"));
        window->TabSheet2->Edit3->setText(QString::fromStdString(dir.file("merged.tif")));
        recorder = fixtures::RecordingContext();
        recorder.onPump = [&] { QTest::keyClick(window->TabSheet2->ListView2, Qt::Key_Escape); };
        window->Panel3->SpeedButton2->click();
        QTest::mouseClick(window->TabSheet2->SpeedButton14, Qt::LeftButton);
        QCOMPARE(recorder.messages(), std::vector<std::string>{"提示|已取消,未生成文件。"});
        QVERIFY(!QFile::exists(QString::fromStdString(dir.file("merged.tif"))));

        // The next job runs to its end: the request does not outlive the job it stopped.
        recorder = fixtures::RecordingContext();
        QTest::mouseClick(window->TabSheet2->SpeedButton14, Qt::LeftButton);
        QCOMPARE(recorder.messages(), std::vector<std::string>{"提示|TIF文件合成完毕!"});
    }

    void inputDuringAnAddBatchIsDropped() {
        fixtures::TempDir dir;
        writeSolidPng(dir.file("a.png"), 3, 3, 1, 1);
        writeSolidPng(dir.file("b.png"), 4, 4, 1, 1);
        window->Panel3->SpeedButton2->click();
        QStringList shown;  // the status text and the hint beside it, at each file
        recorder.onPump = [&] {
            shown << window->StatusBar2->panelText(1) + "|" + window->StatusBar2->panelHint(1);
            // The user clears the list, removes an entry and turns the wheel meanwhile.
            QTest::mouseClick(window->TabSheet2->SpeedButton15, Qt::LeftButton);
            QTest::mouseClick(window->TabSheet2->SpeedButton9, Qt::LeftButton);
            turnWheel(120);
        };
        window->addMergePictures({QString::fromStdString(dir.file("a.png")), QString::fromStdString(dir.file("b.png")),
                                  QString::fromStdString(dir.file("a.png"))});
        QCOMPARE(window->TabSheet2->sourcePaths(),
                 (std::vector<std::string>{dir.file("a.png"), dir.file("b.png"), dir.file("a.png")}));
        QCOMPARE(window->TabSheet2->list().selected(), 2);
        QCOMPARE(shown, QStringList(3, "正在添加图片,请等待......|按Esc键取消"));
        QCOMPARE(window->StatusBar2->panelText(1) + window->StatusBar2->panelHint(1), QString());
    }

    // The fit rule's worked examples in a fit area of 1000 x 700, through the viewer.
    void viewerPlacesPictures_data() {
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<QRect>("box");
        QTest::newRow("natural size") << QSize(800, 600) << QRect(100, 50, 800, 600);
        QTest::newRow("natural, odd difference") << QSize(801, 600) << QRect(99, 50, 801, 600);
        QTest::newRow("as wide as the area") << QSize(1000, 600) << QRect(0, 50, 1000, 600);
        QTest::newRow("fit to width") << QSize(2000, 1000) << QRect(0, 100, 1000, 500);
        QTest::newRow("fit to width, rounded") << QSize(3000, 2001) << QRect(0, 16, 1000, 667);
        QTest::newRow("fit to height") << QSize(1000, 1400) << QRect(250, 0, 500, 700);
        QTest::newRow("equal ratios") << QSize(2000, 1400) << QRect(0, 0, 1000, 700);
        QTest::newRow("2.5 rounds to 2") << QSize(5, 1400) << QRect(499, 0, 2, 700);
        QTest::newRow("3.5 rounds to 4") << QSize(7, 1400) << QRect(498, 0, 4, 700);
        QTest::newRow("0.5 rounds to 0") << QSize(1, 1400) << QRect(500, 0, 0, 700);
    }
    void viewerPlacesPictures() {
        QFETCH(QSize, picture);
        QFETCH(QRect, box);
        fixtures::TempDir dir;
        fixtures::writeTiff(dir.file("p.tif"), {{fixtures::TiffKind::Bilevel, uint32_t(picture.width()), uint32_t(picture.height())}});
        viewer->openPicture("p.tif", dir.file("p.tif"), 0, false);
        QCOMPARE(viewer->Image1->geometry(), box);
        QVERIFY(recorder.messages().empty());
        if (box.width() == 0) return;
        QCOMPARE(viewer->Image1->picture().size(), box.size());
    }

    // Pictures with transparent areas show black behind them; scaling is bilinear.
    void viewerShowsTransparencyBlack() {
        fixtures::TempDir dir;
        fixtures::Picture picture{4, 2, 4, std::vector<uint8_t>(4 * 2 * 4, 0)};
        for (uint32_t x = 0; x < 4; ++x) picture.at(x, 0)[0] = 200, picture.at(x, 0)[3] = 255;  // top row opaque red
        fixtures::writePng(dir.file("half.png"), picture);
        viewer->openPicture("half.png", dir.file("half.png"), 0, false);
        QCOMPARE(viewer->Image1->picture().pixelColor(1, 0), QColor(200, 0, 0));
        QCOMPARE(viewer->Image1->picture().pixelColor(1, 1), QColor(Qt::black));
    }

    // The page list and the merge list open the viewer with their captions; page 0 is the
    // frame active after decoding, a merge entry shows its first frame.
    void viewerOpenings() {
        fixtures::TempDir dir;
        fixtures::writeTiff(dir.file("doc.tif"), {{fixtures::TiffKind::Rgb, 30, 20}, {fixtures::TiffKind::Grey8, 60, 10},
                                                  {fixtures::TiffKind::Bilevel, 8, 8}});
        fixtures::writeGif(dir.file("two.gif"), 6, 4, {0xFF0000, 0x0000FF},
                           {{0, 0, 6, 4, std::vector<uint8_t>(24, 0)}, {0, 0, 6, 4, std::vector<uint8_t>(24, 1)}});
        QCOMPARE(viewer->windowTitle(), QString("图片浏览"));
        window->openTiff(QString::fromStdString(dir.file("doc.tif")));
        // Nothing selected: none of the openings does anything.
        window->N2Click();
        window->ListView1DblClick();
        window->Image3DblClick();
        window->N1Click();
        QVERIFY(!viewer->isVisible());
        QCOMPARE(viewer->windowTitle(), QString("图片浏览"));
        QVERIFY(offeredFiles.empty());

        window->TabSheet1->ListView1->setCurrentRow(1);
        window->N2Click();
        QVERIFY(viewer->isVisible());
        QCOMPARE(viewer->windowTitle(), QString::fromStdString(dir.file("doc.tif")) + " 图(2)");
        QCOMPARE(viewer->page(), 1);
        QCOMPARE(viewer->Image1->geometry(), QRect(470, 345, 60, 10));
        window->TabSheet1->ListView1->setCurrentRow(0);
        window->ListView1DblClick();
        QCOMPARE(viewer->windowTitle(), QString::fromStdString(dir.file("doc.tif")) + " 图(1)");
        QCOMPARE(viewer->Image1->geometry().size(), QSize(30, 20));

        window->addMergePictures({QString::fromStdString(dir.file("two.gif"))});
        window->Image3DblClick();
        QCOMPARE(viewer->windowTitle(), QString::fromStdString(dir.file("two.gif")));
        QCOMPARE(viewer->Image1->picture().pixelColor(2, 2), QColor(255, 0, 0));
        QVERIFY(recorder.messages().empty());
    }

    // What cannot be shown is not shown: the picture is emptied under the new caption and
    // the viewer says so.
    void viewerRefusesWhatItCannotShow_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("page");
        QTest::newRow("not a picture") << "bad.tif" << 0;
        QTest::newRow("deleted") << "gone.tif" << 0;
        QTest::newRow("beyond the last page") << "doc.tif" << 2;
        QTest::newRow("cut short") << "damaged.tif" << 0;
    }
    void viewerRefusesWhatItCannotShow() {
        QFETCH(QString, file);
        QFETCH(int, page);
        fixtures::TempDir dir;
        fixtures::writeTiff(dir.file("doc.tif"), {{fixtures::TiffKind::Rgb, 30, 20}, {fixtures::TiffKind::Rgb, 20, 20}});
        fixtures::writeBytes(dir.file("bad.tif"), {'n', 'o'});
        // A file cut short after its header.
        fixtures::writeTiff(dir.file("damaged.tif"), {{fixtures::TiffKind::Rgb, 30, 20}});
        std::vector<uint8_t> damaged = fixtures::readBytes(dir.file("damaged.tif"));
        damaged.resize(16);
        fixtures::writeBytes(dir.file("damaged.tif"), damaged);
        viewer->openPicture("doc.tif", dir.file("doc.tif"), 0, true);
        QVERIFY(viewer->Image1->hasPicture());
        viewer->openPicture(file, dir.file(file.toStdString()), page, true);
        QCOMPARE(viewer->windowTitle(), file + " 图(" + QString::number(page + 1) + ")");
        QVERIFY(!viewer->Image1->hasPicture());
        QCOMPARE(recorder.messages(), std::vector<std::string>{"错误|图片无法识别!"});
    }

    void viewerStepsThroughPages() {
        fixtures::TempDir dir;
        fixtures::writeTiff(dir.file("doc.tif"), {{fixtures::TiffKind::Rgb, 30, 20}, {fixtures::TiffKind::Grey8, 40, 20},
                                                  {fixtures::TiffKind::Bilevel, 50, 20}});
        window->openTiff(QString::fromStdString(dir.file("doc.tif")));
        viewer->openPicture("doc.tif", dir.file("doc.tif"), 0, true);
        const auto press = [&](Qt::Key key) { QTest::keyClick(viewer.get(), key); };
        // The page shown, its width, and the page list's selection, which follows it.
        const auto shown = [&] {
            return std::make_tuple(viewer->page(), viewer->Image1->width(),
                                   window->TabSheet1->selectedPage());
        };
        press(Qt::Key_PageUp);  // the first page stops
        QCOMPARE(shown(), std::make_tuple(0, 30, -1));
        press(Qt::Key_PageDown);
        QCOMPARE(shown(), std::make_tuple(1, 40, 1));
        QCOMPARE(viewer->windowTitle(), QString("doc.tif 图(2)"));
        press(Qt::Key_End);
        QCOMPARE(shown(), std::make_tuple(2, 50, 2));
        press(Qt::Key_PageDown);  // so does the last
        QCOMPARE(shown(), std::make_tuple(2, 50, 2));
        press(Qt::Key_Home);
        QCOMPARE(shown(), std::make_tuple(0, 30, 0));
        QWidget* sheet = viewer->Image1->parentWidget()->parentWidget();  // the scroll area's viewport
        QWheelEvent towards(QPointF(5, 5), sheet->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, -120),
                            Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(sheet, &towards);
        QCOMPARE(shown(), std::make_tuple(1, 40, 1));
        QCOMPARE(viewer->windowTitle(), QString("doc.tif 图(2)"));
        QVERIFY(recorder.messages().empty());
        press(Qt::Key_Escape);
        QVERIFY(!viewer->isVisible());
    }

    // The save-page dialog writes the selected page at its own percentage, in the chosen
    // type, under the chosen name.
    void savePageDialog() {
        fixtures::TempDir dir;
        fixtures::writeTiff(dir.file("doc.tif"), {{fixtures::TiffKind::Rgb, 30, 20},
                                                  {fixtures::TiffKind::Bilevel, 1700, 2200}});
        window->openTiff(QString::fromStdString(dir.file("doc.tif")));
        window->TabSheet1->SpinEdit1->setValue(30);  // the main window's percentage plays no part
        const QString target = QString::fromStdString(dir.file("page"));

        savePageThroughTheDialog(1, TSaveDlg::FileChoice{target, 4}, 50);
        QCOMPARE(saveDialog->Image1->picture(), window->TabSheet1->ImageList1[1].convertToFormat(QImage::Format_RGB32));
        const fixtures::RgbaImage png = fixtures::readPng(dir.file("page.PNG"));
        QCOMPARE(QSize(int(png.width), int(png.height)), QSize(850, 1100));
        // At first JPEG, and the page's own name beside the source.
        QCOMPARE(offeredFiles.back().type, 1);
        QCOMPARE(offeredFiles.back().name, QString::fromStdString(dir.file("doc_2")));

        // A name with an extension keeps it, whatever the type: PNG data under page.jpg.
        savePageThroughTheDialog(0, TSaveDlg::FileChoice{QString::fromStdString(dir.file("page.jpg")), 4});
        QCOMPARE(fixtures::readPng(dir.file("page.jpg")).width, 30u);
        QCOMPARE(offeredFiles.back().name, QString::fromStdString(dir.file("doc_1")));
        QCOMPARE(saveDialog->SpinEdit1->value(), 100);

        savePageThroughTheDialog(0, TSaveDlg::FileChoice{QString::fromStdString(dir.file("t")), 5});
        QCOMPARE(fixtures::readTiffPages(dir.file("t.TIF")).size(), size_t{1});
        savePageThroughTheDialog(0, std::nullopt);  // cancelled: nothing written
        QCOMPARE(offeredFiles.back().type, 5);      // the type of the last save is offered again
        QCOMPARE(offeredFiles.back().name, QString::fromStdString(dir.file("doc_1")));

        // "取消" closes without asking; nothing more is written.
        QTimer::singleShot(0, saveDialog.get(), [this] { saveDialog->SpeedButton2->click(); });
        window->TabSheet1->ListView1->setCurrentRow(0);
        const size_t asked = offeredFiles.size();
        window->N1Click();
        QCOMPARE(offeredFiles.size(), asked);
        QCOMPARE(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 4);
        QVERIFY(recorder.messages().empty());

        // The source itself is not overwritten.
        savePageThroughTheDialog(0, TSaveDlg::FileChoice{QString::fromStdString(dir.file("doc.tif")), 5});
        QCOMPARE(recorder.messages(), std::vector<std::string>{"错误|不能覆盖正在分解的TIF文件!"});
        QCOMPARE(fixtures::readTiffPages(dir.file("doc.tif")).size(), size_t{2});
    }

    void uncaughtErrorsAreShownAndTheProgramGoesOn() {
        QString shown;
        auto previous = GuardedApplication::reportError;
        GuardedApplication::reportError = [&](const QString& text) { shown = text; };
        struct Throwing : QObject {
            bool event(QEvent* e) override {
                if (e->type() == QEvent::User) throw std::runtime_error("磁盘已满");
                return QObject::event(e);
            }
        } target;
        QEvent event(QEvent::User);
        QCoreApplication::sendEvent(&target, &event);
        GuardedApplication::reportError = previous;
        QCOMPARE(shown, QString("磁盘已满"));
    }

    // Centred in the screen's free area; a window larger than the area (a screen scaled by
    // 2) keeps its title bar on the screen.
    void windowsAreCentredInTheAvailableArea_data() {
        QTest::addColumn<QRect>("available");
        QTest::addColumn<QSize>("frame");
        QTest::addColumn<QPoint>("topLeft");
        QTest::newRow("fits") << QRect(0, 0, 1280, 900) << QSize(788, 560) << QPoint(246, 170);
        QTest::newRow("panel on top")
            << QRect(0, 30, 1280, 870) << QSize(788, 560) << QPoint(246, 185);
        QTest::newRow("too large") << QRect(0, 0, 640, 450) << QSize(788, 560) << QPoint(0, 0);
        QTest::newRow("too tall, second screen")
            << QRect(1280, 24, 960, 426) << QSize(788, 560) << QPoint(1366, 24);
    }
    void windowsAreCentredInTheAvailableArea() {
        QFETCH(QRect, available);
        QFETCH(QSize, frame);
        QFETCH(QPoint, topLeft);
        QCOMPARE(centredTopLeft(available, frame), topLeft);
    }

    // The split's format and percentage, the merge's page choice and the TIFF files opened
    // last come back in the next run; a recent file that is gone leaves the list when chosen.
    void choicesAreRememberedBetweenRuns() {
        fixtures::TempDir dir;
        const QString a = QString::fromStdString(dir.file("a.tif")),
                      b = QString::fromStdString(dir.file("b.tif"));
        fixtures::writeTiff(a.toStdString(), {{fixtures::TiffKind::Rgb, 8, 8}});
        fixtures::writeTiff(b.toStdString(), {{fixtures::TiffKind::Grey8, 6, 6}});
        window->openTiff(a);
        window->openTiff(b);
        window->openTiff(QString::fromStdString(dir.file("none.tif")));  // never listed, not kept
        window->TabSheet1->FlatComboBox1->setCurrentIndex(3);
        window->TabSheet1->SpinEdit1->setValue(30);
        window->TabSheet2->RadioButton2->setChecked(true);
        window->close();

        const auto recentMenu = [](TForm1& form) {
            QStringList entries;
            for (QAction* action : form.TabSheet1->RecentMenu->actions()) entries << action->text();
            return entries;
        };
        TForm1 next;
        next.setMessageSink(&recorder);
        next.setEventPump(&recorder);
        QCOMPARE(next.TabSheet1->FlatComboBox1->currentIndex(), 3);
        QCOMPARE(next.TabSheet1->SpinEdit1->value(), 30);
        QVERIFY(next.TabSheet2->RadioButton2->isChecked());
        QCOMPARE(recentMenu(next), (QStringList{b, a}));

        recorder = fixtures::RecordingContext();
        QFile::remove(a);
        next.TabSheet1->RecentMenu->actions().at(1)->trigger();
        QCOMPARE(recorder.messages(), std::vector<std::string>{"错误|TIF文件无法识别!"});
        QCOMPARE(recentMenu(next), QStringList{b});

        // At most eight, newest first, each once.
        RememberedChoices remembered;
        for (int i = 1; i <= 9; ++i) remembered.addRecentTiff(QString("/scans/%1.tif").arg(i));
        remembered.addRecentTiff("/scans/5.tif");
        QCOMPARE(remembered.recentTiffs(),
                 (QStringList{"/scans/5.tif", "/scans/9.tif", "/scans/8.tif", "/scans/7.tif",
                              "/scans/6.tif", "/scans/4.tif", "/scans/3.tif", "/scans/2.tif"}));
    }

    // A file whose name is not UTF-8 (GBK, from another system) opens from the window, from a
    // drop and from the recent files, byte for byte, and stays so in the settings.
    void namesThatAreNotUtf8OpenByteForByte() {
        fixtures::TempDir dir;
        const std::string gbk = dir.file("\xC4\xE3\xBA\xC3.tif");  // "你好" in GBK
        fixtures::writeTiff(gbk, {{fixtures::TiffKind::Rgb, 30, 20}, {fixtures::TiffKind::Rgb, 31, 20}});
        const QString shown = pathText(gbk);
        window->openTiff(shown);
        QCOMPARE(window->TabSheet1->ListView1->count(), 2);
        QVERIFY(recorder.messages().empty());
        QCOMPARE(window->TabSheet1->sourcePath(), gbk);
        QUrl url = QUrl::fromEncoded(QByteArray("file://") + QByteArray::fromStdString(gbk).toPercentEncoding("/"));
        QCOMPARE(localPathBytes(url), gbk);
        window->close();
        RememberedChoices remembered;
        QCOMPARE(remembered.recentTiffs().value(0), shown);
        QCOMPARE(pathBytes(remembered.recentTiffs().value(0)), gbk);
    }

    // A settings file that is a FIFO or far too large is left as it is, unread: the window
    // starts at once and remembers its choices for the run.
    void anUnusableSettingsFileIsLeftAlone() {
        const QString path = RememberedChoices::settingsPath();
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile::remove(path);
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        {
            RememberedChoices remembered;  // reading the FIFO would wait for a writer forever
            remembered.addRecentTiff("/scans/a.tif");
            QCOMPARE(remembered.recentTiffs(), QStringList{"/scans/a.tif"});
        }
        QVERIFY(QFileInfo(path).exists() && !QFileInfo(path).isFile());
        QFile::remove(path);
        QFile huge(path);
        QVERIFY(huge.open(QIODevice::WriteOnly));
        QVERIFY(huge.resize(2 << 20));
        huge.close();
        {
            RememberedChoices remembered;
            remembered.setNumber("percent", 50);
            QCOMPARE(remembered.number("percent"), std::optional<int>(50));
        }
        QCOMPARE(QFileInfo(path).size(), qint64{2 << 20});
        QFile::remove(path);
    }

    // Tab goes round the side bar and the page shown, in reading order; Space and Enter press
    // the button that has the focus.
    void tabReachesEveryControlInReadingOrder() {
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        const auto chain = [&] {
            QStringList names;
            window->Panel3->SpeedButton1->setFocus(Qt::TabFocusReason);
            do {
                names << QApplication::focusWidget()->objectName();
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            } while (QApplication::focusWidget() != window->Panel3->SpeedButton1 &&
                     names.size() < 40);
            return names;
        };
        const QStringList sideBar{"SpeedButton1", "SpeedButton2", "SpeedButton3", "SpeedButton5",
                                  "SpeedButton11"};
        window->SpeedButton1Click();
        const QStringList splitPage{"Edit1",        "SpeedButton4",  "ListView1", "Edit2",
                                    "SpeedButton7", "FlatComboBox1", "SpinEdit1", "SpeedButton6"};
        QCOMPARE(chain(), sideBar + splitPage);
        // With rows in it, the merge list is left by Tab too (arrows move within it).
        fixtures::TempDir pictures;
        fixtures::writePng(pictures.file("a.png"), fixtures::gradient(4, 4, 3));
        window->addMergePictures(QStringList(2, QString::fromStdString(pictures.file("a.png"))));
        window->SpeedButton2Click();
        const QStringList mergePage{"ListView2",     "SpeedButton8",  "SpeedButton9",
                                    "SpeedButton10", "SpeedButton12", "SpeedButton15",
                                    "Edit3",         "SpeedButton13", "RadioButton1",
                                    "LosslessCheck", "SpeedButton14"};
        QCOMPARE(chain(), sideBar + mergePage);
        window->Panel3->SpeedButton3->setFocus(Qt::TabFocusReason);
        QTest::keyClick(window->Panel3->SpeedButton3, Qt::Key_Space);
        QCOMPARE(window->PageControl1->currentIndex(), 2);
        window->Panel3->SpeedButton5->setFocus(Qt::TabFocusReason);
        QTest::keyClick(window->Panel3->SpeedButton5, Qt::Key_Return);
        QTRY_COMPARE(window->PageControl1->currentIndex(), 3);

        // The buttons that write files take Space, never Enter: an Enter meant for something
        // else must not run a job over a file.
        window->SpeedButton1Click();
        recorder = fixtures::RecordingContext();
        QToolButton* split = window->TabSheet1->SpeedButton6;
        split->setFocus(Qt::TabFocusReason);
        QTest::keyClick(split, Qt::Key_Return);
        QVERIFY(!split->isDown());  // an animated click would hold it down from the key on
        QCoreApplication::processEvents();
        QVERIFY(recorder.messages().empty());
        QTest::keyClick(split, Qt::Key_Space);
        QTRY_COMPARE(recorder.messages().size(), size_t{1});  // it ran: no TIFF chosen yet

        fixtures::TempDir dir;
        fixtures::writePng(dir.file("a.png"), fixtures::gradient(4, 4, 3));
        window->SpeedButton2Click();
        window->addMergePictures({QString::fromStdString(dir.file("a.png"))});
        window->TabSheet2->setOutputPath(QString::fromStdString(dir.file("merged.tif")));
        QToolButton* merge = window->TabSheet2->SpeedButton14;
        merge->setFocus(Qt::TabFocusReason);
        QTest::keyClick(merge, Qt::Key_Return);
        QVERIFY(!merge->isDown());
        QCoreApplication::processEvents();
        QVERIFY(!QFileInfo::exists(QString::fromStdString(dir.file("merged.tif"))));
        QTest::keyClick(merge, Qt::Key_Space);
        QTRY_VERIFY(QFileInfo::exists(QString::fromStdString(dir.file("merged.tif"))));
    }

    // Ctrl+O works whatever has the focus: from the about page and the split page it opens a
    // TIFF, on the merge page it adds pictures. A page switch puts the focus on the page's
    // list, never on a control left on a hidden page.
    void pageKeysWorkFromAnyFocus() {
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        QStringList opened;
        const auto ctrlO = [&] {
            // The dialog is modal: it is looked at and closed from within its own loop.
            QTimer closer;
            QObject::connect(&closer, &QTimer::timeout, [&] {
                if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
                    opened << (dialog->fileMode() == QFileDialog::ExistingFiles ? "add" : "open");
                    dialog->close();
                }
            });
            closer.start(50);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_O, Qt::ControlModifier);
            window->activateWindow();  // the offscreen platform does not give it back itself
            QVERIFY(QTest::qWaitForWindowActive(window.get()));
        };
        ctrlO();  // right after start, on the about page
        QCOMPARE(window->PageControl1->currentIndex(), 0);
        // The focus was in the side bar, and follows its marker.
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(window->Panel3->SpeedButton1));
        window->TabSheet1->SpinEdit1->setFocus(Qt::TabFocusReason);
        ctrlO();
        window->TabSheet1->SpinEdit1->setFocus(Qt::TabFocusReason);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_2, Qt::ControlModifier);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(window->TabSheet2->ListView2));
        window->TabSheet2->SpeedButton14->setFocus(Qt::TabFocusReason);
        ctrlO();
        QCOMPARE(opened, (QStringList{"open", "open", "add"}));
        QCOMPARE(window->PageControl1->currentIndex(), 1);

        // Enter after a page switch opens the viewer on the list, and runs no merge.
        fixtures::TempDir dir;
        fixtures::writePng(dir.file("a.png"), fixtures::gradient(4, 4, 3));
        window->addMergePictures({QString::fromStdString(dir.file("a.png"))});
        window->TabSheet2->SpeedButton14->setFocus(Qt::TabFocusReason);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_2, Qt::ControlModifier);
        recorder = fixtures::RecordingContext();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QTRY_VERIFY(viewer->isVisible());
        viewer->hide();
        QVERIFY(recorder.messages().empty());

        // Tab into the page list selects the page with the focus frame: the menu acts on it.
        fixtures::writeTiff(dir.file("doc.tif"), std::vector<fixtures::TiffPage>(2, {fixtures::TiffKind::Rgb, 8, 8, 1}));
        window->SpeedButton1Click();
        window->openTiff(QString::fromStdString(dir.file("doc.tif")));
        window->TabSheet1->ListView1->clearSelection();
        window->TabSheet1->ListView1->setCurrentItem(nullptr);
        window->TabSheet1->Edit2->setFocus(Qt::TabFocusReason);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(window->TabSheet1->ListView1));
        QCOMPARE(window->TabSheet1->selectedPage(), 0);
        QTest::keyClick(window->TabSheet1->ListView1, Qt::Key_Right);
        QCOMPARE(window->TabSheet1->selectedPage(), 1);
    }

    void keysShowPagesAndWorkTheMergeList() {
        // Shortcuts reach the active window only.
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        const auto press = [&](int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
            QTest::keyClick(window.get(), static_cast<Qt::Key>(key), modifiers);
        };
        press(Qt::Key_2, Qt::ControlModifier);
        QCOMPARE(window->PageControl1->currentIndex(), 1);
        press(Qt::Key_1, Qt::ControlModifier);
        QCOMPARE(window->PageControl1->currentIndex(), 0);
        press(Qt::Key_F1);
        QCOMPARE(window->PageControl1->currentIndex(), 3);
        press(Qt::Key_3, Qt::ControlModifier);
        QCOMPARE(window->PageControl1->currentIndex(), 2);

        // The merge list: Delete removes the selected row, Ctrl+Down moves it.
        fixtures::TempDir dir;
        QStringList paths;
        for (const char* name : {"a.png", "b.png", "c.png"}) {
            fixtures::writePng(dir.file(name), fixtures::gradient(4, 4, 3));
            paths << QString::fromStdString(dir.file(name));
        }
        press(Qt::Key_2, Qt::ControlModifier);
        window->addMergePictures(paths);
        QTableView* list = window->TabSheet2->ListView2;
        list->setFocus();
        list->selectRow(0);
        QTest::keyClick(list, Qt::Key_Down, Qt::ControlModifier);
        QCOMPARE(window->TabSheet2->sourcePaths(),
                 (std::vector<std::string>{dir.file("b.png"), dir.file("a.png"), dir.file("c.png")}));
        QTest::keyClick(list, Qt::Key_Delete);
        QCOMPARE(window->TabSheet2->sourcePaths().size(), size_t{2});
    }

    void fixedSizeWindowsOfferNoMaximize() {
        for (QWidget* fixed : {static_cast<QWidget*>(window.get()), static_cast<QWidget*>(saveDialog.get())}) {
            QVERIFY(fixed->windowFlags().testFlag(Qt::CustomizeWindowHint));
            QVERIFY(!fixed->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
            QVERIFY(fixed->windowFlags().testFlag(Qt::WindowCloseButtonHint));
        }
        QVERIFY(!saveDialog->windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    }

    // In English the window's texts, the job messages and the pictures with words change;
    // every caption still fits its control.
    void theWindowSpeaksEnglish() {
        QTranslator english;
        QVERIFY(english.load(":/i18n/orvelle_en.qm"));
        QCoreApplication::installTranslator(&english);
        setProgramLanguage(Language::English);
        struct Back {
            QTranslator& translator;
            ~Back() {
                QCoreApplication::removeTranslator(&translator);
                setProgramLanguage(Language::Chinese);
            }
        } back{english};
        TForm1 form;
        form.setMessageSink(&recorder);
        form.setEventPump(&recorder);
        form.show();
        QCOMPARE(form.Panel3->SpeedButton1->text(), QString("Split"));
        QCOMPARE(form.TabSheet1->FlatComboBox1->itemText(0), QString("JPEG"));
        QCOMPARE(form.TabSheet2->SpeedButton8->text(), QString("Add pictures"));
        QVERIFY(form.TabSheet4->RichEdit1->toPlainText().startsWith("    Orvelle is a small tool"));
        // "Scale to" is drawn in the face of the labels beside it, not a monospaced one.
        QCOMPARE(form.TabSheet1->Label4->font().family(), form.TabSheet1->Label3->font().family());
        QCOMPARE(form.TabSheet4->RichEdit1->document()->blockCount(), 48);
        QVERIFY(form.Image1->pixmap().toImage() != window->Image1->pixmap().toImage());
        form.SpeedButton6Click();
        QCOMPARE(recorder.messages(), std::vector<std::string>{"Error|Choose a TIFF file."});

        for (const QWidget* page :
             {static_cast<QWidget*>(form.TabSheet1), static_cast<QWidget*>(form.TabSheet2),
              static_cast<QWidget*>(form.TabSheet3), static_cast<QWidget*>(form.Panel3)}) {
            for (const QLabel* label : page->findChildren<QLabel*>()) {
                if (label->text().isEmpty()) continue;
                QVERIFY2(label->fontMetrics().horizontalAdvance(label->text().trimmed()) <=
                             label->width(),
                         qPrintable(label->objectName() + ": " + label->text()));
                // Letters below the line show whole: the box is as tall as the text needs.
                QVERIFY2(label->sizeHint().height() <= label->height() || !label->pixmap().isNull(),
                         qPrintable(label->objectName() + ": " + label->text()));
            }
            for (const QAbstractButton* choice : page->findChildren<QAbstractButton*>())
                if (!qobject_cast<const QToolButton*>(choice))
                    QVERIFY2(choice->sizeHint().height() <= choice->height(), qPrintable(choice->objectName()));
            for (const QAbstractButton* button : page->findChildren<QAbstractButton*>()) {
                if (button->text().isEmpty()) continue;
                int room = button->width() - 6;
                if (qobject_cast<const QToolButton*>(button) &&
                    static_cast<const QToolButton*>(button)->toolButtonStyle() ==
                        Qt::ToolButtonTextBesideIcon)
                    room -= button->iconSize().width() + 4;
                if (!qobject_cast<const QToolButton*>(button))
                    room =
                        button->width() - (button->sizeHint().width() -
                                           button->fontMetrics().horizontalAdvance(button->text()));
                QVERIFY2(button->fontMetrics().horizontalAdvance(button->text()) <= room,
                         qPrintable(button->objectName() + ": " + button->text()));
            }
        }
    }

    void qtsOwnTextsAreChinese() {
        if (!installQtChinese(*QCoreApplication::instance()))
            QSKIP("Qt's translations are not installed (make deps installs qt6-translations-l10n)");
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QString("取消"));
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "OK"), QString("确定"));
    }

    void helpTextIsFixedAndInOrder() {
        QTextEdit* help = window->TabSheet4->RichEdit1;
        QVERIFY(help->isReadOnly());
        QCOMPARE(help->document()->blockCount(), 48);
        QCOMPARE(help->viewport()->palette().color(QPalette::Window), QColor(255, 251, 240));
        const QString text = help->toPlainText();
        const char* order[] = {"TIFF",
                               "旧式JPEG",
                               "LZW",
                               "（1）图片分解：",
                               "本页另存为",
                               "观看大图片",
                               "保存选项：",
                               "24位RGB",
                               "（2）图片合成：",
                               "[添加图片]",
                               "[位置下移]",
                               "全部页面",
                               "不改变图片的尺寸",
                               "键盘操作：",
                               "Ctrl+1至Ctrl+4",
                               "按Esc键取消",
                               "最近打开的TIFF文件",
                               "PDF与无损保存：",
                               "无损另存为TIFF",
                               "保持原始数据(无损)",
                               "生成可搜索PDF(文字识别)"};
        int at = 0;
        for (const char* phrase : order) {
            const int found = text.indexOf(QString::fromUtf8(phrase), at);
            QVERIFY2(found >= 0, phrase);
            at = found;
        }
        QVERIFY(!text.contains("GDI"));
    }
};

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    setProgramLanguage(Language::Chinese);  // the window's texts as the program's own
    ImagingSession::open();
    int status = 0;
    {
        GuardedApplication application(argc, argv);
        // The windows remember choices in the user's settings: here, in a folder of the run's own.
        const fixtures::TempDir settings;
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(settings.path().string()));
        MainWindowTest test;
        status = QTest::qExec(&test, argc, argv);
    }
    ImagingSession::close();
    return status;
}

#include "main_window_test.moc"
