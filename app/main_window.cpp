#include "main_window.h"
#include "path_text.h"

#include <unistd.h>

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QRadioButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QUrl>

#include "about_page.h"
#include "help_page.h"
#include "jobs/texts.h"
#include "job_input_guard.h"
#include "look.h"
#include "merge/compose.h"
#include "merge/dropped_files.h"
#include "merge/merge_adding.h"
#include "merge_page.h"
#include "side_bar.h"
#include "split/page_export.h"
#include "split/page_listing.h"
#include "save_page_dialog.h"
#include "split_page.h"
#include "status_bar.h"
#include "viewer/picture_box.h"
#include "viewer/viewer_window.h"
#include "organizer/organizer_window.h"
#include "window_keys.h"

namespace orvelle {

namespace {
constexpr int kClientWidth = 786;
constexpr int kClientHeight = 529;
constexpr int kBannerHeight = 63;
constexpr int kStatusHeight = 19;
const char* const kCancelHint = QT_TRANSLATE_NOOP("orvelle::TForm1", "按Esc键取消");
constexpr int kSplitPage = 0, kMergePage = 1, kAboutPage = 2, kHelpPage = 3;
}  // namespace

TForm1::TForm1()
    // Only the hints given: without CustomizeWindowHint an X11 window manager adds a
    // maximize button, which a fixed-size window cannot honour.
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                           Qt::MSWindowsFixedSizeDialogHint),
      m_progress(nullptr, nullptr),
      m_windowMessages(this),
      m_messages(&m_windowMessages),
      m_pump(&m_windowPump) {
    look::loadPictures();
    setObjectName("Form1");
    setWindowTitle("Orvelle(Ver 1.0)");
    setWindowIcon(QIcon(":/images/orvelle-32.png"));
    setFixedSize(kClientWidth, kClientHeight);
    setFont(look::songFont(14));
    look::paintBackground(this, look::kSkyBlue);

    Image1 = new QLabel(this);
    Image1->setObjectName("Image1");
    Image1->setGeometry(0, 0, kClientWidth, kBannerHeight);
    Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // The banner holds words: each language has a picture of its own.
    Image1->setPixmap(QPixmap(tr(":/images/banner.bmp")));

    Panel2 = new QWidget(this);
    Panel2->setObjectName("Panel2");
    Panel2->setGeometry(0, kBannerHeight, kClientWidth, kClientHeight - kBannerHeight - kStatusHeight);
    look::paintBackground(Panel2, look::kSkyBlue);
    Panel3 = new SideBar(Panel2);
    Panel3->setGeometry(0, 0, 169, Panel2->height());
    PageControl1 = new QStackedWidget(Panel2);
    PageControl1->setObjectName("PageControl1");
    PageControl1->setGeometry(169, 0, kClientWidth - 169, Panel2->height());
    TabSheet1 = new SplitPage(PageControl1);
    TabSheet2 = new MergePage(PageControl1);
    TabSheet3 = new AboutPage(PageControl1);
    TabSheet4 = new HelpPage(PageControl1);
    for (QWidget* page : {static_cast<QWidget*>(TabSheet1), static_cast<QWidget*>(TabSheet2),
                          static_cast<QWidget*>(TabSheet3), static_cast<QWidget*>(TabSheet4)})
        PageControl1->addWidget(page);

    StatusBar2 = new StatusBar(this);
    StatusBar2->setObjectName("StatusBar2");
    StatusBar2->setGeometry(0, kClientHeight - kStatusHeight, kClientWidth, kStatusHeight);
    StatusBar2->setPanelText(2, "orvelle.org");
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName("ProgressBar1");
    ProgressBar1->setGeometry(0, 0, 170, 17);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->hide();
    m_progress = WindowProgress(ProgressBar1, StatusBar2);
    StatusBar2->onDrawPanel = [this](StatusBar* bar, int panel, const QRect& rect) {
        StatusBar2DrawPanel(bar, panel, rect);
    };

    connect(Panel3->SpeedButton1, &QToolButton::clicked, this, &TForm1::SpeedButton1Click);
    connect(Panel3->SpeedButton2, &QToolButton::clicked, this, &TForm1::SpeedButton2Click);
    connect(Panel3->SpeedButton3, &QToolButton::clicked, this, &TForm1::SpeedButton3Click);
    connect(Panel3->SpeedButton5, &QToolButton::clicked, this, &TForm1::SpeedButton5Click);
    connect(Panel3->SpeedButton11, &QToolButton::clicked, this, &TForm1::SpeedButton11Click);
    connect(TabSheet1->SpeedButton4, &QToolButton::clicked, this, &TForm1::SpeedButton4Click);
    connect(TabSheet1, &SplitPage::tiffDropped, this, &TForm1::openTiff);
    connect(TabSheet1, &SplitPage::recentTiffChosen, this, &TForm1::openRecentTiff);
    connect(TabSheet1->N1, &QAction::triggered, this, &TForm1::N1Click);
    connect(TabSheet1->N2, &QAction::triggered, this, &TForm1::N2Click);
    connect(TabSheet1->LosslessSaveAction, &QAction::triggered, this, &TForm1::LosslessSaveClick);
    connect(TabSheet1->OrganizeAction, &QAction::triggered, this, &TForm1::OrganizeClick);
    connect(TabSheet1->ListView1, &QAbstractItemView::doubleClicked, this, &TForm1::ListView1DblClick);
    connect(TabSheet2->ListView2, &QAbstractItemView::doubleClicked, this, &TForm1::Image3DblClick);
    connect(TabSheet2->Image3, &PictureBox::doubleClicked, this, &TForm1::Image3DblClick);
    connect(TabSheet1->SpeedButton6, &QToolButton::clicked, this, &TForm1::SpeedButton6Click);
    connect(TabSheet1->SpeedButton7, &QToolButton::clicked, this, &TForm1::SpeedButton7Click);
    connect(TabSheet2->SpeedButton8, &QToolButton::clicked, this, &TForm1::SpeedButton8Click);
    connect(TabSheet2->SpeedButton9, &QToolButton::clicked, this, &TForm1::SpeedButton9Click);
    connect(TabSheet2->SpeedButton10, &QToolButton::clicked, this, &TForm1::SpeedButton10Click);
    connect(TabSheet2->SpeedButton12, &QToolButton::clicked, this, &TForm1::SpeedButton12Click);
    connect(TabSheet2->SpeedButton15, &QToolButton::clicked, this, &TForm1::SpeedButton15Click);
    connect(TabSheet2, &MergePage::picturesDropped, this, &TForm1::addDroppedPictures);
    connect(TabSheet2->SpeedButton13, &QToolButton::clicked, this, &TForm1::SpeedButton13Click);
    connect(TabSheet2->SpeedButton14, &QToolButton::clicked, this, &TForm1::SpeedButton14Click);
    connect(TabSheet3->SpeedButton16, &QToolButton::clicked, this, &TForm1::SpeedButton16Click);
    installWindowKeys(*this);

    FormCreate();
}

