#include "dbcore/sort_order.h"

#include <gtest/gtest.h>

namespace {

using namespace kx;

TEST(SortOrderTest, ReadsTheDirectionAfterTheFieldAsAWholeWord) {
    EXPECT_EQ(KxFieldSortOrder(QStringLiteral("a, Name DESC"), QStringLiteral("name")),
              soDescending);
    EXPECT_EQ(KxFieldSortOrder(QStringLiteral("Name DESCENDING"), QStringLiteral("Name")),
              soDescending);
    EXPECT_EQ(KxFieldSortOrder(QStringLiteral("Name d"), QStringLiteral("Name")), soDescending);
    EXPECT_EQ(KxFieldSortOrder(QStringLiteral("Name ASC"), QStringLiteral("Name")), soAscending);
    EXPECT_EQ(KxFieldSortOrder(QStringLiteral("x; Name"), QStringLiteral("Name")), soAscending);
    EXPECT_EQ(KxFieldSortOrder(QStringLiteral("t.Name DESC"), QStringLiteral("Name")), soNone)
        << "the dot is not a word delimiter";
    EXPECT_EQ(KxFieldSortOrder(QStringLiteral("Names DESC"), QStringLiteral("Name")), soNone);
    EXPECT_EQ(KxFieldSortOrder(QStringLiteral("upper(Name) DESC"), QStringLiteral("Name")),
              soDescending);
    EXPECT_EQ(KxFieldSortOrder(QString(), QStringLiteral("Name")), soNone);
}

TEST(SortOrderTest, ReSortingKeepsRankAndNewFieldsAreAppended) {
    EXPECT_EQ(KxOrderByWithField(QStringLiteral("a ASC,Name ASC,c ASC"), QStringLiteral("Name"),
                                 soDescending, true),
              QStringLiteral("a ASC, Name DESC,c ASC"));
    EXPECT_EQ(KxOrderByWithField(QStringLiteral("a ASC,Name ASC,c ASC"), QStringLiteral("Name"),
                                 soDescending, false),
              QStringLiteral("Name DESC"));
    EXPECT_EQ(KxOrderByWithField(QStringLiteral("a, b DESC, c"), QStringLiteral("b"), soNone, true),
              QStringLiteral("a, c"));
    EXPECT_EQ(KxOrderByWithField(QStringLiteral("a ASC"), QStringLiteral("b"), soDescending, true),
              QStringLiteral("a ASC, b DESC"));
    EXPECT_EQ(KxOrderByWithField(QStringLiteral("b, c"), QStringLiteral("b"), soDescending, true),
              QStringLiteral("b DESC, c"));
    EXPECT_EQ(KxOrderByWithField(QStringLiteral("a, b"), QStringLiteral("b"), soAscending, true),
              QStringLiteral("a, b ASC"));
    EXPECT_EQ(KxOrderByWithField(QString(), QStringLiteral("b"), soAscending, true),
              QStringLiteral("b ASC"));
    EXPECT_EQ(KxOrderByWithField(QStringLiteral("b DESC"), QStringLiteral("b"), soNone, true),
              QString());
}

TEST(SortOrderTest, FirstSortFieldDropsTheDirection) {
    QString field;
    EXPECT_TRUE(KxFirstSortField(QStringLiteral("  Name DESC, a"), field));
    EXPECT_EQ(field, QStringLiteral("Name"));
    EXPECT_TRUE(KxFirstSortField(QStringLiteral("t.id ascending"), field));
    EXPECT_EQ(field, QStringLiteral("t.id"));
    EXPECT_FALSE(KxFirstSortField(QStringLiteral("DESC"), field));
    EXPECT_FALSE(KxFirstSortField(QString(), field));
}

TEST(SortOrderTest, QuotedNamesKeepTheirBlanksAndCommas) {
    const QString quoted = QStringLiteral("\"Unit Price\"");
    EXPECT_EQ(KxFieldSortOrder(QStringLiteral("\"Unit Price\" DESC, id"), quoted), soDescending);
    EXPECT_EQ(KxFieldSortOrder(QStringLiteral("\"Unit Price\" DESC"), QStringLiteral("Price")),
              soNone)
        << "a word inside a quoted name is not a field";
    EXPECT_EQ(
        KxOrderByWithField(QStringLiteral("\"Unit Price\" ASC, id"), quoted, soDescending, true),
        QStringLiteral("\"Unit Price\" DESC, id"));
    EXPECT_EQ(KxOrderByWithField(QStringLiteral("\"a, b\" ASC, id"), QStringLiteral("\"a, b\""),
                                 soNone, true),
              QStringLiteral("id"));
    EXPECT_EQ(KxFieldSortOrder(QStringLiteral("[x]]y] desc"), QStringLiteral("[x]]y]")),
              soDescending);
}

} // namespace
