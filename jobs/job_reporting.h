// How a long job talks to whoever runs it: a progress display, modal messages and a pump
// for pending events. The window, the command line and the tests each provide their own.
#pragma once

#include <string>
#include <vector>

#include "job_cancel.h"
#include "texts.h"

namespace orvelle {

class ProgressDisplay {
public:
    virtual ~ProgressDisplay() = default;
    // Shows the bar with the range 0 to steps - 1 and the job's status text.
    virtual void begin(int steps, const std::string& text) = 0;
    virtual void step(int position) = 0;
    // Hides the bar and clears the status text.
    virtual void end() = 0;
    // Shows a status text without the bar, for a job that counts no steps; end() clears it.
    virtual void status(const std::string& text) { (void)text; }
};

enum class MessageIcon { Error, Information };

// A message as a job gives it: its identifier and its text as the program's own Chinese gives
// it, for reports read by programs (no identifier for the window's own messages); the text
// and title in the user's language; and what lies behind it.
struct Message {
    std::string id;
    std::string reportText;
    std::string reportTitle;
    std::string text;
    std::string title;
    MessageIcon icon = MessageIcon::Information;
    std::string details;
};

// What a job's message says: the text of `id` with its number, and the paths listed after it
// one a line (at most ten, then "……共{K}个", so that a long list still fits on the screen).
struct MessageText {
    MessageText(TextId textId, long long textNumber = 0, std::vector<std::string> listed = {})
        : id(textId), number(textNumber), paths(std::move(listed)) {}
    TextId id;
    long long number;
    std::vector<std::string> paths;
    // Beside each path, when given: the page of it meant (from 1), said in the message's
    // language; 0 for the whole file.
    std::vector<long long> pages{};
};
std::string render(const MessageText& message, Language language);

class MessageSink {
public:
    virtual ~MessageSink() = default;
    // The message with its identifier; shown as the overloads below show it, unless a sink
    // keeps the identifier too.
    virtual void showMessage(const Message& message);
    virtual void show(const std::string& text, const std::string& title, MessageIcon icon) = 0;
    // The same message with what lies behind it (which files failed, and why) for whoever
    // asks, a message box's details; the message itself stays as it is.
    virtual void show(const std::string& text, const std::string& title, MessageIcon icon,
                      const std::string& details) {
        (void)details;
        show(text, title, icon);
    }
    // A yes-or-no question ("是" / "否"); true for yes. Where nobody can answer, no.
    virtual bool ask(const std::string& text, const std::string& title) {
        (void)text;
        (void)title;
        return false;
    }
};

class EventPump {
public:
    virtual ~EventPump() = default;
    virtual void processPendingEvents() = 0;
};

struct JobContext {
    ProgressDisplay& progress;
    MessageSink& messages;
    EventPump& pump;
    const JobCancel* cancel = nullptr;  // none: the job runs to its end

    bool cancelRequested() const { return cancel && cancel->requested(); }
};

// Begins the display for a job of `steps` steps (none for 0) and ends it when the scope is
// left, whichever way that happens.
class ProgressScope {
public:
    ProgressScope(ProgressDisplay& display, int steps, const std::string& text);
    ~ProgressScope();
    ProgressScope(const ProgressScope&) = delete;
    ProgressScope& operator=(const ProgressScope&) = delete;

    void step(int position);
    // Ends the display now, before a closing message.
    void end();

private:
    ProgressDisplay& m_display;
    bool m_active = false;
};

// Shows a status text without the bar until the scope is left.
class StatusScope {
  public:
    StatusScope(ProgressDisplay& display, const std::string& text) : m_display(display) {
        m_display.status(text);
    }
    ~StatusScope() { m_display.end(); }
    StatusScope(const StatusScope&) = delete;
    StatusScope& operator=(const StatusScope&) = delete;

  private:
    ProgressDisplay& m_display;
};

// A job's message, titled "错误" or "提示".
void showError(MessageSink& messages, const MessageText& message, const std::string& details = {});
void showInformation(MessageSink& messages, const MessageText& message);
// The window's own messages, which have no identifier, in its own words.
void showError(MessageSink& messages, const std::string& text);

// How a report writes a file's name: as it stands in a message box, quoted where it holds
// blanks or control characters on a terminal.
using NameStyle = std::string (*)(const std::string& path);
std::string plainName(const std::string& path);

// Lines joined by newlines, for a message's details.
std::string joinedLines(const std::vector<std::string>& lines);

}  // namespace orvelle
