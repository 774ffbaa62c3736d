#pragma once

#include "platform/report/content.h"
#include "platform/report/definition.h"
#include "platform/report/pagination.h"

#include <QPageLayout>
#include <memory>
#include <vector>

class QPrinter;

namespace report {

// How a table reaches its database: the engine opens its own connection with
// it. The server name is a folder (embedded database) or a postgresql:// URL
// without user and password.
struct LogOnInfo {
    QString serverName;
    QString databaseName;
    QString userId;
    QString password;

    bool operator==(const LogOnInfo&) const = default;
};

// A table of an open report, which the caller may move to another database
// and give a log-on.
class DatabaseTable {
public:
    DatabaseTable(QString name, QString location);

    const QString& name() const { return m_name; }
    const QString& location() const { return m_location; }
    // Throws AppError for a malformed location or an unknown database; the
    // table keeps its location then.
    void setLocation(const QString& location);

    const LogOnInfo& logOnInfo() const { return m_logOn; }
    // Throws AppError for an unknown database name.
    void setLogOnInfo(const QString& serverName, const QString& databaseName, const QString& userId,
                      const QString& password);

    bool operator==(const DatabaseTable&) const = default;

private:
    QString m_name;
    QString m_location;
    LogOnInfo m_logOn;
};

enum class ExportFormat { Excel, RichText, Pdf };

// An open report definition. Its rows are read on first use, on the engine's
// own connection made from the tables' log-on, and read again after a
// table's location or log-on or the session changed.
class Report {
public:
    Report(Definition definition, QString fileName);

    const QString& fileName() const { return m_fileName; }
    const QString& title() const { return m_definition.title; }

    // The two texts of the page header.
    const QString& hospitalName() const { return m_hospitalName; }
    void setHospitalName(const QString& text) { m_hospitalName = text; }
    const QString& hospitalAddress() const { return m_hospitalAddress; }
    void setHospitalAddress(const QString& text) { m_hospitalAddress = text; }

    // A line beside the title, such as the range the rows cover.
    const QString& subtitle() const { return m_subtitle; }
    void setSubtitle(const QString& text) { m_subtitle = text; }

    // The rows of a report whose definition reads no table.
    void setRows(std::shared_ptr<const Content> rows);

    std::vector<DatabaseTable>& tables() { return m_tables; }
    const std::vector<DatabaseTable>& tables() const { return m_tables; }

    // The session whose prepared rows the report reads.
    const QString& sessionId() const { return m_sessionId; }
    void setSessionId(const QString& id) { m_sessionId = id; }

    // The paper of the preview and of PDF export; A4, or Letter where the
    // locale measures in inches.
    const QPageLayout& pageLayout() const { return m_pageLayout; }
    void setPageLayout(const QPageLayout& layout) { m_pageLayout = layout; }
    static QPageLayout defaultPageLayout();

    // Throws AppError when the log-on fails or the rows cannot be read.
    std::shared_ptr<const Document> document();
    // The pages for the report's page layout, computed once.
    std::shared_ptr<const Pagination> pages();

    // Prints on the caller's printer, with its paper and page range.
    void print(QPrinter& printer);
    // Writes the report to a file without asking anything; throws AppError
    // when the file cannot be written.
    void exportToFile(ExportFormat format, const QString& fileName);

private:
    std::shared_ptr<const Content> readContent() const;
    std::shared_ptr<const Pagination> pagesFor(const QPageLayout& layout);

    Definition m_definition;
    QString m_fileName;
    QString m_hospitalName;
    QString m_hospitalAddress;
    QString m_subtitle;
    QString m_sessionId;
    std::shared_ptr<const Content> m_givenRows;
    QPageLayout m_pageLayout;
    std::vector<DatabaseTable> m_tables;

    // What the rows were read with, to tell when they must be read again.
    std::vector<DatabaseTable> m_readTables;
    QString m_readSession;
    std::shared_ptr<const Content> m_content;
    std::shared_ptr<const Document> m_document;
    std::shared_ptr<const Pagination> m_pages;
};

// The engine's entry point: opens report definition files.
class Application {
public:
    // Throws AppError when the file is missing or not a valid definition.
    std::unique_ptr<Report> openReport(const QString& path) const;
};

} // namespace report
