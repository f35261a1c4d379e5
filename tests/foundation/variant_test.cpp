#include "foundation/exceptions.h"
#include "foundation/kx_variant.h"

#include <QLocale>
#include <gtest/gtest.h>

namespace {

using namespace kx;

class VariantTest : public testing::Test {
protected:
    // Conversions to and from text follow the user's locale; pin one for the test.
    void SetUp() override {
        saved = QLocale();
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }
    void TearDown() override { QLocale::setDefault(saved); }
    QLocale saved;
};

TEST_F(VariantTest, TypeCodesAreTheClassicNumbers) {
    EXPECT_EQ(KxVariant().VarType(), 0);
    EXPECT_EQ(KxVariant::Null().VarType(), 1);
    EXPECT_EQ(KxVariant(std::int16_t{1}).VarType(), 2);
    EXPECT_EQ(KxVariant(1).VarType(), 3);
    EXPECT_EQ(KxVariant(1.0f).VarType(), 4);
    EXPECT_EQ(KxVariant(1.0).VarType(), 5);
    EXPECT_EQ(KxVariant::FromCurrencyScaled(1).VarType(), 6);
    EXPECT_EQ(KxVariant::FromDateTime(1).VarType(), 7);
    EXPECT_EQ(KxVariant(QStringLiteral("x")).VarType(), 8);
    EXPECT_EQ(KxVariant(true).VarType(), 11);
    EXPECT_EQ(KxVariant(std::uint8_t{1}).VarType(), 17);
    EXPECT_EQ(KxVariant(std::int64_t{1}).VarType(), 20);
}

TEST_F(VariantTest, TextConversionsRoundTrip) {
    EXPECT_EQ(KxVariant(true).ToString(), QStringLiteral("True"));
    EXPECT_EQ(KxVariant(std::int64_t{-9007199254740993}).ToString(),
              QStringLiteral("-9007199254740993"));
    EXPECT_EQ(KxVariant(2.5).ToString(), QStringLiteral("2.5"));
    EXPECT_EQ(KxVariant::FromCurrencyScaled(123450).ToString(), QStringLiteral("12.345"));
    EXPECT_EQ(KxVariant::FromCurrencyScaled(120000).ToString(), QStringLiteral("12"));
    EXPECT_EQ(KxVariant(QByteArray("\x01\xAB", 2)).ToString(), QStringLiteral("01AB"));
    EXPECT_EQ(KxVariant::Null().ToString(), QString());

    EXPECT_EQ(KxVariant(QStringLiteral(" 42 ")).ConvertTo(varInteger), KxVariant(42));
    EXPECT_EQ(KxVariant(QStringLiteral("2.75")).ConvertTo(varDouble), KxVariant(2.75));
    EXPECT_EQ(KxVariant(QStringLiteral("false")).ConvertTo(varBoolean), KxVariant(false));
    EXPECT_EQ(KxVariant(QStringLiteral("18446744073709551615")).ConvertTo(varUInt64),
              KxVariant(std::uint64_t{18446744073709551615ull}));
    EXPECT_EQ(KxVariant(QStringLiteral("1.5")).ConvertTo(varCurrency),
              KxVariant::FromCurrencyScaled(15000));
}

TEST_F(VariantTest, NumericConversionsCheckTheirRange) {
    EXPECT_EQ(KxVariant(300).ConvertTo(varSmallint), KxVariant(std::int16_t{300}));
    EXPECT_THROW(KxVariant(300).ConvertTo(varByte), EKxException);
    EXPECT_THROW(KxVariant(-1).ConvertTo(varUInt64), EKxException);
    EXPECT_THROW(KxVariant(std::uint64_t{1} << 63).ToInt64(), EKxException);
    EXPECT_THROW(KxVariant(std::int64_t{1} << 40).ToInt(), EKxException);
    EXPECT_EQ(KxVariant(2.5).ToInt64(), 3) << "rounds half away from zero";
    EXPECT_EQ(KxVariant::FromCurrencyScaled(-25000).ToInt64(), -3);
}

TEST_F(VariantTest, NullAndGarbageRaiseTheConversionError) {
    try {
        KxVariant::Null().ToInt64();
        ADD_FAILURE();
    } catch (const EKxException& e) {
        EXPECT_EQ(e.GetMessage(),
                  QStringLiteral("Could not convert variant of type (Null) into type (Int64)"));
    }
    EXPECT_THROW(KxVariant(QStringLiteral("abc")).ToDouble(), EKxException);
    EXPECT_THROW(KxVariant(QStringLiteral("maybe")).ToBool(), EKxException);
    EXPECT_THROW(KxVariant::Null().ConvertTo(varOleStr), EKxException);
    EXPECT_EQ(KxVariant().ToInt64(), 0);
}

TEST_F(VariantTest, EqualityNeedsTheSameTypeAndValue) {
    EXPECT_EQ(KxVariant(QStringLiteral("ä")), KxVariant(QStringLiteral("ä")));
    EXPECT_NE(KxVariant(1), KxVariant(std::int64_t{1}));
    EXPECT_NE(KxVariant(), KxVariant::Null());
}

TEST_F(VariantTest, DatesCountDaysFromTheClassicEpoch) {
    const QDateTime noon(QDate(2024, 2, 29), QTime(12, 0));
    const TKxDateTime value = KxToDateTime(noon);
    EXPECT_DOUBLE_EQ(value, 45351.5);
    EXPECT_EQ(KxFromDateTime(value), noon);
    EXPECT_DOUBLE_EQ(KxToDateTime(QDateTime(QDate(1899, 12, 30), QTime(0, 0))), 0.0);
    // Before the epoch the time of day still counts forward: 29 Dec 1899 06:00 is -1.25.
    EXPECT_DOUBLE_EQ(KxToDateTime(QDateTime(QDate(1899, 12, 29), QTime(6, 0))), -1.25);
    EXPECT_EQ(KxFromDateTime(-1.25), QDateTime(QDate(1899, 12, 29), QTime(6, 0)));
    EXPECT_EQ(KxVariant::FromDateTime(45351.0).ToString(),
              QLocale().toString(QDate(2024, 2, 29), QLocale::ShortFormat));
}

} // namespace
