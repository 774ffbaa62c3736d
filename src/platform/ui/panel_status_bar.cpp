#include "platform/ui/panel_status_bar.h"

#include "platform/app_error.h"
#include "platform/ui/twips.h"

#include <QLabel>

namespace ui {

PanelStatusBar::PanelStatusBar(QWidget* parent) : QStatusBar(parent) {}

QLabel& PanelStatusBar::addPanel(const QString& objectName, bool stretch, int minimumTwips) {
    auto* panel = new QLabel(this);
    panel->setObjectName(objectName);
    panel->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    panel->setMinimumWidth(twipsToPixelsX(minimumTwips, this));
    if (!stretch)
        panel->setAlignment(Qt::AlignCenter);
    addPermanentWidget(panel, stretch ? 1 : 0);
    m_panels.push_back(panel);
    return *panel;
}

QLabel& PanelStatusBar::Panels(int index) const {
    if (index < 1 || index > panelCount())
        throw AppError(AppError::InvalidArgument, QStringLiteral("Index out of bounds"),
                       objectName() + QStringLiteral(".Panels"));
    return *m_panels[std::size_t(index - 1)];
}

} // namespace ui
