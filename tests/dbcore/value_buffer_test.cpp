#include "dbcore/blob_format.h"
#include "dbcore/field_value_text.h"
#include "dbcore/value_buffer.h"
#include "foundation/exceptions.h"

#include <QLocale>
#include <QTime>
#include <cstring>
#include <gtest/gtest.h>
#include <vector>

namespace {

using namespace kx;
using TBytes = std::vector<unsigned char>;

// A buffer filled the way a driver fills its column: raw bytes on the first read after a
// Clear. Records the lengths reported after text and binary writes.
class FilledBuffer : public TKxValueBuffer {
public:
    FilledBuffer(TKxFieldDataType type, TBytes bytes = {}, bool null = false)
        : TKxValueBuffer(nullptr, type), m_bytes(std::move(bytes)), m_rowIsNull(null) {}

    int fetches = 0;
    std::vector<std::uint64_t> sizeChanges;

    TBytes Stored() const {
        const auto* data = static_cast<const unsigned char*>(GetData());
        return TBytes(data, data + GetDataSize());
    }

protected:
    void InternalFetchData(bool) override {
        ++fetches;
        if (!m_bytes.empty()) {
            SetInternalSize(m_bytes.size());
            std::memcpy(Memory().Data(), m_bytes.data(), m_bytes.size());
        }
        SetNullFlag(m_rowIsNull);
        SetFetched(true);
    }
    void DataSizeChanged(std::uint64_t length) override { sizeChanges.push_back(length); }

private:
    TBytes m_bytes;
    bool m_rowIsNull;
};

class LocaleScope {
public:
    explicit LocaleScope(const QLocale& locale) { QLocale::setDefault(locale); }
    ~LocaleScope() { QLocale::setDefault(m_previous); }

private:
    QLocale m_previous;
};

QString ErrorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const EKxException& e) {
        return e.GetMessage();
    }
    return QStringLiteral("<no error>");
}

// ---- State

TEST(ValueBufferTest, ANewBufferIsNullUnfetchedAndShowsNothing) {
    const auto buffer = KxMake<TKxValueBuffer>(nullptr, fdtInt32);
    EXPECT_TRUE(buffer->GetValue().IsNull());
    EXPECT_EQ(buffer->GetDisplayText(), QString());
    EXPECT_EQ(buffer->AskBoolean(qid::IsNull), baTrue);
    EXPECT_EQ(buffer->AskBoolean(qid::DataFetched), baFalse);
    EXPECT_EQ(buffer->AskBoolean(qid::Modified), baFalse);
    EXPECT_EQ(buffer->AskBoolean(qid::DisplayTextCached), baTrue); // computed just now
    EXPECT_EQ(buffer->AskBoolean(99), baUnknown);
    EXPECT_EQ(buffer->AskInteger(0), kxUnsupportedValue);
    EXPECT_EQ(buffer->GetDataSize(), 4u); // fixed kinds own their block from the start
    EXPECT_EQ(KxMake<TKxValueBuffer>(nullptr, fdtMemo)->GetDataSize(), 0u);
}

TEST(ValueBufferTest, FetchingIsLazyAndClearingStartsOver) {
    const auto buffer = KxMake<FilledBuffer>(fdtInt16, TBytes{0x34, 0x12});
    EXPECT_EQ(buffer->fetches, 0);
    EXPECT_EQ(buffer->GetValue(), KxVariant(std::int16_t{0x1234}));
    EXPECT_EQ(buffer->GetDisplayText(), QStringLiteral("4660"));
    EXPECT_EQ(buffer->fetches, 1);

    buffer->SetValue(KxVariant(std::int16_t{7}));
    EXPECT_TRUE(buffer->GetModified());
    EXPECT_EQ(buffer->GetDisplayText(), QStringLiteral("7")); // the cache followed the value

    EXPECT_TRUE(buffer->ExecuteOperation(opInvalidate, nullptr));
    EXPECT_FALSE(buffer->GetModified());
    EXPECT_EQ(buffer->AskBoolean(qid::DataFetched), baFalse);
    EXPECT_EQ(buffer->GetValue(), KxVariant(std::int16_t{0x1234}));
    EXPECT_EQ(buffer->fetches, 2);
    EXPECT_FALSE(buffer->ExecuteOperation(opFetchData, nullptr));
}

