// How the main window shows a job: the progress bar and status text, modal message boxes it
// owns, and the processing of pending events between steps.
#pragma once

#include "jobs/job_reporting.h"
#include "viewer/window_messages.h"

class QDialog;
class QProgressBar;
class QWidget;

namespace orvelle {

class StatusBar;

class WindowProgress : public ProgressDisplay {
public:
    WindowProgress(QProgressBar* bar, StatusBar* status) : m_bar(bar), m_status(status) {}
    void begin(int steps, const std::string& text) override;
    void step(int position) override;
    void end() override;
    void status(const std::string& text) override;

  private:
    QProgressBar* m_bar;
    StatusBar* m_status;
};

class WindowEventPump : public EventPump {
public:
    void processPendingEvents() override;
};

// Lets the window system catch up before a long job begins: a dialog just closed leaves its
// picture (and its name completion's) over the window, and a window just shown stays
// unpainted, until the expose events are handled. Input waits meanwhile.
void settleWindows();

// Takes a dialog that has been answered off the screen, its name completion's list too, and
// lets the window system catch up.
void putAwayDialog(QDialog& dialog);

}  // namespace orvelle
