#include "dbcore/sql_words.h"

#include <gtest/gtest.h>

namespace {

using namespace kx;

TEST(EscapeSearchPatternTest, EveryWildcardAndTheEscapeItselfAreEscaped) {
    const QString backslash = QStringLiteral("\\");
    EXPECT_EQ(KxEscapeSearchPattern(QStringLiteral("my_t"), backslash), QStringLiteral("my\\_t"));
    EXPECT_EQ(KxEscapeSearchPattern(QStringLiteral("_100%_"), backslash),
              QStringLiteral("\\_100\\%\\_"));
    // An escape in the name must not escape the character after it.
    EXPECT_EQ(KxEscapeSearchPattern(QStringLiteral("a\\_b"), backslash),
              QStringLiteral("a\\\\\\_b"));
    EXPECT_EQ(KxEscapeSearchPattern(QStringLiteral("Grüße_ß"), QStringLiteral("!")),
              QStringLiteral("Grüße!_ß"));
    EXPECT_EQ(KxEscapeSearchPattern(QStringLiteral("ab!!"), QStringLiteral("!!")),
              QStringLiteral("ab!!!!"));
    EXPECT_EQ(KxEscapeSearchPattern(QStringLiteral("my_t%"), QString()), QStringLiteral("my_t%"))
        << "a source without an escape gets the name as it is";
    EXPECT_EQ(KxEscapeSearchPattern(QString(), backslash), QString());
}

} // namespace
