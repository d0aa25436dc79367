#include "terminal_reporting.h"

#include <unistd.h>

#include <ostream>

namespace orvelle::cli {

TerminalProgress::TerminalProgress(std::ostream& err) : m_err(err), m_enabled(isatty(2) != 0) {}

void TerminalProgress::begin(int steps, const std::string& text) {
    m_steps = steps;
    if (m_enabled) m_err << text << "\n";
}

void TerminalProgress::step(int position) {
    if (m_enabled) m_err << "\r" << (position + 1) << " / " << m_steps << std::flush;
}

void TerminalProgress::end() {
    if (m_enabled && m_steps > 0) m_err << "\n";
    m_steps = 0;
}

void TerminalMessages::showMessage(const Message& message) {
    m_err << message.title << ": " << message.text << "\n";
    m_last = message;
}

void TerminalMessages::show(const std::string& text, const std::string& title, MessageIcon icon) {
    showMessage({{}, text, title, text, title, icon, {}});
}

}  // namespace orvelle::cli
