#pragma once

#include "platform/ui/twips.h"

#include <QColor>
#include <QFont>
#include <QFontMetricsF>
#include <vector>

namespace report {

// Report measures are twips; the page layout gives points.
constexpr double TwipsPerPoint = 20;

inline QRectF twipsOf(const QRectF& points) {
    return {points.topLeft() * TwipsPerPoint, points.size() * TwipsPerPoint};
}

// The scale from twips to the pixels of a device of this resolution.
inline double pixelsPerTwip(double dpi) {
    return dpi / ui::TwipsPerInch;
}

// The typography and measures of a report page, in twips. Fonts are sized in
// pixels that are twips, so that text measures the same on the screen, a
// printer and a PDF file: the painter is scaled to the device.
struct PageStyle {
    enum Role {
        Hospital,
        Address,
        Date,
        Title,
        ColumnHeader,
        Heading,
        SubHeading,
        Note,
        Detail,
        Footer,
        RoleCount
    };

    PageStyle();

    const QFont& font(Role role) const { return m_fonts[role]; }
    const QFontMetricsF& metrics(Role role) const { return m_metrics[role]; }
    double lineHeight(Role role) const { return m_metrics[role].lineSpacing(); }

    // The lines a text takes when wrapped at word boundaries to the width.
    int lineCount(Role role, const QString& text, double width) const;

    // A group level's heading font role.
    static Role headingRole(int level) { return level == 0 ? Heading : SubHeading; }

    static constexpr double LevelIndent = 360; // each group level, a quarter inch
    static constexpr double ColumnGap = 144;
    static constexpr double ThinRule = 10; // half a point
    static constexpr double StrongRule = 20;
    static constexpr double DetailLeading = 30; // between detail lines

    // Inside a heading: the first level is shaded and needs more.
    static double headingPadding(int level) { return level == 0 ? 50 : 20; }
    // Space before a heading of the level, unless it opens the page.
    static double spaceAbove(int level) { return level == 0 ? 220 : 110; }

    static QColor ink() { return QColor(0x1a, 0x1a, 0x1a); }
    static QColor muted() { return QColor(0x55, 0x5b, 0x63); }
    static QColor rule() { return QColor(0x8a, 0x90, 0x99); }
    static QColor shade() { return QColor(0xe8, 0xec, 0xf1); }

private:
    bool surelyFits(Role role, const QString& text, double width) const;

    std::vector<QFont> m_fonts;
    std::vector<QFontMetricsF> m_metrics;
    // Advances of the Latin characters, by role: summing them tells most texts
    // that fit without shaping them.
    std::vector<std::vector<float>> m_advances;
};

} // namespace report