TEST(ValueBufferTest, WritingNullKeepsTheBufferFetchedAndModified) {
    const auto buffer = KxMake<FilledBuffer>(fdtDouble, TBytes(8, 0));
    buffer->SetValue(KxVariant(2.5));
    buffer->SetValue(KxVariant::Null());
    EXPECT_TRUE(buffer->IsNull());
    EXPECT_TRUE(buffer->GetModified());
    EXPECT_EQ(buffer->AskBoolean(qid::DataFetched), baTrue);
    EXPECT_TRUE(buffer->GetValue().IsNull());
    EXPECT_EQ(buffer->fetches, 0);
}

// ---- Integers at full width, range-checked

TEST(ValueBufferTest, SignedAndUnsignedBytesReadAsTheirKindSays) {
    EXPECT_EQ(KxMake<FilledBuffer>(fdtInt8, TBytes{0xFF})->GetValue().ToInt64(), -1);
    EXPECT_EQ(KxMake<FilledBuffer>(fdtUInt8, TBytes{0xFF})->GetValue().ToInt64(), 255);
    EXPECT_EQ(KxMake<FilledBuffer>(fdtInt16, TBytes{0xFF, 0xFF})->GetValue().ToInt64(), -1);
    EXPECT_EQ(KxMake<FilledBuffer>(fdtUInt16, TBytes{0xFF, 0xFF})->GetValue().ToInt64(), 65535);
    EXPECT_EQ(KxMake<FilledBuffer>(fdtUInt32, TBytes(4, 0xFF))->GetValue().ToInt64(), 4294967295);
    EXPECT_EQ(KxMake<FilledBuffer>(fdtUInt32, TBytes(4, 0xFF))->GetDisplayText(),
              QStringLiteral("4294967295"));
    const auto unsigned64 = KxMake<FilledBuffer>(fdtUInt64, TBytes(8, 0xFF));
    EXPECT_EQ(unsigned64->GetValue().ToUInt64(), 18446744073709551615ull);
    EXPECT_EQ(unsigned64->GetDisplayText(), QStringLiteral("18446744073709551615"));
}

TEST(ValueBufferTest, SixtyFourBitValuesKeepEveryBit) {
    const auto bigint = KxMake<FilledBuffer>(fdtInt64, TBytes(8, 0));
    bigint->SetValue(KxVariant(std::int64_t{5000000000}));
    EXPECT_EQ(bigint->GetValue(), KxVariant(std::int64_t{5000000000}));
    EXPECT_EQ(bigint->GetDisplayText(), QStringLiteral("5000000000"));
    bigint->SetValue(KxVariant(std::int32_t{-1}));
    EXPECT_EQ(bigint->Stored(), TBytes(8, 0xFF));

    const auto unsigned64 = KxMake<FilledBuffer>(fdtUInt64, TBytes(8, 0));
    unsigned64->SetValue(KxVariant(QStringLiteral("18446744073709551615")));
    EXPECT_EQ(unsigned64->Stored(), TBytes(8, 0xFF));
}

TEST(ValueBufferTest, ValuesOutsideTheKindRaiseInsteadOfBeingCut) {
    struct Case {
        TKxFieldDataType type;
        KxVariant value;
    };
    const Case cases[] = {
        {fdtInt8, KxVariant(std::int32_t{300})},
        {fdtUInt8, KxVariant(std::int32_t{-1})},
        {fdtInt16, KxVariant(std::int32_t{40000})},
        {fdtUInt16, KxVariant(std::int32_t{70000})},
        {fdtInt32, KxVariant(std::int64_t{5000000000})},
        {fdtUInt32, KxVariant(std::int64_t{4294967296})},
        {fdtUInt32, KxVariant(std::int32_t{-1})},
        {fdtUInt64, KxVariant(std::int32_t{-1})},
        {fdtInt64, KxVariant(std::uint64_t{18446744073709551615ull})},
    };
    for (const Case& c : cases) {
        const auto buffer = KxMake<FilledBuffer>(c.type, TBytes(KxFixedDataSize(c.type), 0));
        EXPECT_EQ(ErrorOf([&] { buffer->SetValue(c.value); }),
                  QStringLiteral("Invalid variant operation (out of range)"))
            << int(c.type);
        EXPECT_FALSE(buffer->GetModified()) << int(c.type);
        EXPECT_EQ(buffer->Stored(), TBytes(KxFixedDataSize(c.type), 0)) << int(c.type);
    }
    const auto unsigned32 = KxMake<FilledBuffer>(fdtUInt32, TBytes(4, 0));
    unsigned32->SetValue(KxVariant(std::int64_t{4294967295}));
    EXPECT_EQ(unsigned32->Stored(), TBytes(4, 0xFF));
}

