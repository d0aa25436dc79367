#include "job_reporting.h"

namespace orvelle {

const char* const kErrorTitle = "错误";
const char* const kInformationTitle = "提示";

ProgressScope::ProgressScope(ProgressDisplay& display, int steps, const std::string& text)
    : m_display(display) {
    if (steps <= 0) return;
    m_display.Begin(steps, text);
    m_active = true;
}

ProgressScope::~ProgressScope() { End(); }

void ProgressScope::Step(int position) {
    if (m_active) m_display.Step(position);
}

void ProgressScope::End() {
    if (!m_active) return;
    m_active = false;
    m_display.End();
}

void ShowError(MessageSink& messages, const std::string& text) {
    messages.Show(text, kErrorTitle, MessageIcon::Error);
}

void ShowInformation(MessageSink& messages, const std::string& text) {
    messages.Show(text, kInformationTitle, MessageIcon::Information);
}

}  // namespace orvelle
