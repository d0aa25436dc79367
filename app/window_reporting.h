// How the main window shows a job: the progress bar and status text, modal message boxes it
// owns, and the processing of pending events between steps.
#pragma once

#include "jobs/job_reporting.h"
#include "viewer/window_messages.h"

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

}  // namespace orvelle