// ---- Text, binary and GUID values

TEST(ValueBufferTest, TextIsStoredWithItsTerminatorAndReportsItsLength) {
    const auto text = KxMake<FilledBuffer>(fdtString);
    text->SetValue(KxVariant(QStringLiteral("abc")));
    EXPECT_EQ(text->Stored(), (TBytes{'a', 'b', 'c', 0}));
    EXPECT_EQ(text->sizeChanges, (std::vector<std::uint64_t>{3}));

    const QString greeting = QStringLiteral("Grüße €");
    const auto wide = KxMake<FilledBuffer>(fdtWideString);
    wide->SetValue(KxVariant(greeting));
    EXPECT_EQ(wide->GetDataSize(), 2u * (greeting.size() + 1));
    EXPECT_EQ(wide->GetValue(), KxVariant(greeting));
    EXPECT_EQ(wide->sizeChanges, (std::vector<std::uint64_t>{7})); // characters, not bytes

    const auto memo = KxMake<FilledBuffer>(fdtMemo);
    memo->SetValue(KxVariant(greeting));
    EXPECT_EQ(memo->GetValue(), KxVariant(greeting)); // UTF-8 inside, the same text outside
    memo->SetValue(KxVariant(QStringLiteral("x")));
    EXPECT_EQ(memo->Stored(), (TBytes{'x', 0})); // a shorter value leaves no tail behind
}

TEST(ValueBufferTest, BinaryValuesReadAsBytesOrAsTheNumbersOfShortKeys) {
    const auto three = KxMake<FilledBuffer>(fdtBinary, TBytes{1, 2, 3});
    EXPECT_EQ(three->GetValue(), KxVariant(QByteArray("\x01\x02\x03", 3)));
    EXPECT_EQ(three->GetDisplayText(), QStringLiteral("<Binary Data, Size: 3>"));
    EXPECT_EQ(KxMake<FilledBuffer>(fdtBinary, TBytes{0xFE, 0xFF})->GetValue(),
              KxVariant(std::int16_t{-2}));
    EXPECT_EQ(KxMake<FilledBuffer>(fdtBinary, TBytes{1, 0, 0, 0})->GetValue(),
              KxVariant(std::int32_t{1}));

    const auto written = KxMake<FilledBuffer>(fdtBinary);
    const QByteArray bytes("\x00\xFF\x10", 3);
    written->SetValue(KxVariant(bytes));
    EXPECT_EQ(written->Stored(), (TBytes{0x00, 0xFF, 0x10}));
    EXPECT_EQ(written->sizeChanges, (std::vector<std::uint64_t>{3}));
}

TEST(ValueBufferTest, GuidTextIsTrimmedParsedAndShownInRegistryForm) {
    const auto guid = KxMake<FilledBuffer>(fdtGUID, TBytes(16, 0));
    guid->SetValue(KxVariant(QStringLiteral(" <6b9c1a70-4e21-4c5b-9a10-2f610b7c1700>;")));
    EXPECT_EQ(guid->GetDisplayText(), QStringLiteral("{6B9C1A70-4E21-4C5B-9A10-2F610B7C1700}"));
    EXPECT_EQ(guid->Stored()[0], 0x70); // the first field little-endian, as drivers expect

    try {
        guid->SetValue(KxVariant(QStringLiteral("6b9c1a70-4e21")));
        FAIL() << "an incomplete GUID was accepted";
    } catch (const EHrException& e) {
        EXPECT_EQ(e.GetHRCode(), hr::CO_E_ClassString);
        EXPECT_EQ(e.GetRoutineName(), QStringLiteral("InternalSetValue"));
    }
}

