// The main window: banner, side bar, four pages with hidden tabs, and the status bar with
// its progress display. It assembles the pages and holds their handlers; the work itself is
// the job code's.
#pragma once

#include <QWidget>

#include "imaging/output_formats.h"
#include "merge/merge_list.h"
#include "remembered_choices.h"
#include "window_reporting.h"

class QLabel;
class QProgressBar;
class QStackedWidget;
class QToolButton;

namespace orvelle {

class AboutPage;
class HelpPage;
class MergePage;
class SideBar;
class SplitPage;
class StatusBar;
class TForm2;
class TSaveDlg;

class TForm1 : public QWidget {
    Q_OBJECT
public:
    TForm1();
    ~TForm1() override;

    // Tests replace how messages are shown and how pending events are processed.
    void setMessageSink(MessageSink* messages) { m_messages = messages; }
    // The program's two other windows, created at start-up beside this one: the picture
    // viewer and the save-page dialog.
    void useWindows(TForm2* viewer, TSaveDlg* saveDialog);
    void setEventPump(EventPump* pump) { m_pump = pump; }

    QLabel* Image1;
    QWidget* Panel2;
    SideBar* Panel3;
    QStackedWidget* PageControl1;
    SplitPage* TabSheet1;
    MergePage* TabSheet2;
    AboutPage* TabSheet3;
    HelpPage* TabSheet4;
    StatusBar* StatusBar2;
    QProgressBar* ProgressBar1;
    TForm2* Form2 = nullptr;
    TSaveDlg* SaveDlg = nullptr;

signals:
    // The window has closed; the program ends.
    void closed();

public slots:
    void SpeedButton1Click();
    void SpeedButton4Click();
    void SpeedButton2Click();
    void SpeedButton3Click();
    void SpeedButton5Click();
    void SpeedButton11Click();
    void SpeedButton6Click();
    void SpeedButton7Click();
    void SpeedButton8Click();
    void SpeedButton9Click();
    void SpeedButton10Click();
    void SpeedButton12Click();
    void SpeedButton15Click();
    void SpeedButton13Click();
    void SpeedButton14Click();
    void SpeedButton16Click();
    void N1Click();
    void N2Click();
    void LosslessSaveClick();
    // The listed document's pages in the page organizer.
    void OrganizeClick();
    void ListView1DblClick();
    void Image3DblClick();
    void StatusBar2DrawPanel(StatusBar* statusBar, int panel, const QRect& rect);

    // Opens a TIFF as if it had been chosen with "打开": its path into Edit1, then the listing.
    void openTiff(const QString& path);
    // Adds pictures to the merge list as if chosen with "添 加 图 片", in this order.
    void addMergePictures(const QStringList& paths);
    // Adds what was dropped onto the merge list: files, and the pictures in dropped folders.
    void addDroppedPictures(const QStringList& paths);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void FormCreate();
    // The choices of the last run back in their controls, and this run's kept for the next.
    void restoreChoices();
    void rememberChoices();
    // A file from "打开"'s list of recent files; one that is gone leaves the list.
    void openRecentTiff(const QString& path);
    void LoadTiffPages();
    // The selected page of the page list in the viewer.
    void viewSelectedPage();
    // What "保存" of the save-page dialog writes: page `m_savedPage` of the listed TIFF.
    void savePage(const std::string& path, ExportFormat format, int percent);
    void showPage(int index, QToolButton* button);
    // A TIFF to write, chosen in the save dialog; empty when none was. The merge output may
    // also be a PDF (`offerPdf`); a page copied as stored is a TIFF.
    QString chooseTiffToWrite(bool offerPdf);
    // One of the merge list's button operations, not while a job runs.
    void changeMergeList(void (MergeList::*change)());
    JobContext context();
    // Runs a job with input to this window held off; a close asked for meanwhile follows it.
    template <typename Job>
    void runJob(Job job);

    WindowProgress m_progress;
    WindowMessages m_windowMessages;
    WindowEventPump m_windowPump;
    MessageSink* m_messages;
    EventPump* m_pump;
    JobCancel m_cancel;  // Escape during a job
    bool m_jobRunning = false;
    bool m_closeHeld = false;
    RememberedChoices m_remembered;
    QString m_openDialogName;
    int m_savedPage = -1;  // the open dialog offers the previous choice again
};

}  // namespace orvelle
