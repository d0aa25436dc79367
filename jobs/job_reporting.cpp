#include "job_reporting.h"

namespace orvelle {

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

void MessageSink::showMessage(const Message& message) {
    if (message.details.empty())
        show(message.text, message.title, message.icon);
    else
        show(message.text, message.title, message.icon, message.details);
}

namespace {

Message messageOf(const MessageText& message, TextId title, MessageIcon icon,
                  const std::string& details) {
    return {textKey(message.id),
            render(message, Language::Chinese),
            sayIn(Language::Chinese, title),
            render(message, programLanguage()),
            say(title),
            icon,
            details};
}

}  // namespace

void showError(MessageSink& messages, const MessageText& message, const std::string& details) {
    messages.showMessage(messageOf(message, TextId::ErrorTitle, MessageIcon::Error, details));
}

void showInformation(MessageSink& messages, const MessageText& message) {
    messages.showMessage(
        messageOf(message, TextId::InformationTitle, MessageIcon::Information, {}));
}

void showError(MessageSink& messages, const std::string& text) {
    const std::string title = say(TextId::ErrorTitle);
    messages.showMessage({{}, text, title, text, title, MessageIcon::Error, {}});
}

std::string plainName(const std::string& path) { return path; }

std::string joinedLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += (text.empty() ? "" : "\n") + line;
    return text;
}

std::string render(const MessageText& message, Language language) {
    constexpr size_t kListed = 10;
    std::string text = sayIn(language, message.id, message.number);
    for (size_t i = 0; i < message.paths.size() && i < kListed; ++i) {
        text += "\n" + message.paths[i];
        if (i < message.pages.size() && message.pages[i] > 0)
            text += sayIn(language, TextId::PageOfSource, message.pages[i]);
    }
    if (message.paths.size() > kListed)
        text +=
            "\n" + sayIn(language, TextId::MoreInAll, static_cast<long long>(message.paths.size()));
    return text;
}

}  // namespace orvelle