TForm1::~TForm1() = default;

void TForm1::useWindows(TForm2* viewer, TSaveDlg* saveDialog) {
    Form2 = viewer;
    SaveDlg = saveDialog;
    // The page list's selection follows the viewer through the listed TIFF.
    connect(Form2, &TForm2::pageStepped, this, [this](const QString& path, int page) {
        if (path == TabSheet1->sourceText() && page < TabSheet1->ListView1->count())
            TabSheet1->ListView1->setCurrentRow(page);
    });
    SaveDlg->onSave = [this](const std::string& path, ExportFormat format, int percent) {
        savePage(path, format, percent);
    };
}

void TForm1::FormCreate() {
    // The pages have no tab row; the program starts on the about page.
    PageControl1->setCurrentIndex(kAboutPage);
    if (programLanguage() == Language::English) look::roomForCaptions(PageControl1);
    TabSheet3->placeLinkButton();
    // The focus starts where the marker is, so that one button looks chosen, not two.
    Panel3->SpeedButton3->setFocus();
    restoreChoices();
}

void TForm1::restoreChoices() {
    const std::optional<int> format = m_remembered.number("split/format");
    if (format && exportFormatOfBox(*format)) TabSheet1->FlatComboBox1->setCurrentIndex(*format);
    const std::optional<int> percent = m_remembered.number("split/percent");
    if (percent && *percent >= TabSheet1->SpinEdit1->minimum() &&
        *percent <= TabSheet1->SpinEdit1->maximum())
        TabSheet1->SpinEdit1->setValue(*percent);
    if (m_remembered.number("merge/allPages").value_or(0) == 1)
        TabSheet2->RadioButton2->setChecked(true);
    TabSheet2->OcrCheck->setChecked(m_remembered.number("merge/searchablePdf").value_or(0) == 1);
    TabSheet1->setRecentTiffs(m_remembered.recentTiffs());
}

