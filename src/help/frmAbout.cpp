#include "help/frmAbout.h"

#include "core/artwork.h"
#include "platform/db/target.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>

namespace {

constexpr int IconSize = 64;

QLabel* addLabel(QWidget* parent, const QString& objectName) {
    auto* label = new QLabel(parent);
    label->setObjectName(objectName);
    return label;
}

} // namespace

frmAbout::frmAbout(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About Formulary"));
    imgIcon = addLabel(this, QStringLiteral("imgIcon"));
    imgIcon->setPixmap(artwork::programIcon().pixmap(IconSize));
    imgIcon->setAlignment(Qt::AlignTop);
    lblTitle = addLabel(this, QStringLiteral("lblTitle"));
    lblTitle->setText(QStringLiteral("<b>Formulary</b>"));
    QFont large = lblTitle->font();
    large.setPointSizeF(large.pointSizeF() * 1.5);
    lblTitle->setFont(large);
    lblVersion = addLabel(this, QStringLiteral("lblVersion"));
    auto* purpose = addLabel(this, QStringLiteral("lblPurpose"));
    purpose->setText(QStringLiteral("Keeps the hospital's drug formulary."));
    // IT staff copy the database's place from here.
    lblDatabase = addLabel(this, QStringLiteral("lblDatabase"));
    lblDatabase->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblDatabase->setWordWrap(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* grid = new QGridLayout(this);
    grid->setHorizontalSpacing(16);
    grid->addWidget(imgIcon, 0, 0, 4, 1);
    grid->addWidget(lblTitle, 0, 1);
    grid->addWidget(lblVersion, 1, 1);
    grid->addWidget(purpose, 2, 1);
    grid->addWidget(lblDatabase, 3, 1);
    grid->addWidget(buttons, 4, 0, 1, 2);
    grid->setSizeConstraint(QLayout::SetFixedSize);
}

void frmAbout::Form_Load(const db::Target& database) {
    lblVersion->setText(QStringLiteral("Version %1").arg(QCoreApplication::applicationVersion()));
    const QString where = database.engine == db::Engine::SQLite
                              ? QStringLiteral("Embedded database (SQLite) in\n%1")
                              : QStringLiteral("PostgreSQL server database\n%1");
    lblDatabase->setText(where.arg(database.display()));
}
