#include "platform/report/content.h"
#include "platform/report/output.h"
#include "platform/report/page_style.h"
#include "platform/report/report_error.h"

#include <QPageLayout>
#include <QSaveFile>

namespace report {

namespace {

// Text as RTF holds it: 7-bit, with the control characters escaped and
// everything beyond ASCII as \uN? (N a signed 16-bit UTF-16 unit).
QString rtfText(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == u'\\' || u == u'{' || u == u'}')
            out += QLatin1Char('\\') + c;
        else if (u == u'\n')
            out += QLatin1String("\\line ");
        else if (u == u'\t')
            out += QLatin1String("\\tab ");
        else if (u >= 0x20 && u < 0x80)
            out += c;
        else if (u >= 0x80)
            out += QStringLiteral("\\u%1?").arg(qint16(u));
    }
    return out;
}

int twips(double value) {
    return int(std::lround(value));
}

// Builds the document paragraph by paragraph, the same bands as the pages:
// headings by group level, notes under them, detail lines on tab stops.
class RtfWriter {
public:
    RtfWriter(const Document& d, const QPageLayout& layout) : m_d(d) {
        const QRectF paper = twipsOf(layout.fullRectPoints());
        const QRectF paint = twipsOf(layout.paintRectPoints());
        m_out += QStringLiteral("{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1\n"
                                "{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}}\n"
                                "{\\colortbl;\\red26\\green26\\blue26;\\red85\\green91\\blue99;"
                                "\\red138\\green144\\blue153;}\n");
        m_out += QStringLiteral("{\\info{\\title %1}}\n").arg(rtfText(d.title));
        m_out += QStringLiteral("\\paperw%1\\paperh%2\\margl%3\\margr%4\\margt%5\\margb%6\n")
                     .arg(twips(paper.width()))
                     .arg(twips(paper.height()))
                     .arg(twips(paint.left()))
                     .arg(twips(paper.right() - paint.right()))
                     .arg(twips(paint.top()))
                     .arg(twips(paper.bottom() - paint.bottom()));
        m_out += QStringLiteral("{\\footer\\pard\\plain\\f0\\fs16\\cf2\\tqr\\tx%1 %2\\tab Page "
                                "{\\field{\\*\\fldinst PAGE}} of {\\field{\\*\\fldinst NUMPAGES}}"
                                "\\par}\n")
                     .arg(twips(paint.width()))
                     .arg(rtfText(d.title));
        // Detail lines: the first column at the group indent, the others on tab
        // stops, and wrapped text hanging under the last column.
        const int detailIndent = twips(double(d.groups.size()) * PageStyle::LevelIndent);
        double stop = detailIndent;
        QString stops;
        for (std::size_t c = 0; c + 1 < d.columns.size(); ++c) {
            stop += d.columns[c].width;
            stops += QStringLiteral("\\tx%1").arg(twips(stop));
        }
        m_detailFormat = QStringLiteral("\\li%1\\fi%2%3")
                             .arg(twips(stop))
                             .arg(detailIndent - twips(stop))
                             .arg(stops);
    }

    QByteArray finish() {
        writeHeader();
        writeBody();
        m_out += QStringLiteral("}\n");
        return m_out.toLatin1();
    }

private:
    void paragraph(const QString& format, const QString& text) {
        m_out += QStringLiteral("\\pard\\plain\\f0") + format + QLatin1Char(' ') + text +
                 QStringLiteral("\\par\n");
    }

    void writeHeader() {
        paragraph(QStringLiteral("\\fs26\\b\\cf1"), rtfText(m_d.hospitalName));
        paragraph(QStringLiteral("\\fs18\\cf2"), rtfText(m_d.hospitalAddress));
        paragraph(QStringLiteral("\\sb120\\fs32\\b\\cf1"), rtfText(m_d.title));
        if (!m_d.subtitle.isEmpty())
            paragraph(QStringLiteral("\\fs18\\cf2"), rtfText(m_d.subtitle));
        paragraph(QStringLiteral("\\fs18\\cf2\\sa120\\brdrb\\brdrs\\brdrw20\\brsp40"),
                  rtfText(m_d.dateText()));
        QStringList headers;
        for (const Document::Column& c : m_d.columns)
            headers << rtfText(c.header.toUpper());
        paragraph(m_detailFormat + QStringLiteral("\\fs16\\b\\cf2\\sa120"),
                  headers.join(QStringLiteral("\\tab ")));
    }

    void writeBody() {
        const Content& content = *m_d.content;
        if (content.rowCount() == 0)
            paragraph(QStringLiteral("\\fs18\\i\\cf2"), Document::emptyText());
        for (int row = 0; row < content.rowCount(); ++row) {
            for (int level = m_d.firstChangedGroup(row); level < int(m_d.groups.size()); ++level)
                writeGroup(row, level);
            writeDetail(row);
        }
    }

    void writeGroup(int row, int level) {
        const Document::Group& group = m_d.groups[level];
        const QString& value = m_d.content->cell(row, group.field);
        if (value.isEmpty())
            return;
        const int indent = twips(level * PageStyle::LevelIndent);
        paragraph(level == 0
                      ? QStringLiteral("\\keepn\\sb220\\sa60\\brdrb\\brdrs\\brdrw10\\brsp20"
                                       "\\brdrcf3\\fs22\\b\\cf1")
                      : QStringLiteral("\\keepn\\sb110\\sa40\\li%1\\fs20\\b\\cf1").arg(indent),
                  rtfText(value));
        if (group.noteField < 0)
            return;
        const QString& note = m_d.content->cell(row, group.noteField);
        if (!note.trimmed().isEmpty())
            paragraph(QStringLiteral("\\li%1\\sa60\\fs18\\i\\cf2")
                          .arg(twips((level + 1) * PageStyle::LevelIndent)),
                      rtfText(note));
    }

    void writeDetail(int row) {
        if (!m_d.hasDetail(row))
            return;
        QStringList cells;
        for (const Document::Column& c : m_d.columns)
            cells << rtfText(m_d.content->cell(row, c.field));
        paragraph(m_detailFormat + QStringLiteral("\\fs20\\cf1"),
                  cells.join(QStringLiteral("\\tab ")));
    }

    const Document& m_d;
    QString m_out;
    QString m_detailFormat;
};

} // namespace

void writeRtf(const Document& document, const QPageLayout& layout, const QString& fileName) {
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(RtfWriter(document, layout).finish()) < 0 ||
        !file.commit())
        throw AppError(
            FileAccess,
            QStringLiteral("The file %1 cannot be written: %2").arg(fileName, file.errorString()));
}

} // namespace report
