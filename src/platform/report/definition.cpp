#include "platform/report/definition.h"

#include "platform/report/location.h"
#include "platform/report/report_error.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace report {

namespace {

enum class Section { None, Report, Table, Group, Column };

// Reads the definition line by line; a fault names the file and the line.
class Parser {
public:
    explicit Parser(QString fileName) : m_fileName(std::move(fileName)) {}

    Definition run(const QString& text) {
        const QStringList lines = text.split(QLatin1Char('\n'));
        for (m_line = 1; m_line <= lines.size(); ++m_line)
            readLine(lines[m_line - 1]);
        m_line = 0;
        validate();
        return std::move(m_definition);
    }

private:
    void readLine(QString line) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(QLatin1Char('#')) ||
            trimmed.startsWith(QLatin1Char(';')))
            return;
        if (line.front().isSpace()) {
            continueValue(trimmed);
        } else if (trimmed.startsWith(QLatin1Char('['))) {
            startSection(trimmed);
        } else {
            const qsizetype equals = trimmed.indexOf(QLatin1Char('='));
            if (equals < 0)
                fail(QStringLiteral("a line must be [section], key = value or an indented "
                                    "continuation"));
            setValue(trimmed.left(equals).trimmed().toLower(), trimmed.mid(equals + 1).trimmed());
        }
    }

    void startSection(const QString& text) {
        if (!text.endsWith(QLatin1Char(']')))
            fail(QStringLiteral("a section heading must end with \"]\""));
        const QStringList words =
            text.mid(1, text.size() - 2).split(QLatin1Char(' '), Qt::SkipEmptyParts);
        const QString kind = words.value(0).toLower();
        const QString name = words.value(1);
        m_value = nullptr;
        if (kind == QLatin1String("report") && words.size() == 1) {
            m_section = Section::Report;
        } else if (kind == QLatin1String("table") && words.size() == 2) {
            requireIdentifier(name);
            for (const TableDefinition& t : m_definition.tables) {
                if (t.name.compare(name, Qt::CaseInsensitive) == 0)
                    fail(QStringLiteral("the table %1 is defined twice").arg(name));
            }
            m_section = Section::Table;
            m_definition.tables.push_back({name, {}, {}});
        } else if (kind == QLatin1String("group") && words.size() == 2) {
            requireIdentifier(name);
            if (int(m_definition.groups.size()) == Definition::MaxGroupLevels)
                fail(QStringLiteral("a report has at most %1 group levels")
                         .arg(Definition::MaxGroupLevels));
            m_section = Section::Group;
            m_definition.groups.push_back({name, name, {}, {}});
        } else if (kind == QLatin1String("column") && words.size() == 2) {
            requireIdentifier(name);
            m_section = Section::Column;
            m_definition.columns.push_back({name, name, 0});
        } else {
            fail(QStringLiteral("unknown section %1").arg(text));
        }
    }

    void setValue(const QString& key, const QString& value) {
        m_value = target(key);
        if (m_value == nullptr)
            fail(QStringLiteral("unknown key \"%1\" here").arg(key));
        *m_value = value;
        if (m_section == Section::Table && key == QLatin1String("location"))
            checkLocation(value);
        if (m_section == Section::Column && key == QLatin1String("width"))
            m_definition.columns.back().width = width(value);
    }

    void continueValue(const QString& text) {
        if (m_value == nullptr || m_value == &m_width)
            fail(QStringLiteral("an indented line continues nothing"));
        *m_value += QLatin1Char('\n') + text;
    }

    QString* target(const QString& key) {
        switch (m_section) {
        case Section::Report:
            return key == QLatin1String("title")         ? &m_definition.title
                   : key == QLatin1String("orientation") ? &m_definition.orientation
                                                         : nullptr;
        case Section::Table: {
            TableDefinition& t = m_definition.tables.back();
            return key == QLatin1String("location") ? &t.location
                   : key == QLatin1String("query")  ? &t.query
                                                    : nullptr;
        }
        case Section::Group: {
            GroupDefinition& g = m_definition.groups.back();
            return key == QLatin1String("header")        ? &g.header
                   : key == QLatin1String("note")        ? &g.noteField
                   : key == QLatin1String("note header") ? &g.noteHeader
                                                         : nullptr;
        }
        case Section::Column: {
            ColumnDefinition& c = m_definition.columns.back();
            return key == QLatin1String("header")  ? &c.header
                   : key == QLatin1String("width") ? &m_width
                                                   : nullptr;
        }
        case Section::None:
            break;
        }
        return nullptr;
    }

    void checkLocation(const QString& text) {
        try {
            Location::parse(text);
        } catch (const AppError& e) {
            fail(e.description());
        }
    }

    int width(const QString& text) {
        bool ok = false;
        const int twips = text.toInt(&ok);
        if (!ok || twips <= 0)
            fail(QStringLiteral("a width is a positive number of twips"));
        return twips;
    }

    void requireIdentifier(const QString& name) {
        static const QRegularExpression plain(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
        if (!plain.match(name).hasMatch())
            fail(QStringLiteral("\"%1\" is not a plain name").arg(name));
    }

    void validate() {
        if (m_definition.title.isEmpty())
            fail(QStringLiteral("the report has no title"));
        if (m_definition.columns.empty())
            fail(QStringLiteral("the report has no columns"));
        if (!m_definition.orientation.isEmpty() &&
            m_definition.orientation != QLatin1String("portrait") &&
            m_definition.orientation != QLatin1String("landscape"))
            fail(QStringLiteral("the orientation is \"portrait\" or \"landscape\""));
        int queries = 0;
        for (const TableDefinition& t : m_definition.tables) {
            if (t.location.isEmpty())
                fail(QStringLiteral("the table %1 has no location").arg(t.name));
            queries += t.query.isEmpty() ? 0 : 1;
        }
        // Without tables the program hands the report its rows.
        if (!m_definition.tables.empty() && queries != 1)
            fail(QStringLiteral("exactly one table must have a query"));
        for (const GroupDefinition& g : m_definition.groups) {
            if (!g.noteHeader.isEmpty() && g.noteField.isEmpty())
                fail(QStringLiteral("the group %1 has a note header but no note").arg(g.field));
        }
    }

    [[noreturn]] void fail(const QString& what) const {
        QString reason = what;
        while (reason.endsWith(QLatin1Char('.')))
            reason.chop(1);
        const QString where = m_line > 0 ? QStringLiteral(", line %1").arg(m_line) : QString();
        throw AppError(BadFileFormat, QStringLiteral("The report file %1 is not valid%2: %3.")
                                          .arg(m_fileName, where, reason));
    }

    QString m_fileName;
    Definition m_definition;
    Section m_section = Section::None;
    QString* m_value = nullptr;
    QString m_width;
    qsizetype m_line = 0;
};

} // namespace

const TableDefinition& Definition::sourceTable() const {
    for (const TableDefinition& t : tables) {
        if (!t.query.isEmpty())
            return t;
    }
    throw AppError(BadFileFormat, QStringLiteral("The report has no query."));
}

Definition Definition::parse(const QString& text, const QString& fileName) {
    return Parser(fileName).run(text);
}

Definition Definition::load(const QString& path) {
    QFile file(path);
    if (!QFileInfo(path).isFile())
        throw AppError(FileNotFound,
                       QStringLiteral("The report file %1 does not exist.").arg(path));
    if (!file.open(QIODevice::ReadOnly))
        throw AppError(
            FileAccess,
            QStringLiteral("The report file %1 cannot be read: %2").arg(path, file.errorString()));
    return parse(QString::fromUtf8(file.readAll()), QFileInfo(path).fileName());
}

} // namespace report
