#include "details/frmMedDetails.h"

#include "core/mdlFormulary.h"
#include "database/item_master.h"
#include "platform/app_error.h"
#include "platform/ui/twips.h"

#include <QFormLayout>
#include <QLineEdit>
#include <QPlainTextEdit>

frmMedDetails::frmMedDetails(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmMedDetails"));
    setWindowTitle(QStringLiteral("Medicine Details"));
    auto* form = new QFormLayout(this);
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignTop);
    txtItemName = new QLineEdit(this);
    txtItemName->setObjectName(QStringLiteral("txtItemName"));
    txtItemName->setReadOnly(true);
    form->addRow(QStringLiteral("Item Name:"), txtItemName);
    txtIndication = addText(QStringLiteral("txtIndication"), QStringLiteral("Indication:"));
    txtDosage = addText(QStringLiteral("txtDosage"), QStringLiteral("Dosage:"));
    txtAdministration =
        addText(QStringLiteral("txtAdministration"), QStringLiteral("Administration:"));
    txtPreparation = addText(QStringLiteral("txtPreparation"), QStringLiteral("Preparation:"));
    setFixedSize(ui::twipsToPixels(QSize(6900, 6300), this));
}

// A locked box: its text can be selected and copied, not changed.
QPlainTextEdit* frmMedDetails::addText(const QString& objectName, const QString& label) {
    auto* box = new QPlainTextEdit(this);
    box->setObjectName(objectName);
    box->setReadOnly(true);
    static_cast<QFormLayout*>(layout())->addRow(label, box);
    return box;
}

void frmMedDetails::Form_Load() try {
    txtItemName->setText(ItemName);
    const database::StockItem item =
        database::findItem(mdlFormulary.objCurrentUser->sqlconnection(), ItemCode)
            .value_or(database::StockItem{});
    txtIndication->setPlainText(item.indication);
    txtDosage->setPlainText(item.dosage);
    txtAdministration->setPlainText(item.administration);
    txtPreparation->setPlainText(item.preparation);
} catch (...) {
    AppError::raiseAgainFrom(QStringLiteral("frmMedDetails.Form_Load"));
}