void TForm1::rememberChoices() {
    m_remembered.setNumber("split/format", TabSheet1->FlatComboBox1->currentIndex());
    m_remembered.setNumber("split/percent", TabSheet1->percent());
    m_remembered.setNumber("merge/allPages", TabSheet2->allPages() ? 1 : 0);
    m_remembered.setNumber("merge/searchablePdf", TabSheet2->OcrCheck->isChecked() ? 1 : 0);
}

void TForm1::showPage(int index, QToolButton* button) {
    PageControl1->setCurrentIndex(index);
    Panel3->moveMarkerTo(button->y());
    // A focus mark in the side bar goes with the marker, so that one button looks chosen.
    // From anywhere else the focus lands on the page's list, where Enter opens the viewer,
    // or on the side bar's button for the pages without one: never on a control left
    // focused on a hidden page, nor on a button that writes.
    if (Panel3->isAncestorOf(focusWidget())) button->setFocus();
    else if (index == kSplitPage) TabSheet1->ListView1->setFocus();
    else if (index == kMergePage) TabSheet2->ListView2->setFocus();
    else button->setFocus();
}

void TForm1::SpeedButton1Click() {
    showPage(kSplitPage, Panel3->SpeedButton1);
}
void TForm1::SpeedButton2Click() {
    showPage(kMergePage, Panel3->SpeedButton2);
}
void TForm1::SpeedButton3Click() {
    showPage(kAboutPage, Panel3->SpeedButton3);
}
void TForm1::SpeedButton5Click() {
    showPage(kHelpPage, Panel3->SpeedButton5);
}

void TForm1::SpeedButton11Click() {
    // During a job the window asks first; the marker stays where it is until the job ends.
    if (!m_jobRunning) Panel3->moveMarkerTo(Panel3->SpeedButton11->y());
    close();
}

JobContext TForm1::context() { return {m_progress, *m_messages, *m_pump, &m_cancel}; }

template <typename Job>
void TForm1::runJob(Job job) {
    if (m_jobRunning) return;
    m_jobRunning = true;
    // Whichever way the job ends, input comes back and a close asked for meanwhile follows.
    struct JobEnd {
        TForm1* window;
        ~JobEnd() {
            window->m_jobRunning = false;
            window->StatusBar2->setPanelHint(1, QString());
            if (!window->m_closeHeld) return;
            window->m_closeHeld = false;
            QTimer::singleShot(0, window, &QWidget::close);
        }
    } end{this};
    m_cancel.reset();
    JobInputGuard guard(
        this, m_cancel, [this] { close(); }, Panel3->SpeedButton11);
    StatusBar2->setPanelHint(1, tr(kCancelHint));
    // Painted before the job's first decode, which may be long: a dialog just closed leaves
    // no picture of itself behind.
    repaint();
    job();
}

