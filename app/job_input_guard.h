// While a job processes events between its steps, user input to the main window is dropped,
// so that the job's result equals a run without that input. Escape gets through as a request
// to stop the job; Ctrl+Q and the exit button as a request to quit, which the window answers
// with its question.
#pragma once

#include <QObject>
#include <functional>

class QWidget;

namespace orvelle {

class JobCancel;

class JobInputGuard : public QObject {
    Q_OBJECT
public:
  // Guards `window` from now until destruction; Escape requests `cancel`, Ctrl+Q calls
  // `quit`, and clicks reach `quitButton`.
  JobInputGuard(QWidget* window, JobCancel& cancel, std::function<void()> quit,
                QWidget* quitButton);
  ~JobInputGuard() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* m_window;
    JobCancel& m_cancel;
    std::function<void()> m_quit;
    QWidget* m_quitButton;
};

}  // namespace orvelle
