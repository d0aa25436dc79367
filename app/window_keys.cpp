#include "window_keys.h"

#include <QAbstractButton>
#include <QKeyEvent>
#include <QListWidget>
#include <QShortcut>
#include <QStackedWidget>
#include <QTableView>
#include <QToolButton>

#include "main_window.h"
#include "merge_page.h"
#include "split_page.h"

namespace orvelle {
namespace {

template <typename Slot>
void bind(QWidget* owner, const QKeySequence& keys, Qt::ShortcutContext context, TForm1& window, Slot slot) {
    auto* shortcut = new QShortcut(keys, owner);
    shortcut->setContext(context);
    QObject::connect(shortcut, &QShortcut::activated, &window, slot);
}

// Enter presses a focused button as Space does: buttons here are reached by Tab, and a
// keyboard user expects Enter to work on them too. Not the buttons that run a split or a
// merge: they write over files, and an Enter meant for something else (the viewer, after a
// page switch) must never start one. Space presses them, as it does every button.
class EnterPressesButtons : public QObject {
  public:
    using QObject::QObject;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress) return false;
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key != Qt::Key_Return && key != Qt::Key_Enter) return false;
        static_cast<QAbstractButton*>(watched)->animateClick();
        return true;
    }
};

}  // namespace

void installWindowKeys(TForm1& window) {
    auto* enter = new EnterPressesButtons(&window);
    for (QAbstractButton* button : window.findChildren<QAbstractButton*>())
        if (button != window.TabSheet1->SpeedButton6 && button != window.TabSheet2->SpeedButton14)
            button->installEventFilter(enter);
    const auto inWindow = Qt::WindowShortcut;
    bind(&window, QKeySequence(Qt::CTRL | Qt::Key_1), inWindow, window, &TForm1::SpeedButton1Click);
    bind(&window, QKeySequence(Qt::CTRL | Qt::Key_2), inWindow, window, &TForm1::SpeedButton2Click);
    bind(&window, QKeySequence(Qt::CTRL | Qt::Key_3), inWindow, window, &TForm1::SpeedButton3Click);
    bind(&window, QKeySequence(Qt::CTRL | Qt::Key_4), inWindow, window, &TForm1::SpeedButton5Click);
    bind(&window, QKeySequence(Qt::Key_F1), inWindow, window, &TForm1::SpeedButton5Click);
    bind(&window, QKeySequence(Qt::CTRL | Qt::Key_Q), inWindow, window, &TForm1::SpeedButton11Click);
    bind(&window, QKeySequence(Qt::CTRL | Qt::Key_E), inWindow, window, &TForm1::OrganizeClick);
    // Ctrl+O works wherever the focus is: on the merge page it adds pictures, anywhere else
    // it opens a TIFF on the split page (the window starts on the about page).
    auto* open = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_O), &window);
    open->setContext(inWindow);
    QObject::connect(open, &QShortcut::activated, &window, [&window] {
        if (window.PageControl1->currentWidget() == window.TabSheet2) {
            window.SpeedButton8Click();
            return;
        }
        if (window.PageControl1->currentWidget() != window.TabSheet1) window.SpeedButton1Click();
        window.SpeedButton4Click();
    });
    bind(window.TabSheet2, QKeySequence(Qt::Key_Delete), Qt::WidgetWithChildrenShortcut, window,
         &TForm1::SpeedButton9Click);
    bind(window.TabSheet2, QKeySequence(Qt::CTRL | Qt::Key_Up), Qt::WidgetWithChildrenShortcut, window,
         &TForm1::SpeedButton10Click);
    bind(window.TabSheet2, QKeySequence(Qt::CTRL | Qt::Key_Down), Qt::WidgetWithChildrenShortcut, window,
         &TForm1::SpeedButton12Click);
    for (const Qt::Key enter : {Qt::Key_Return, Qt::Key_Enter}) {
        bind(window.TabSheet1->ListView1, QKeySequence(enter), Qt::WidgetShortcut, window, &TForm1::ListView1DblClick);
        bind(window.TabSheet2->ListView2, QKeySequence(enter), Qt::WidgetShortcut, window, &TForm1::Image3DblClick);
    }
}

}  // namespace orvelle
