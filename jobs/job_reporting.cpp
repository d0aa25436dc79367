#include "job_reporting.h"

namespace orvelle {

const char* const kErrorTitle = "错误";
const char* const kInformationTitle = "提示";

ProgressScope::ProgressScope(ProgressDisplay& display, int steps, const std::string& text)
    : m_display(display) {
    if (steps <= 0) return;
    m_display.begin(steps, text);
    m_active = true;
}

ProgressScope::~ProgressScope() { end(); }

void ProgressScope::step(int position) {
    if (m_active) m_display.step(position);
}

void ProgressScope::end() {
    if (!m_active) return;
    m_active = false;
    m_display.end();
}

void showError(MessageSink& messages, const std::string& text) {
    messages.show(text, kErrorTitle, MessageIcon::Error);
}

void showInformation(MessageSink& messages, const std::string& text) {
    messages.show(text, kInformationTitle, MessageIcon::Information);
}

}  // namespace orvelle
