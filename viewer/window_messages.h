// Messages as modal message boxes over one of the program's windows.
#pragma once

#include "jobs/job_reporting.h"

class QWidget;

namespace orvelle {

class WindowMessages : public MessageSink {
public:
    explicit WindowMessages(QWidget* owner) : m_owner(owner) {}
    // Over the modal dialog that is open, if any (a message of a job it started belongs
    // there), else over the owner.
    void show(const std::string& text, const std::string& title, MessageIcon icon) override;
    // The details behind Qt's "Show Details..." button, so the box looks as it always did.
    void show(const std::string& text, const std::string& title, MessageIcon icon,
              const std::string& details) override;
    bool ask(const std::string& text, const std::string& title) override;

private:
    QWidget* m_owner;
};

}  // namespace orvelle
