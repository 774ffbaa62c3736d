#include "details/frmDrugInformation.h"

#include "core/artwork.h"
#include "core/mdlFormulary.h"
#include "database/other_details.h"
#include "platform/app_error.h"
#include "platform/ui/error_report.h"
#include "platform/ui/message_box.h"
#include "platform/ui/twips.h"

#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace {

QLabel* picture(const QString& imageKey, int pixels, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setPixmap(artwork::treeImages().value(imageKey).pixmap(pixels, pixels));
    return label;
}

// The heading band: a picture and the title on a tinted shape.
QFrame* headingBand(QWidget* parent) {
    auto* shape = new QFrame(parent);
    shape->setObjectName(QStringLiteral("shpHeading"));
    shape->setAutoFillBackground(true);
    QPalette tint = shape->palette();
    tint.setColor(QPalette::Window, tint.color(QPalette::AlternateBase));
    shape->setPalette(tint);
    shape->setFrameShape(QFrame::StyledPanel);
    auto* heading = new QLabel(QStringLiteral("Drug Information"), shape);
    QFont large = heading->font();
    large.setPointSizeF(large.pointSizeF() * 1.5);
    large.setBold(true);
    heading->setFont(large);
    auto* row = new QHBoxLayout(shape);
    row->addWidget(picture(QStringLiteral("capsule"), 32, shape));
    row->addWidget(heading, 1);
    return shape;
}

QFrame* line(QWidget* parent) {
    auto* rule = new QFrame(parent);
    rule->setFrameShape(QFrame::HLine);
    rule->setFrameShadow(QFrame::Sunken);
    return rule;
}

} // namespace

frmDrugInformation::frmDrugInformation(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmDrugInformation"));
    setWindowTitle(QStringLiteral(" Drug Details"));
    setWindowFlag(Qt::Tool);
    createControls();
    setFixedSize(ui::twipsToPixels(QSize(6600, 5400), this));
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    move(screen.center() - rect().center());
}

void frmDrugInformation::createControls() {
    auto* subject = new QHBoxLayout;
    subject->addWidget(picture(QStringLiteral("tablet"), 24, this), 0, Qt::AlignTop);
    auto* labels = new QVBoxLayout;
    labels->addWidget(new QLabel(QStringLiteral("Route of Administration"), this));
    labels->addWidget(new QLabel(QStringLiteral("Pharmaceutical Forms and Strenghts"), this));
    subject->addLayout(labels, 1);

    txtEntry = new QPlainTextEdit(this);
    txtEntry->setObjectName(QStringLiteral("txtEntry"));
    txtEntry->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    cmdSave = new QPushButton(QStringLiteral("Save"), this);
    cmdSave->setObjectName(QStringLiteral("cmdSave"));
    cmdSave->setAutoDefault(false);
    cmdClose = new QPushButton(QStringLiteral("Close"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    cmdClose->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdSave);
    buttons->addWidget(cmdClose);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(headingBand(this));
    layout->addLayout(subject);
    layout->addWidget(txtEntry, 1);
    layout->addWidget(line(this));
    layout->addLayout(buttons);

    connect(cmdSave, &QPushButton::clicked, this, ui::command([this] { cmdSave_Click(); }));
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::reject);
}

QString frmDrugInformation::GenericID() const {
    return QString::number(m_genericId);
}

void frmDrugInformation::setGenericID(const QString& id) {
    bool ok = false;
    const qint64 value = id.toLongLong(&ok);
    if (!ok)
        throw AppError(AppError::InvalidArgument, QStringLiteral("Type mismatch"),
                       QStringLiteral("frmDrugInformation.GenericID"));
    m_genericId = value;
}

void frmDrugInformation::Form_Load() {
    LoadOtherDetails();
}

void frmDrugInformation::LoadOtherDetails() try {
    txtEntry->setPlainText(
        database::ReadOtherDetails(mdlFormulary.objCurrentUser->sqlconnection(), m_genericId));
    txtEntry->setFocus();
} catch (...) {
    AppError::raiseAgainFrom(QStringLiteral("frmDrugInformation.LoadOtherDetails"));
}

// False when the database refused the text: the generic name is gone.
bool frmDrugInformation::SaveOtherDetails() try {
    if (!database::SaveOtherDetails(mdlFormulary.objCurrentUser->sqlconnection(), m_genericId,
                                    txtEntry->toPlainText())) {
        ui::MessageBox::show(QStringLiteral("Unable to save the details of this generic name."),
                             QStringLiteral("MESSAGE"), ui::Buttons::OK, ui::Icon::Exclamation);
        return false;
    }
    ui::MessageBox::show(QStringLiteral("Data successfullly save!"), QStringLiteral("MESSAGE"),
                         ui::Buttons::OK, ui::Icon::Information);
    return true;
} catch (...) {
    AppError::raiseAgainFrom(QStringLiteral("frmDrugInformation.SaveOtherDetails"));
}

void frmDrugInformation::cmdSave_Click() {
    if (txtEntry->toPlainText().isEmpty()) {
        ui::MessageBox::show(
            QStringLiteral("Please insert value for Drug Other Details Information."),
            QStringLiteral("MESSAGE"), ui::Buttons::OK, ui::Icon::Exclamation);
        txtEntry->setFocus();
        return;
    }
    if (SaveOtherDetails())
        accept();
}
