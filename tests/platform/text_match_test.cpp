#include "platform/db/text_match.h"

#include <gtest/gtest.h>

TEST(TextMatch, FoldsCaseAndComposition) {
    EXPECT_EQ(db::foldText(QStringLiteral("ÉTOPOSIDE")), db::foldText(QStringLiteral("étoposide")));
    // "e" with a combining acute accent folds like the composed letter.
    EXPECT_EQ(db::foldText(QStringLiteral("E\u0301")), QStringLiteral("\u00e9"));
    EXPECT_FALSE(db::foldText(QString()).isNull());
}

TEST(TextMatch, PatternTakesWildcardsLiterally) {
    EXPECT_EQ(db::containsPattern(QStringLiteral("5%_A\\")), QStringLiteral("%5\\%\\_a\\\\%"));
    EXPECT_EQ(db::containsPattern(QString()), QStringLiteral("%%"));
}
