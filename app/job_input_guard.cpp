#include "job_input_guard.h"

#include <QApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QWidget>

#include "jobs/job_cancel.h"

namespace orvelle {

JobInputGuard::JobInputGuard(QWidget* window, JobCancel& cancel, std::function<void()> quit,
                             QWidget* quitButton)
    : m_window(window), m_cancel(cancel), m_quit(std::move(quit)), m_quitButton(quitButton) {
    qApp->installEventFilter(this);
}

JobInputGuard::~JobInputGuard() { qApp->removeEventFilter(this); }

bool JobInputGuard::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::KeyPress: {
            auto* widget = qobject_cast<QWidget*>(watched);
            if (!widget || widget->window() != m_window) return false;
            const auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Escape) m_cancel.request();
            if (key->key() == Qt::Key_Q && key->modifiers() == Qt::ControlModifier &&
                !key->isAutoRepeat())
                m_quit();
            return true;
        }
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyRelease:
        case QEvent::Wheel:
        case QEvent::ContextMenu:
        case QEvent::Shortcut:
        case QEvent::ShortcutOverride: {
            auto* widget = qobject_cast<QWidget*>(watched);
            if (widget == m_quitButton && event->type() != QEvent::Shortcut) return false;
            return widget && widget->window() == m_window;
        }
        default: return false;
    }
}

}  // namespace orvelle
