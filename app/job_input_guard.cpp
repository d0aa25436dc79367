#include "job_input_guard.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>

namespace orvelle {

JobInputGuard::JobInputGuard(QWidget* window) : m_window(window) {
    qApp->installEventFilter(this);
}

JobInputGuard::~JobInputGuard() { qApp->removeEventFilter(this); }

bool JobInputGuard::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::Wheel:
        case QEvent::ContextMenu:
        case QEvent::Shortcut:
        case QEvent::ShortcutOverride: {
            auto* widget = qobject_cast<QWidget*>(watched);
            return widget && widget->window() == m_window;
        }
        default: return false;
    }
}

}  // namespace orvelle
