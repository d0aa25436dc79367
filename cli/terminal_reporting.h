// The jobs' progress and messages on a terminal: messages on standard error, a progress
// line only when standard error is a terminal.
#pragma once

#include <iosfwd>

#include "jobs/job_reporting.h"

namespace orvelle::cli {

class TerminalProgress : public ProgressDisplay {
public:
    explicit TerminalProgress(std::ostream& err);
    void begin(int steps, const std::string& text) override;
    void step(int position) override;
    void end() override;

private:
    std::ostream& m_err;
    bool m_enabled;
    int m_steps = 0;
};

// Shows each message on standard error in the user's language and keeps the last one, as
// reports give it, for a report.
class TerminalMessages : public MessageSink {
public:
    explicit TerminalMessages(std::ostream& err) : m_err(err) {}
    void showMessage(const Message& message) override;
    void show(const std::string& text, const std::string& title, MessageIcon icon) override;
    const Message& last() const { return m_last; }

  private:
    std::ostream& m_err;
    Message m_last;
};

// Nothing is waiting on a terminal between steps.
class NoEvents : public EventPump {
public:
    void processPendingEvents() override {}
};

}  // namespace orvelle::cli
