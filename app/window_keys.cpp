#include "window_keys.h"

#include <QAbstractButton>
#include <QKeyEvent>
#include <QListWidget>
#include <QShortcut>
#include <QStackedWidget>
#include <QTableView>

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
// keyboard user expects Enter to work on them too.
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
        button->installEventFilter(enter);
    const auto inWindow = Qt::WindowShortcut;
    bind(&window, QKeySequence(Qt::CTRL | Qt::Key_1), inWindow, window, &TForm1::SpeedButton1Click);
    bind(&window, QKeySequence(Qt::CTRL | Qt::Key_2), inWindow, window, &TForm1::SpeedButton2Click);
    bind(&window, QKeySequence(Qt::CTRL | Qt::Key_3), inWindow, window, &TForm1::SpeedButton3Click);
    bind(&window, QKeySequence(Qt::CTRL | Qt::Key_4), inWindow, window, &TForm1::SpeedButton5Click);
    bind(&window, QKeySequence(Qt::Key_F1), inWindow, window, &TForm1::SpeedButton5Click);
    bind(&window, QKeySequence(Qt::CTRL | Qt::Key_Q), inWindow, window, &TForm1::SpeedButton11Click);
    // Ctrl+O belongs to the page shown: one shortcut per page, live only while it is shown.
    bind(window.TabSheet1, QKeySequence(Qt::CTRL | Qt::Key_O), Qt::WidgetWithChildrenShortcut, window,
         &TForm1::SpeedButton4Click);
    bind(window.TabSheet2, QKeySequence(Qt::CTRL | Qt::Key_O), Qt::WidgetWithChildrenShortcut, window,
         &TForm1::SpeedButton8Click);
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
