// The main window's status bar: three panels, the first one drawn by its owner (it hosts the
// progress bar), the second the status text of a running job, the third a contact line.
#pragma once

#include <QWidget>
#include <array>
#include <functional>

namespace orvelle {

class StatusBar : public QWidget {
    Q_OBJECT
public:
    static constexpr int kPanels = 3;
    explicit StatusBar(QWidget* parent);

    QRect panelRect(int panel) const;
    int panelWidth(int panel) const { return m_widths.at(panel); }
    void setPanelWidth(int panel, int width);
    QString panelText(int panel) const { return m_texts.at(panel); }
    void setPanelText(int panel, const QString& text);
    // A quieter line at the panel's right end, beside its text (which it leaves as it is).
    void setPanelHint(int panel, const QString& hint);
    QString panelHint(int panel) const { return m_hints.at(panel); }

    // Called whenever panel 0 is painted, with the panel's rectangle.
    std::function<void(StatusBar*, int, const QRect&)> onDrawPanel;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::array<int, kPanels> m_widths{170, 500, 100};
    std::array<QString, kPanels> m_texts;
    std::array<QString, kPanels> m_hints;
};

}  // namespace orvelle