// ---- Sizes

TEST(ValueBufferTest, AFixedBufferNeverGrowsOrShrinks) {
    const auto buffer = KxMake<FilledBuffer>(fdtInt64, TBytes(8, 1));
    EXPECT_EQ(buffer->SetSize(4), hr::S_Ok);
    EXPECT_EQ(buffer->GetDataSize(), 8u);
    EXPECT_TRUE(KxFailed(buffer->SetSize(9)));
    std::uint32_t done = 0;
    const unsigned char byte = 0;
    EXPECT_TRUE(KxFailed(buffer->WriteAt(8, &byte, 1, &done)));
    EXPECT_EQ(buffer->GetDataSize(), 8u);
    const auto longer = KxMake<FilledBuffer>(fdtMemo, TBytes(9, 1));
    (void)longer->GetValue();
    EXPECT_EQ(ErrorOf([&] { buffer->AssignFromIntf(static_cast<TKxValueBuffer*>(longer.get())); }),
              QStringLiteral("Requested value buffer size (9 Bytes) of fixed buffer is larger "
                             "than current buffer size (8 Bytes)"));
}

TEST(ValueBufferTest, OnlyAWholeHeaderMarksAValueCompressed) {
    const TKxCompressedBlobHeader header = KxCompressedBlobHeader();
    const auto whole = KxMake<FilledBuffer>(fdtBinary, TBytes(header.begin(), header.end()));
    (void)whole->GetValue();
    EXPECT_TRUE(whole->IsCompressed());
    const auto cut = KxMake<FilledBuffer>(fdtBinary, TBytes(header.begin(), header.end() - 1));
    (void)cut->GetValue();
    EXPECT_FALSE(cut->IsCompressed());
    EXPECT_FALSE(KxMake<TKxValueBuffer>(nullptr, fdtBinary)->IsCompressed());
}

TEST(ValueBufferTest, WritingBytesMarksTheValueChanged) {
    const auto buffer = KxMake<FilledBuffer>(fdtBinary);
    (void)buffer->GetDisplayText();
    std::uint32_t done = 0;
    ASSERT_EQ(buffer->WriteAt(0, "xy", 2, &done), hr::S_Ok);
    EXPECT_TRUE(buffer->GetModified());
    EXPECT_EQ(buffer->AskBoolean(qid::DisplayTextCached), baFalse);
}

// ---- Copying between buffers

TEST(ValueBufferTest, AssigningCopiesBytesAndState) {
    const auto source = KxMake<FilledBuffer>(fdtString, TBytes{'h', 'i', 0});
    (void)source->GetValue();
    const auto copy = KxMake<TKxFieldStateBuffer>(nullptr, fdtString);
    copy->AssignFromObj(static_cast<TKxValueBuffer*>(source.get()));
    EXPECT_EQ(copy->GetValue(), KxVariant(QStringLiteral("hi")));
    EXPECT_FALSE(copy->GetModified());
    EXPECT_EQ(copy->AskBoolean(qid::DataFetched), baTrue);

    source->SetValue(KxVariant::Null());
    copy->AssignFromIntf(static_cast<TKxValueBuffer*>(source.get()));
    EXPECT_TRUE(copy->IsNull());
    EXPECT_TRUE(copy->GetModified());
    EXPECT_EQ(copy->GetDataSize(), 0u);
}

TEST(ValueBufferTest, AssigningFromAnObjectThatCannotAnswerRaises) {
    const auto buffer = KxMake<TKxValueBuffer>(nullptr, fdtString);
    const auto plain = KxMake<TKxMemoryLockBytes>();
    EXPECT_NE(ErrorOf([&] { buffer->AssignFromIntf(plain.get()); }), QStringLiteral("<no error>"));
    EXPECT_NE(ErrorOf([&] { buffer->AssignFromObj(nullptr); }), QStringLiteral("<no error>"));
}

