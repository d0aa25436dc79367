// The help page: a fixed, read-only text about the two jobs and their options.
#pragma once

#include <QWidget>

class QTextEdit;

namespace orvelle {

class HelpPage : public QWidget {
    Q_OBJECT
public:
    explicit HelpPage(QWidget* parent);

    QTextEdit* RichEdit1;
};

// The help text, one line per entry, with hard line breaks: the page's 31 lines, then the
// program's keys in 7 more, then 8 on PDF and pages kept as stored.
extern const char* const kHelpLines[48];

}  // namespace orvelle
