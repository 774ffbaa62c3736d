#include "report_fixture.h"

#include "database/hospital.h"
#include "database/item_master.h"
#include "database/procedures.h"
#include "database/session.h"
#include "platform/report/location.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>

namespace report_test {

namespace {

QByteArray run(const QString& program, const QStringList& arguments, int* exitCode = nullptr) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000))
        ADD_FAILURE() << program.toStdString() << " did not finish";
    if (exitCode != nullptr)
        *exitCode = process.exitCode();
    else if (process.exitCode() != 0)
        ADD_FAILURE() << program.toStdString() << ": "
                      << process.readAllStandardError().toStdString();
    return process.readAllStandardOutput();
}

// The interpreter of the Debian package python3-openpyxl.
const QString kPython = QStringLiteral("/usr/bin/python3");

const char* const kReadXlsx = R"(
import json, sys, openpyxl
sheet = openpyxl.load_workbook(sys.argv[1], read_only=True).worksheets[0]
print(json.dumps([[c for c in row] for row in sheet.iter_rows(values_only=True)]))
)";

} // namespace

void ReportTest::SetUp() {
    EngineTest::SetUp();
    ASSERT_TRUE(files.isValid());
    ASSERT_TRUE(formulary.Connect(database->target()));
    ASSERT_TRUE(database::saveHospital(*conn, {QStringLiteral("FK"),
                                               QStringLiteral("St Elsewhere Hospital"),
                                               QStringLiteral("1 Infirmary Road, Northam")}));
    database::saveItems(*conn, {
                                   {QStringLiteral("A001"),
                                    QStringLiteral("Étoposide"),
                                    QStringLiteral("100 mg capsule"),
                                    {},
                                    {},
                                    {},
                                    {}},
                                   {QStringLiteral("A002"),
                                    QStringLiteral("Paracetamol"),
                                    QStringLiteral("500 mg tablet"),
                                    {},
                                    {},
                                    {},
                                    {}},
                                   {QStringLiteral("A003"),
                                    QStringLiteral("Paracetamol"),
                                    QStringLiteral("120 mg/5 mL syrup"),
                                    {},
                                    {},
                                    {},
                                    {}},
                                   {QStringLiteral("A004"),
                                    QStringLiteral("Amoxicillin"),
                                    QStringLiteral("250 mg capsule"),
                                    {},
                                    {},
                                    {},
                                    {}},
                                   {QStringLiteral("A005"),
                                    QStringLiteral("Zinc oxide"),
                                    QStringLiteral("cream"),
                                    {},
                                    {},
                                    {},
                                    {}},
                                   {QStringLiteral("A006"),
                                    QStringLiteral("Aspirin"),
                                    QStringLiteral("75 mg tablet"),
                                    {},
                                    {},
                                    {},
                                    {}},
                               });
    const QString analgesics = addClassification(QStringLiteral("Analgesics"));
    QString nonOpioid = analgesics + QStringLiteral(".1");
    ASSERT_TRUE(formulary.Classifications.AddClassification(
        formulary.NodeFormulary.IdentityOf(analgesics).value(), nonOpioid,
        QStringLiteral("Non-opioid"), 0));
    const QString paracetamol = addGeneric(nonOpioid, QStringLiteral("Paracetamol"));
    addDrug(paracetamol, QStringLiteral("A002"));
    addDrug(paracetamol, QStringLiteral("A003"));
    const QString antiInfectives = addClassification(QStringLiteral("Anti-infectives"));
    addDrug(addGeneric(antiInfectives, QStringLiteral("Amoxicillin")), QStringLiteral("A004"));
    addGeneric(antiInfectives, QStringLiteral("Cefalexin"));
    const QString etoposide = addGeneric(addClassification(QStringLiteral("Antineoplastics")),
                                         QStringLiteral("Étoposide"));
    addDrug(etoposide, QStringLiteral("A001"));
    setOtherDetails(etoposide, QStringLiteral("Cytotoxic: handle as hazardous.\nWeigh {dose} "
                                              "by body surface \\ area."));
    addClassification(QStringLiteral("Vitamins"));
    database::beginSession(*conn, QStringLiteral("E100"));
}

