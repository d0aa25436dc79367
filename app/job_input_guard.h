// While a job processes events between its steps, user input to the main window is dropped,
// so that the job's result equals a run without that input; only Escape gets through, as a
// request to stop the job. A close request waits for the job to end.
#pragma once

#include <QObject>

class QWidget;

namespace orvelle {

class JobCancel;

class JobInputGuard : public QObject {
    Q_OBJECT
public:
    // Guards `window` from now until destruction; Escape requests `cancel`.
    JobInputGuard(QWidget* window, JobCancel& cancel);
    ~JobInputGuard() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* m_window;
    JobCancel& m_cancel;
};

}  // namespace orvelle
