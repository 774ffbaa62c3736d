#pragma once

#include "components/formulary_data/formulary.h"
#include "platform/report/report.h"
#include "support/test_database.h"

#include <QTemporaryDir>
#include <optional>

namespace report_test {

using Table = std::vector<std::vector<QString>>;

// A small formulary on a fresh database of each engine:
//   Analgesics (no generic names)
//     Analgesics > Non-opioid: Paracetamol with two syrups and tablets
//   Anti-infectives: Amoxicillin with one drug, Cefalexin with none
//   Antineoplastics: Étoposide with one drug and other details
//   Vitamins (empty)
// and two stock items under no generic name.
class ReportTest : public test_support::EngineTest {
protected:
    void SetUp() override;

    // Adds a classification under the root; its key.
    QString addClassification(const QString& name);
    QString addGeneric(const QString& classificationKey, const QString& name);
    void addDrug(const QString& genericKey, const QString& itemId);
    void setOtherDetails(const QString& genericKey, const QString& text);

    // Runs the two preparation procedures on the connection's session.
    static void prepare(db::Connection& connection);

    // Opens an installed report as the viewer does: every table moved to the
    // Inventory database with the connection's log-on, the hospital texts
    // and the connection's session handed over.
    std::unique_ptr<report::Report> open(const QString& fileName, db::Connection& connection);
    std::unique_ptr<report::Report> open(const QString& fileName) { return open(fileName, *conn); }

    QString path(const QString& name) const { return files.filePath(name); }

    formulary_data::Formulary formulary;
    QTemporaryDir files;
    QHash<QString, QString> keys; // name -> node key
};

// The rows of the first sheet, read back by openpyxl; an empty cell is a
// null text, and empty cells at the end of a row are left out.
Table readXlsx(const QString& fileName);
// The text of a PDF file, one entry a page, by pdftotext.
QStringList pdfPages(const QString& fileName);
// Whether qpdf finds the file well formed.
bool pdfIsWellFormed(const QString& fileName);

} // namespace report_test
