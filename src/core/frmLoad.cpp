#include "core/frmLoad.h"

#include "platform/ui/show_now.h"
#include "platform/ui/twips.h"

#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>

frmLoad::frmLoad(QWidget* parent)
    : QFrame(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("frmLoad"));
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setLineWidth(2);
    setFixedSize(ui::twipsToPixels(QSize(4680, 990), this));

    lblTitle = new QLabel(QStringLiteral("Loading Formulary Structure"), this);
    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    lblTitle->setFont(QFont(QStringLiteral("Arial"), 9));
    // A font taller than the design's still shows its whole line.
    QRect title = ui::twipsToPixels(QRect(105, 60, 4455, 225), this);
    title.setHeight(std::max(title.height(), lblTitle->sizeHint().height()));
    lblTitle->setGeometry(title);

    pb = new QProgressBar(this);
    pb->setObjectName(QStringLiteral("pb"));
    pb->setGeometry(ui::twipsToPixels(QRect(120, 720, 4455, 195), this));
    pb->setRange(0, 100);
    pb->setValue(0);
    pb->setTextVisible(false);

    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    move(screen.center() - rect().center());
}

void frmLoad::showNow() {
    ui::showNow(*this);
}
