#include "platform/report/report.h"

#include "platform/db/connection.h"
#include "platform/report/location.h"
#include "platform/report/output.h"
#include "platform/report/report_error.h"

#include <QFileInfo>
#include <QLocale>
#include <QPrinter>
#include <QRegularExpression>

namespace report {

namespace {

// As long as the program's own connection waits for a statement.
constexpr int kCommandTimeout = 240;

struct Statement {
    QString sql;
    QVariantList params;
};

const DatabaseTable& tableNamed(const std::vector<DatabaseTable>& tables, const QString& name) {
    for (const DatabaseTable& t : tables) {
        if (t.name().compare(name, Qt::CaseInsensitive) == 0)
            return t;
    }
    throw AppError(BadFileFormat,
                   QStringLiteral("The report's query names no table %1.").arg(name));
}

// The query with {Table} replaced by the table's place in its database and
// {session} by a parameter bound to the session id. Every table the query
// reads must be reached through the same log-on: one connection runs it.
Statement resolve(const QString& query, const std::vector<DatabaseTable>& tables,
                  const DatabaseTable& source, const QString& sessionId) {
    static const QRegularExpression placeholder(QStringLiteral("\\{(\\w+)\\}"));
    Statement statement;
    qsizetype done = 0;
    for (const QRegularExpressionMatch& m : placeholder.globalMatch(query)) {
        statement.sql += query.mid(done, m.capturedStart() - done);
        done = m.capturedEnd();
        if (m.captured(1) == QLatin1String("session")) {
            if (sessionId.isEmpty())
                throw AppError(AppError::InvalidArgument,
                               QStringLiteral("The report reads rows prepared for a session, "
                                              "but it was given no session."));
            statement.sql += QLatin1Char('?');
            statement.params << sessionId;
            continue;
        }
        const DatabaseTable& table = tableNamed(tables, m.captured(1));
        if (!(table.logOnInfo() == source.logOnInfo()))
            throw AppError(AppError::InvalidArgument,
                           QStringLiteral("The tables %1 and %2 of the report must be reached "
                                          "with the same log-on.")
                               .arg(source.name(), table.name()));
        statement.sql += Location::parse(table.location()).qualifiedTable();
    }
    statement.sql += query.mid(done);
    return statement;
}

std::unique_ptr<db::Connection> logOn(const DatabaseTable& table, const QString& title) {
    const LogOnInfo& info = table.logOnInfo();
    if (info.serverName.isEmpty())
        throw AppError(AppError::NotConnected,
                       QStringLiteral("The table %1 of the report \"%2\" has no log-on.")
                           .arg(table.name(), title));
    try {
        auto connection = std::make_unique<db::Connection>(
            db::Target::fromLogOn(info.serverName, info.userId, info.password));
        connection->setCommandTimeout(kCommandTimeout);
        connection->open();
        return connection;
    } catch (const AppError& e) {
        throw AppError(AppError::NotConnected,
                       QStringLiteral("The report \"%1\" could not log on to %2 as \"%3\": %4")
                           .arg(title, info.serverName, info.userId, e.description()));
    }
}

} // namespace

DatabaseTable::DatabaseTable(QString name, QString location)
    : m_name(std::move(name)), m_location(std::move(location)) {}

void DatabaseTable::setLocation(const QString& location) {
    Location::parse(location);
    m_location = location;
}

void DatabaseTable::setLogOnInfo(const QString& serverName, const QString& databaseName,
                                 const QString& userId, const QString& password) {
    schemaOf(databaseName);
    m_logOn = {serverName, databaseName, userId, password};
}

Report::Report(Definition definition, QString fileName)
    : m_definition(std::move(definition)), m_fileName(std::move(fileName)),
      m_pageLayout(defaultPageLayout()) {
    if (m_definition.orientation == QLatin1String("landscape"))
        m_pageLayout.setOrientation(QPageLayout::Landscape);
    for (const TableDefinition& t : m_definition.tables)
        m_tables.emplace_back(t.name, t.location);
}

QPageLayout Report::defaultPageLayout() {
    const bool inches = QLocale().measurementSystem() == QLocale::ImperialUSSystem;
    return QPageLayout(QPageSize(inches ? QPageSize::Letter : QPageSize::A4), QPageLayout::Portrait,
                       QMarginsF(54, 48, 54, 48), QPageLayout::Point);
}

void Report::setRows(std::shared_ptr<const Content> rows) {
    m_givenRows = std::move(rows);
    m_content.reset();
}

std::shared_ptr<const Content> Report::readContent() const {
    if (m_definition.tables.empty()) {
        if (!m_givenRows)
            throw AppError(AppError::InvalidArgument,
                           QStringLiteral("The report \"%1\" was given no rows.").arg(title()));
        return m_givenRows;
    }
    const TableDefinition& source = m_definition.sourceTable();
    const DatabaseTable& table = tableNamed(m_tables, source.name);
    const Statement statement = resolve(source.query, m_tables, table, m_sessionId);
    const auto connection = logOn(table, title());
    try {
        return std::make_shared<const Content>(connection->query(statement.sql, statement.params));
    } catch (const AppError& e) {
        throw AppError(e.number(), QStringLiteral("The report \"%1\" could not read its rows: %2")
                                       .arg(title(), e.description()));
    }
}

std::shared_ptr<const Document> Report::document() {
    if (!m_content || m_readTables != m_tables || m_readSession != m_sessionId) {
        m_content = readContent();
        m_readTables = m_tables;
        m_readSession = m_sessionId;
        m_document.reset();
    }
    if (!m_document || m_document->hospitalName != m_hospitalName ||
        m_document->hospitalAddress != m_hospitalAddress || m_document->subtitle != m_subtitle) {
        Document document = Document::bind(m_definition, m_content);
        document.hospitalName = m_hospitalName;
        document.hospitalAddress = m_hospitalAddress;
        document.subtitle = m_subtitle;
        m_document = std::make_shared<const Document>(std::move(document));
    }
    return m_document;
}

std::shared_ptr<const Pagination> Report::pagesFor(const QPageLayout& layout) {
    const std::shared_ptr<const Document> current = document();
    if (m_pages && &m_pages->document() == current.get() &&
        m_pages->pageLayout().isEquivalentTo(layout))
        return m_pages;
    auto pagination = std::make_shared<const Pagination>(current, layout);
    if (layout.isEquivalentTo(m_pageLayout))
        m_pages = pagination;
    return pagination;
}

std::shared_ptr<const Pagination> Report::pages() {
    return pagesFor(m_pageLayout);
}

void Report::print(QPrinter& printer) {
    printPages(*pagesFor(printer.pageLayout()), printer);
}

void Report::exportToFile(ExportFormat format, const QString& fileName) {
    switch (format) {
    case ExportFormat::Excel:
        writeXlsx(*document(), fileName);
        break;
    case ExportFormat::RichText:
        writeRtf(*document(), m_pageLayout, fileName);
        break;
    case ExportFormat::Pdf:
        writePdf(*pages(), fileName);
        break;
    }
}

std::unique_ptr<Report> Application::openReport(const QString& path) const {
    return std::make_unique<Report>(Definition::load(path), QFileInfo(path).absoluteFilePath());
}

} // namespace report
