#include "window_reporting.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QCoreApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QProgressBar>
#include <QThread>

#include "status_bar.h"

namespace orvelle {

void WindowProgress::begin(int steps, const std::string& text) {
    m_bar->setVisible(true);
    m_bar->setMinimum(0);
    // A range of 0 to 0 would show the busy animation: one step gets a range of its own.
    m_bar->setMaximum(steps > 1 ? steps - 1 : 1);
    m_status->setPanelText(1, QString::fromStdString(text));
    // On screen now: the job's first step may be a long decode before events are processed.
    m_bar->repaint();
    m_status->repaint();
}

void WindowProgress::status(const std::string& text) {
    m_status->setPanelText(1, QString::fromStdString(text));
    m_status->repaint();
}

void WindowProgress::step(int position) { m_bar->setValue(position); }

void WindowProgress::end() {
    m_bar->setVisible(false);
    m_status->setPanelText(1, QString());
}

void WindowEventPump::processPendingEvents() { QCoreApplication::processEvents(); }

void settleWindows() {
    // The expose events come back from the window system a moment after the unmap: a few
    // short rounds catch them without a noticeable delay.
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 60) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        QThread::msleep(5);
    }
}

void putAwayDialog(QDialog& dialog) {
    for (QCompleter* completer : dialog.findChildren<QCompleter*>())
        if (completer->popup()) completer->popup()->hide();
    dialog.hide();
    settleWindows();
}

}  // namespace orvelle