QString ReportTest::addClassification(const QString& name) {
    QString key = QStringLiteral("_%1").arg(keys.size() + 1);
    EXPECT_TRUE(formulary.Classifications.AddClassification(formulary.NodeFormulary.RootIdentity(),
                                                            key, name, 0));
    keys.insert(name, key);
    return key;
}

QString ReportTest::addGeneric(const QString& classificationKey, const QString& name) {
    QString key = classificationKey + QStringLiteral(".%1").arg(keys.size() + 1);
    EXPECT_TRUE(formulary.Generics.AddGeneric(
        formulary.NodeFormulary.IdentityOf(classificationKey).value(), key, name, 0));
    keys.insert(name, key);
    return key;
}

void ReportTest::addDrug(const QString& genericKey, const QString& itemId) {
    QString key = genericKey + QStringLiteral(".%1").arg(keys.size() + 1);
    EXPECT_TRUE(formulary.Drugs.AddDrug(formulary.NodeFormulary.IdentityOf(genericKey).value(), key,
                                        {}, itemId));
    keys.insert(itemId, key);
}

void ReportTest::setOtherDetails(const QString& genericKey, const QString& text) {
    ASSERT_TRUE(formulary.NodeFormulary.SearchNode(genericKey));
    conn->execute(QStringLiteral("INSERT INTO inventory.tbFormularyOtherDetails VALUES (?, ?)"),
                  {formulary.NodeFormulary.Node_ID(), text});
}

void ReportTest::prepare(db::Connection& connection) {
    database::Formulary_NodeLevel(connection);
    database::Formulary_Generate(connection);
}

std::unique_ptr<report::Report> ReportTest::open(const QString& fileName,
                                                 db::Connection& connection) {
    auto opened = report::Application().openReport(QCoreApplication::applicationDirPath() +
                                                   QLatin1Char('/') + fileName);
    opened->setHospitalName(QStringLiteral("St Elsewhere Hospital"));
    opened->setHospitalAddress(QStringLiteral("1 Infirmary Road, Northam"));
    const db::Target& target = connection.target();
    for (report::DatabaseTable& table : opened->tables()) {
        table.setLocation(report::withDatabase(table.location(), QStringLiteral("Inventory")));
        table.setLogOnInfo(target.serverName(), QStringLiteral("Inventory"), target.user,
                           target.password);
    }
    opened->setSessionId(connection.sessionId());
    return opened;
}

Table readXlsx(const QString& fileName) {
    const QJsonArray rows =
        QJsonDocument::fromJson(
            run(kPython, {QStringLiteral("-c"), QLatin1String(kReadXlsx), fileName}))
            .array();
    Table table;
    for (const QJsonValue& row : rows) {
        std::vector<QString> cells;
        for (const QJsonValue& cell : row.toArray())
            cells.push_back(cell.isNull() ? QString() : cell.toString());
        while (!cells.empty() && cells.back().isNull())
            cells.pop_back();
        table.push_back(std::move(cells));
    }
    return table;
}

QStringList pdfPages(const QString& fileName) {
    // Compatibility forms spell out the ligatures ("fi") that the pages use.
    QStringList pages =
        QString::fromUtf8(run(QStringLiteral("pdftotext"),
                              {QStringLiteral("-layout"), fileName, QStringLiteral("-")}))
            .normalized(QString::NormalizationForm_KC)
            .split(QLatin1Char('\f'));
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
        pages.removeLast();
    return pages;
}

bool pdfIsWellFormed(const QString& fileName) {
    int exitCode = -1;
    run(QStringLiteral("qpdf"), {QStringLiteral("--check"), fileName}, &exitCode);
    return exitCode == 0;
}

} // namespace report_test