// ---- Display texts

TEST(ValueBufferTest, DateAndTimeTextsLeaveOutWhatIsNotThere) {
    const LocaleScope english(QLocale(QLocale::English, QLocale::UnitedStates));
    const auto value = [](TKxFieldDataType type, double dateTime) {
        const auto buffer = KxMake<FilledBuffer>(type, TBytes(8, 0));
        buffer->SetValue(KxVariant::FromDateTime(dateTime));
        return buffer->GetDisplayText();
    };
    EXPECT_EQ(value(fdtDateTime, 0.0), QString());
    EXPECT_EQ(value(fdtDate, 0.0), QString());
    EXPECT_EQ(value(fdtDateTime, 0.5), QStringLiteral("12:00:00 PM"));
    EXPECT_EQ(value(fdtDate, 45000.0), QStringLiteral("3/15/23"));
    EXPECT_EQ(value(fdtDateTime, 45000.75), QStringLiteral("3/15/23 6:00:00 PM"));
    // Midnight is a time like any other in a TIME column.
    EXPECT_EQ(value(fdtTime, 0.0), QStringLiteral("12:00:00 AM"));

    const LocaleScope german(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(value(fdtTime, 0.0), QStringLiteral("00:00:00"));
    EXPECT_EQ(value(fdtDateTime, 45000.75), QStringLiteral("15.03.23 18:00:00"));
}

TEST(ValueBufferTest, NumbersAndTruthFollowTheLocale) {
    const auto number = KxMake<FilledBuffer>(fdtDouble, TBytes(8, 0));
    number->SetValue(KxVariant(1.5));
    const auto truth = KxMake<FilledBuffer>(fdtBool, TBytes{1});
    {
        const LocaleScope german(QLocale(QLocale::German, QLocale::Germany));
        number->ClearDisplayCache();
        EXPECT_EQ(number->GetDisplayText(), QStringLiteral("1,5"));
    }
    const LocaleScope english(QLocale(QLocale::English, QLocale::UnitedStates));
    number->ClearDisplayCache();
    EXPECT_EQ(number->GetDisplayText(), QStringLiteral("1.5"));
    EXPECT_EQ(truth->GetDisplayText(), QStringLiteral("True"));
    // A double shows every digit it holds, and no digit it does not.
    number->SetValue(KxVariant(3.141592653589793));
    EXPECT_EQ(number->GetDisplayText(), QStringLiteral("3.141592653589793"));
    number->SetValue(KxVariant(0.1));
    EXPECT_EQ(number->GetDisplayText(), QStringLiteral("0.1"));
    number->SetValue(KxVariant(0.1 + 0.2));
    EXPECT_EQ(KxFieldValueFromText(number->GetDisplayText(), fdtDouble).ToDouble(), 0.1 + 0.2)
        << "the text reads back as the same value";
}

// ---- Texts typed by the user

TEST(FieldValueTextTest, TypedTextBecomesTheValueOfTheKind) {
    const LocaleScope german(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_TRUE(KxFieldValueFromText(QString(), fdtString).IsNull());
    EXPECT_TRUE(KxFieldValueFromText(QString(), fdtInt32).IsNull());
    for (const char* yes : {"true", "1", "wahr", "yes", "si", "Q"})
        EXPECT_TRUE(KxFieldValueFromText(QString::fromLatin1(yes), fdtBool).ToBool()) << yes;
    for (const char* no : {"false", "nein", "0", "x", "ja"})
        EXPECT_FALSE(KxFieldValueFromText(QString::fromLatin1(no), fdtBool).ToBool()) << no;
    EXPECT_EQ(KxFieldValueFromText(QStringLiteral("1,5"), fdtDouble), KxVariant(1.5));
    EXPECT_EQ(KxFieldValueFromText(QStringLiteral("5000000000"), fdtInt64).ToInt64(), 5000000000);
    EXPECT_EQ(KxFieldValueFromText(QStringLiteral("18446744073709551615"), fdtUInt64).ToUInt64(),
              18446744073709551615ull);
    EXPECT_EQ(KxFieldValueFromText(QStringLiteral("Grüße"), fdtWideString),
              KxVariant(QStringLiteral("Grüße")));
    EXPECT_EQ(KxFieldValueFromText(QStringLiteral("15.03.23"), fdtDate).ToDouble(), 45000.0);
    EXPECT_EQ(KxFieldValueFromText(QStringLiteral("18:00:00"), fdtTime).ToDouble(), 0.75);
    EXPECT_EQ(KxFieldValueFromText(QStringLiteral("15.03.23 18:00:00"), fdtDateTime).ToDouble(),
              45000.75);

    EXPECT_NE(ErrorOf([] { KxFieldValueFromText(QStringLiteral("1.5.x"), fdtDouble); }),
              QStringLiteral("<no error>"));
    EXPECT_NE(ErrorOf([] { KxFieldValueFromText(QStringLiteral("zwölf"), fdtInt32); }),
              QStringLiteral("<no error>"));
    EXPECT_EQ(ErrorOf([] { KxFieldValueFromText(QStringLiteral("ab"), fdtBinary); }),
              QStringLiteral("Unsupported value (19) for \"TKxFieldDataType\""));
}

TEST(FieldValueTextTest, EnglishTextsParseTheEnglishWay) {
    const LocaleScope english(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ(KxFieldValueFromText(QStringLiteral("1.5"), fdtNumeric), KxVariant(1.5));
    EXPECT_EQ(KxFieldValueFromText(QStringLiteral("3/15/23"), fdtDate).ToDouble(), 45000.0);
    EXPECT_EQ(KxFieldValueFromText(QStringLiteral("6:00:00 PM"), fdtTime).ToDouble(), 0.75);
}

TEST(FieldValueTextTest, SearchTextsKeepOnlyTheDigitsOfIntegers) {
    EXPECT_EQ(ConvertStringToFieldType(QStringLiteral("  -1a2 b3"), fdtInt32).ToInt64(), -123);
    EXPECT_EQ(ConvertStringToFieldType(QStringLiteral("no. 42"), fdtUInt16).ToInt64(), 42);
    EXPECT_EQ(ConvertStringToFieldType(QStringLiteral("none"), fdtInt64).ToInt64(), 0);
    EXPECT_EQ(ConvertStringToFieldType(QStringLiteral("a-5"), fdtInt8).ToInt64(), 5);
    EXPECT_EQ(ConvertStringToFieldType(QStringLiteral("x"), fdtWideString),
              KxVariant(QStringLiteral("x")));
    EXPECT_EQ(ErrorOf([] { ConvertStringToFieldType(QStringLiteral("x"), fdtMemo); }),
              QStringLiteral("Unsupported value (17) for \"TKxFieldDataType\""));
}

TEST(FieldDataTypeTest, WidthsAndLengthsStayWithinTheirBounds) {
    EXPECT_EQ(KxDefaultColumnWidth(fdtInt8, 0), 20); // 18 pixels raised to the minimum
    EXPECT_EQ(KxDefaultColumnWidth(fdtInt32, 0), 60);
    EXPECT_EQ(KxDefaultColumnWidth(fdtString, 255), 180); // capped
    EXPECT_EQ(KxDefaultColumnWidth(fdtString, 0), 180);   // 30 characters when unknown
    EXPECT_EQ(KxDefaultColumnWidth(fdtWideString, 10), 30);
    EXPECT_EQ(KxDefaultColumnWidth(42, 0), 48);
    EXPECT_EQ(KxDisplayLength(fdtBool, 0), 20);
    EXPECT_EQ(KxDisplayLength(fdtDateTime, 0), 30);
    EXPECT_EQ(KxDisplayLength(fdtString, 1000), 180);
    EXPECT_EQ(KxDisplayLength(fdtWideString, 100), 50);
    EXPECT_EQ(KxFieldDataTypeDisplayName(fdtWideMemo), QStringLiteral("Wide Memo"));
    EXPECT_EQ(KxFieldDataTypeDisplayName(21), QString());
}

} // namespace
