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

void showError(MessageSink& messages, const std::string& text, const std::string& details) {
    if (details.empty())
        messages.show(text, kErrorTitle, MessageIcon::Error);
    else
        messages.show(text, kErrorTitle, MessageIcon::Error, details);
}

void showInformation(MessageSink& messages, const std::string& text) {
    messages.show(text, kInformationTitle, MessageIcon::Information);
}

std::string plainName(const std::string& path) { return path; }

std::string joinedLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += (text.empty() ? "" : "\n") + line;
    return text;
}

std::string pathListMessage(const std::string& heading, const std::vector<std::string>& paths) {
    constexpr size_t kListed = 10;
    std::string text = heading;
    for (size_t i = 0; i < paths.size() && i < kListed; ++i) text += "\n" + paths[i];
    if (paths.size() > kListed) text += "\n……共" + std::to_string(paths.size()) + "个";
    return text;
}

std::string cancelledAddMessage(size_t addedFiles) { return "已取消,已加入" + std::to_string(addedFiles) + "个文件。"; }

std::string cancelledSplitMessage(size_t savedPages) {
    return "已取消,已保存" + std::to_string(savedPages) + "页。";
}

const char* const kCancelledComposeMessage = "已取消,未生成文件。";

}  // namespace orvelle
