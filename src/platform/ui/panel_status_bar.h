#pragma once

#include <QStatusBar>
#include <vector>

class QLabel;

namespace ui {

// A status bar of numbered text panels, left to right from 1. Panels keep
// their text while the bar shows a passing message elsewhere.
class PanelStatusBar : public QStatusBar {
    Q_OBJECT
public:
    explicit PanelStatusBar(QWidget* parent = nullptr);

    // Adds a panel at the right end. A stretching panel takes the free width;
    // the others are as wide as their widest text, in twips at least.
    QLabel& addPanel(const QString& objectName, bool stretch, int minimumTwips = 0);

    int panelCount() const { return int(m_panels.size()); }
    // Panel 1 to panelCount(); throws AppError for any other index.
    QLabel& Panels(int index) const;

private:
    std::vector<QLabel*> m_panels;
};

} // namespace ui
