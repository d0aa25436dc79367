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

// The help text, one line per entry of 31, with hard line breaks.
extern const char* const kHelpLines[31];

}  // namespace orvelle