void TForm1::closeEvent(QCloseEvent* event) {
    if (m_jobRunning) {
        // Asked once per job: yes cancels it as Escape does, and the window closes when the
        // job has ended as a cancelled job ends; no lets it run on.
        event->ignore();
        if (!m_closeHeld && m_messages->ask(tr("任务正在进行,是否取消并退出?").toStdString(),
                                            say(TextId::InformationTitle))) {
            m_closeHeld = true;
            m_cancel.request();
        }
        return;
    }
    rememberChoices();
    QWidget::closeEvent(event);
    emit closed();
}

void TForm1::SpeedButton4Click() {
    QFileDialog dialog(this, tr("打开"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    // "TIF文件(*.tif,*.tiff)|*.tif;*.tiff", in both letter cases since this file system tells
    // them apart; scanned PDFs open as documents too.
    dialog.setNameFilter(tr("TIF文件(*.tif,*.tiff)") + " (*.tif *.tiff *.TIF *.TIFF *.pdf *.PDF)");
    if (!m_openDialogName.isEmpty())
        dialog.selectFile(m_openDialogName);
    else
        m_remembered.startIn(dialog, RememberedChoices::Folder::OpenTiff);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    m_openDialogName = dialog.selectedFiles().first();
    m_remembered.setFolder(RememberedChoices::Folder::OpenTiff, m_openDialogName, true);
    putAwayDialog(dialog);
    openTiff(m_openDialogName);
}

void TForm1::openTiff(const QString& path) {
    if (m_jobRunning) return;
    Panel3->forgetStaleHover();  // a drop may have come across the side bar
    TabSheet1->setSourcePath(path);
    LoadTiffPages();
}

void TForm1::LoadTiffPages() {
    TabSheet1->clearPages();
    const std::string source = TabSheet1->sourcePath();
    // Picture work: an error keeps the entries made so far and drops the rest silently.
    try {
        runJob([&] {
            JobContext jobContext = context();
            const PageListing listing =
                listTiffPages(source, TabSheet1->tileTarget(), *TabSheet1, jobContext);
            if (listing.pages > 0) m_remembered.addRecentTiff(pathText(source));
        });
    } catch (const std::exception&) {
    }
    TabSheet1->setRecentTiffs(m_remembered.recentTiffs());
}

void TForm1::openRecentTiff(const QString& path) {
    if (m_jobRunning) return;
    // Opened all the same: the listing says, in its own words, that the file cannot be read.
    if (::access(pathBytes(path).c_str(), F_OK) != 0) m_remembered.removeRecentTiff(path);
    openTiff(path);
}

void TForm1::SpeedButton7Click() {
    // Where the user was: the folder chosen, else the source's folder, else last run's.
    QString start = pathText(TabSheet1->outputFolder());
    if (start.isEmpty() && !TabSheet1->sourceText().isEmpty())
        start = QFileInfo(TabSheet1->sourceText()).absolutePath();
    if (start.isEmpty()) start = m_remembered.folder(RememberedChoices::Folder::SplitOutput);
    const QString folder = QFileDialog::getExistingDirectory(this, tr("请选择"), start);
    if (folder.isEmpty()) return;
    TabSheet1->setOutputFolder(folder);
    m_remembered.setFolder(RememberedChoices::Folder::SplitOutput, folder, false);
}

void TForm1::SpeedButton6Click() {
    if (m_jobRunning) return;
    const std::string source = TabSheet1->sourcePath();
    const std::string folder = TabSheet1->outputFolder();
    if (!checkExportInputs(source, folder, *m_messages)) return;
    // Picture work: an error drops the run without a message; the job has freed its objects.
    try {
        runJob([&] {
            JobContext jobContext = context();
            ExportAllPages(
                {source, folder, TabSheet1->format(), [this] { return TabSheet1->percent(); }},
                jobContext);
        });
    } catch (const std::exception&) {
    }
}

void TForm1::SpeedButton8Click() {
    QFileDialog dialog(this, tr("打开"));
    dialog.setFileMode(QFileDialog::ExistingFiles);
    // "TIFF、JPEG、BMP、PNG、GIF格式|*.tif;*.tiff;*.jpg;*.jpe;*.jpeg;*.bmp;*.png;*.gif", in both
    // letter cases since this file system tells them apart.
    dialog.setNameFilter(tr("TIFF、JPEG、BMP、PNG、GIF格式") +
                         " (*.tif *.tiff *.jpg *.jpe *.jpeg *.bmp *.png *.gif *.pdf "
                         "*.TIF *.TIFF *.JPG *.JPE *.JPEG *.BMP *.PNG *.GIF *.PDF)");
    m_remembered.startIn(dialog, RememberedChoices::Folder::AddPictures);
    if (dialog.exec() != QDialog::Accepted) return;
    if (!dialog.selectedFiles().isEmpty())
        m_remembered.setFolder(RememberedChoices::Folder::AddPictures,
                               dialog.selectedFiles().first(), true);
    putAwayDialog(dialog);
    addMergePictures(dialog.selectedFiles());
}

void TForm1::addMergePictures(const QStringList& paths) {
    // The batch takes its own copy of the names: nothing that happens meanwhile changes it.
    std::vector<std::string> batch;
    batch.reserve(paths.size());
    for (const QString& path : paths) batch.push_back(pathBytes(path));
    // Picture work: an error keeps the entries made so far, without a message.
    try {
        runJob([&] {
            JobContext jobContext = context();
            addMergeFiles(TabSheet2->list(), batch, jobContext);
        });
    } catch (const std::exception&) {
    }
}

void TForm1::addDroppedPictures(const QStringList& paths) {
    if (m_jobRunning) return;
    Panel3->forgetStaleHover();  // the drop may have come across the side bar
    std::vector<std::string> dropped;
    for (const QString& path : paths) dropped.push_back(pathBytes(path));
    QStringList pictures;
    for (const std::string& path : droppedPictures(dropped)) pictures.append(pathText(path));
    addMergePictures(pictures);
}

void TForm1::changeMergeList(void (MergeList::*change)()) {
    if (m_jobRunning) return;
    // Picture work (the preview that follows the change): an error leaves the list as
    // changed, without a message.
    try {
        (TabSheet2->list().*change)();
    } catch (const std::exception&) {
    }
}

void TForm1::SpeedButton9Click() { changeMergeList(&MergeList::removeSelected); }
void TForm1::SpeedButton10Click() { changeMergeList(&MergeList::moveUp); }
void TForm1::SpeedButton12Click() { changeMergeList(&MergeList::moveDown); }
void TForm1::SpeedButton15Click() { changeMergeList(&MergeList::clear); }

QString TForm1::chooseTiffToWrite(bool offerPdf) {
    QFileDialog dialog(this);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // "TIF文件(*.tif,*.tiff)|*.TIF", in both letter cases since this file system tells them apart.
    const QString tiff = tr("TIF文件(*.tif,*.tiff)") + " (*.TIF *.tif)",
                  pdf = tr("PDF文件(*.pdf)") + " (*.PDF *.pdf)";
    dialog.setNameFilters(offerPdf ? QStringList{tiff, pdf} : QStringList{tiff});
    dialog.setDefaultSuffix("TIF");
    connect(&dialog, &QFileDialog::filterSelected, &dialog,
            [&dialog, pdf](const QString& filter) { dialog.setDefaultSuffix(filter == pdf ? "PDF" : "TIF"); });
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    m_remembered.startIn(dialog, RememberedChoices::Folder::MergeOutput);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    m_remembered.setFolder(RememberedChoices::Folder::MergeOutput, dialog.selectedFiles().first(),
                           true);
    return dialog.selectedFiles().first();
}

void TForm1::SpeedButton13Click() {
    if (const QString path = chooseTiffToWrite(true); !path.isEmpty()) TabSheet2->setOutputPath(path);
}

void TForm1::SpeedButton14Click() {
    runJob([&] {
        JobContext jobContext = context();
        ComposeRequest request{TabSheet2->sourcePaths(), TabSheet2->outputPath(), TabSheet2->allPages()};
        request.lossless = TabSheet2->keepsStoredData();
        request.pdf = isPdfPath(request.outputPath);
        request.ocr = {TabSheet2->recognisesText(), defaultTextLanguages()};
        ComposeTiff(request, jobContext);
    });
}

void TForm1::N1Click() {
    const int page = TabSheet1->selectedPage();
    const std::optional<QImage> tile = TabSheet1->pageTile(page);
    if (!tile || !SaveDlg || m_jobRunning) return;
    m_savedPage = page;
    SaveDlg->offerPageName(TabSheet1->sourcePath(), static_cast<uint32_t>(page),
                           m_remembered.folder(RememberedChoices::Folder::SavePage));
    SaveDlg->showForPage(*tile);
}

void TForm1::savePage(const std::string& path, ExportFormat format, int percent) {
    m_remembered.setFolder(RememberedChoices::Folder::SavePage, pathText(path), true);
    // Picture work: an error writes nothing more, without a message.
    try {
        (void)ExportPage({TabSheet1->sourcePath(), static_cast<uint32_t>(m_savedPage), path, format, percent},
                         *m_messages);
    } catch (const std::exception&) {
    }
}

void TForm1::LosslessSaveClick() {
    const int page = TabSheet1->selectedPage();
    if (page < 0 || m_jobRunning) return;
    const QString path = chooseTiffToWrite(false);
    if (path.isEmpty()) return;
    // Picture work: an error writes nothing more, with the message the page's save gives.
    try {
        ExportPageRequest request{TabSheet1->sourcePath(), static_cast<uint32_t>(page), pathBytes(path),
                                  ExportFormat::Tiff};
        request.lossless = true;
        (void)ExportPage(request, *m_messages);
    } catch (const std::exception&) {
    }
}

void TForm1::N2Click() { viewSelectedPage(); }

void TForm1::OrganizeClick() {
    if (m_jobRunning || TabSheet1->pageCount() == 0) return;
    std::vector<QImage> tiles;
    for (int page = 0; page < TabSheet1->pageCount(); ++page) tiles.push_back(TabSheet1->pageTile(page).value_or(QImage()));
    auto* organizer = new OrganizerWindow(TabSheet1->sourceText(), static_cast<uint32_t>(tiles.size()), tiles, this);
    organizer->setWindowFlag(Qt::Window);
    // A document written over is listed again as it now is.
    connect(organizer, &OrganizerWindow::documentSaved, this, [this](const QString& path) {
        if (path == TabSheet1->sourceText() && !m_jobRunning) LoadTiffPages();
    });
    organizer->show();
}
void TForm1::ListView1DblClick() { viewSelectedPage(); }

void TForm1::viewSelectedPage() {
    const int page = TabSheet1->selectedPage();
    if (page < 0 || !Form2 || m_jobRunning) return;
    Form2->openPicture(TabSheet1->sourceText(), TabSheet1->sourcePath(), page, true);
}

void TForm1::Image3DblClick() {
    const MergeList& list = TabSheet2->list();
    if (list.selected() == MergeList::kNoSelection || !Form2 || m_jobRunning) return;
    const std::string& path = list.entries()[list.selected()].path;
    Form2->openPicture(pathText(path), path, 0, false);
}

void TForm1::SpeedButton16Click() {
    // Without a browser the click would otherwise do nothing at all.
    if (!QDesktopServices::openUrl(QUrl(kAboutAddress)))
        showError(*m_messages, tr("无法打开网页浏览器").toStdString());
}

void TForm1::StatusBar2DrawPanel(StatusBar* statusBar, int panel, const QRect& rect) {
    if (panel != 0) return;
    if (ProgressBar1->parentWidget() != statusBar) {
        const bool hidden = ProgressBar1->isHidden();
        ProgressBar1->setParent(statusBar);
        ProgressBar1->setHidden(hidden);
    }
    const QRect place(rect.left(), rect.top(), ProgressBar1->width(), rect.height());
    if (ProgressBar1->geometry() != place) ProgressBar1->setGeometry(place);
    statusBar->setPanelWidth(0, ProgressBar1->width());
}

}  // namespace orvelle
