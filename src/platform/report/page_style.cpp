#include "platform/report/page_style.h"

#include <cmath>

namespace report {

namespace {

struct FontChoice {
    int points;
    QFont::Weight weight;
    bool italic;
};

// Sizes in points.
constexpr FontChoice kFonts[PageStyle::RoleCount] = {
    {13, QFont::Bold, false},     // Hospital
    {9, QFont::Normal, false},    // Address
    {9, QFont::Normal, false},    // Date
    {16, QFont::Bold, false},     // Title
    {8, QFont::Bold, false},      // ColumnHeader
    {11, QFont::Bold, false},     // Heading
    {10, QFont::DemiBold, false}, // SubHeading
    {9, QFont::Normal, true},     // Note
    {10, QFont::Normal, false},   // Detail
    {8, QFont::Normal, false},    // Footer
};

// Latin, Latin-1 and Latin Extended-A and -B.
constexpr char16_t kTabulated = 0x250;
constexpr double kSafeShare = 0.95;

} // namespace

PageStyle::PageStyle() {
    m_fonts.reserve(RoleCount);
    m_metrics.reserve(RoleCount);
    for (const FontChoice& choice : kFonts) {
        QFont font(QStringLiteral("Sans Serif"));
        font.setStyleHint(QFont::SansSerif);
        font.setPixelSize(int(choice.points * TwipsPerPoint));
        font.setWeight(choice.weight);
        font.setItalic(choice.italic);
        font.setHintingPreference(QFont::PreferNoHinting);
        m_fonts.push_back(font);
        m_metrics.emplace_back(font);
        std::vector<float> advances(kTabulated);
        for (char16_t c = 0; c < kTabulated; ++c)
            advances[c] = float(m_metrics.back().horizontalAdvance(QChar(c)));
        m_advances.push_back(std::move(advances));
    }
}

// Kerning and shaping move a text's width by far less than the margin, so a
// text whose summed advances stay below it fits.
bool PageStyle::surelyFits(Role role, const QString& text, double width) const {
    const std::vector<float>& advances = m_advances[role];
    const double limit = width * kSafeShare;
    double sum = 0;
    for (const QChar c : text) {
        if (c.unicode() >= kTabulated)
            return false;
        sum += advances[c.unicode()];
        if (sum > limit)
            return false;
    }
    return true;
}

int PageStyle::lineCount(Role role, const QString& text, double width) const {
    if (surelyFits(role, text, width))
        return 1;
    const QFontMetricsF& metrics = m_metrics[role];
    if (metrics.horizontalAdvance(text) <= width)
        return 1;
    const double height =
        metrics.boundingRect(QRectF(0, 0, width, 1e7), Qt::TextWordWrap, text).height();
    return std::max(1, int(std::lround(height / metrics.lineSpacing())));
}

} // namespace report
