#include "foundation/exception_information.h"
#include "foundation/exceptions.h"
#include "foundation/interfaced_object.h"
#include "foundation/trace.h"

#include <QStringList>
#include <gtest/gtest.h>
#include <stdexcept>

namespace {

using namespace kx;

// Runs `action`, expects an EKxException and hands it to `check`.
template <class Action, class Check> void ExpectRaises(Action action, Check check) {
    try {
        action();
        ADD_FAILURE() << "no exception raised";
    } catch (const EKxException& e) {
        check(e);
    }
}

class TNamedThing : public TKxInterfacedObject, public virtual IKxGetName {
public:
    TNamedThing() : TKxInterfacedObject(TKxLifetime::OwnerOwned) {}
    QString GetName() const override { return QStringLiteral("Orders"); }
};

class TListThing : public TKxInterfacedObject, public virtual IKxGetItemByIndex {
public:
    TListThing() : TKxInterfacedObject(TKxLifetime::OwnerOwned) {}
    KxHResult GetItemByIndex(int index, KxIntf<IKxUnknown>& item) override {
        if (index != 0)
            return hr::E_InvalidArg;
        item = KxIntf<IKxUnknown>(&m_item);
        return hr::S_Ok;
    }
    TNamedThing m_item;
};

TEST(CheckRoutinesTest, IntRangeNamesValueTypeAndRoutine) {
    ExpectRaises(
        [] {
            KxCheckIntRange(QStringLiteral("TKxSchemaList"), 12, 0, QStringLiteral("SetSchemaList"),
                            nullptr, 11);
        },
        [](const EKxException& e) {
            EXPECT_EQ(e.GetMessage(),
                      QStringLiteral("Unsupported value (12) for \"TKxSchemaList\""));
            EXPECT_EQ(e.GetRoutineName(), QStringLiteral("SetSchemaList"));
            EXPECT_EQ(e.GetSeverityLevel(), svError);
            EXPECT_EQ(e.GetObjectName(), QStringLiteral("<nil>"));
            EXPECT_EQ(e.GetObjectClassName(), QStringLiteral("<nil>"));
        });
    ExpectRaises([] { KxCheckIntRange(QStringLiteral("T"), -1, 0, {}, nullptr, 11); },
                 [](const EKxException& e) {
                     EXPECT_EQ(e.GetRoutineName(), QStringLiteral("KxCheckIntRange"));
                 });
    EXPECT_NO_THROW(KxCheckIntRange(QStringLiteral("T"), 0, 0, {}, nullptr, 0));
}

TEST(CheckRoutinesTest, PointerAndInterfaceChecksDescribeTheObject) {
    TNamedThing thing;
    ExpectRaises(
        [] {
            KxCheckPointer(nullptr, QStringLiteral("Connection"), nullptr, QStringLiteral("Open"));
        },
        [](const EKxException& e) {
            EXPECT_EQ(e.GetMessage(), QStringLiteral("Connection Pointer is nil"));
            EXPECT_EQ(e.GetRoutineName(), QStringLiteral("Open"));
        });
    ExpectRaises([&] { KxCheckGetInterface<IKxGetCount>(&thing, QStringLiteral("Count")); },
                 [](const EKxException& e) {
                     EXPECT_EQ(e.GetMessage(),
                               QStringLiteral("The Object doesn't support the Interface: ") +
                                   IKxGetCount::IID.ToString());
                     EXPECT_EQ(e.GetObjectName(), QStringLiteral("Orders"));
                     EXPECT_EQ(e.GetObjectClassName(), QStringLiteral("TNamedThing"));
                 });
    // The interface form cannot know the class: it says so.
    ExpectRaises([&] { KxCheckQueryInterface<IKxGetCount>(&thing); },
                 [](const EKxException& e) {
                     EXPECT_EQ(e.GetObjectClassName(), QStringLiteral("<Interface>"));
                     EXPECT_EQ(e.GetRoutineName(), QStringLiteral("KxCheckQueryInterface"));
                 });
    ExpectRaises([] { KxCheckQueryInterface<IKxGetCount>(nullptr); },
                 [](const EKxException& e) {
                     EXPECT_EQ(e.GetMessage(), QStringLiteral("The Object Pointer is nil"));
                 });
    EXPECT_EQ(KxCheckGetInterface<IKxGetName>(&thing)->GetName(), QStringLiteral("Orders"));
}

TEST(CheckRoutinesTest, GetItemByIndexReportsListFailuresAndMissingInterfaces) {
    TListThing list;
    EXPECT_EQ(KxCheckGetItemByIndex<IKxGetName>(&list, 0)->GetName(), QStringLiteral("Orders"));
    const QString prefix = QStringLiteral("Unable to get interface %1 for item \"%2\": ");
    try {
        KxCheckGetItemByIndex<IKxGetName>(&list, 3, QStringLiteral("Fields"));
        ADD_FAILURE();
    } catch (const EHrException& e) {
        EXPECT_EQ(e.GetHRCode(), hr::E_InvalidArg);
        EXPECT_EQ(e.GetMessage(), prefix.arg(IKxGetName::IID.ToString()).arg(3) +
                                      QStringLiteral("The parameter is incorrect."));
        EXPECT_EQ(e.GetRoutineName(), QStringLiteral("Fields"));
    }
    try {
        KxCheckGetItemByIndex<IKxGetCount>(&list, 0);
        ADD_FAILURE();
    } catch (const EHrException& e) {
        EXPECT_EQ(e.GetHRCode(), hr::E_NoInterface);
        EXPECT_TRUE(e.GetMessage().endsWith(QStringLiteral("No such interface supported")));
    }
}

TEST(CheckRoutinesTest, FindOwnerWalksUpTheOwnerChain) {
    struct TRoot : QObject {};
    QObject middle;
    TRoot root;
    middle.setParent(&root);
    QObject leaf(&middle);
    leaf.setObjectName(QStringLiteral("Leaf"));
    EXPECT_EQ(KxCheckFindOwner<TRoot>(&leaf), &root);
    EXPECT_EQ(KxCheckFindOwner<QObject>(&leaf), &leaf);
    ExpectRaises([&] { KxCheckFindOwner<TNamedThing>(&leaf); },
                 [](const EKxException& e) {
                     EXPECT_EQ(
                         e.GetMessage(),
                         QStringLiteral("No owner Component with class \"TNamedThing\" found"));
                     EXPECT_EQ(e.GetRoutineName(), QStringLiteral("KxCheckFindOwner"));
                     EXPECT_EQ(e.GetObjectName(), QStringLiteral("Leaf"));
                 });
    middle.setParent(nullptr);
}

TEST(HrExceptionTest, KnownAndUnknownCodes) {
    const EHrException known(hr::E_NoInterface, QStringLiteral("Query: "));
    EXPECT_EQ(known.GetMessage(), QStringLiteral("Query: No such interface supported"));
    EXPECT_EQ(known.GetSeverityLevel(), svError);

    const EHrException unknown(static_cast<KxHResult>(0x80041234u));
    EXPECT_EQ(unknown.GetMessage(),
              QStringLiteral("HResult Error, Code Hex: 80041234,  Code Dez: -2147216844"));
    const EHrException success(7);
    EXPECT_EQ(success.GetMessage(), QStringLiteral("HResult Error, Code Hex: 7,  Code Dez: 7"));
    EXPECT_EQ(success.GetSeverityLevel(), svInformation);

    EXPECT_TRUE(KxCheckHR(hr::S_False, nullptr));
    EXPECT_THROW(KxCheckHR(hr::S_False, nullptr, {}, 0, true), EHrException);
    try {
        KxCheckHR(hr::E_Fail, nullptr);
        ADD_FAILURE();
    } catch (const EHrException& e) {
        EXPECT_EQ(e.GetRoutineName(), QStringLiteral("KxCheckHR"));
    }
}

TEST(ExceptionToHrTest, UsesTheCarriedCodeAndTracesCompactly) {
    QStringList traced;
    KxSetTraceRoutine([&](const QString& text, TKxTraceCategory category) {
        if (category == TKxTraceCategory::Exception)
            traced.append(text);
    });
    KxSetTraceActiveQuery([] { return true; });

    EXPECT_EQ(KxExceptionToHR(EHrException(hr::STG_E_InvalidFunction), hr::E_Unexpected),
              hr::STG_E_InvalidFunction);
    EXPECT_EQ(
        KxExceptionToHR(EKxException(QStringLiteral("line one\r\nline two")), hr::E_Unexpected),
        hr::E_Unexpected);
    EXPECT_EQ(KxExceptionToHR(std::runtime_error("plain"), hr::E_Fail), hr::E_Fail);

    KxSetTraceRoutine({});
    KxSetTraceActiveQuery({});
    ASSERT_EQ(traced.size(), 3);
    EXPECT_EQ(traced[1], QStringLiteral("EKxException: line one line two"));
    EXPECT_EQ(traced[2], QStringLiteral("runtime_error: plain"));
}

TEST(ExceptionInformationTest, SnapshotsOwnAndForeignExceptions) {
    TNamedThing thing;
    KxIntf<IKxExceptionInformation> info;
    try {
        throw EKxException(QStringLiteral("boom"), QStringLiteral("TKxThing.Run"), &thing,
                           svWarning, 42);
    } catch (const EKxException& e) {
        info = KxMake<TKxExceptionInformation>(&e);
    }
    EXPECT_EQ(info->GetMessage(), QStringLiteral("boom"));
    EXPECT_EQ(info->GetExceptionClassName(), QStringLiteral("EKxException"));
    EXPECT_EQ(info->GetObjectName(), QStringLiteral("Orders"));
    EXPECT_EQ(info->GetObjectClassName(), QStringLiteral("TNamedThing"));
    EXPECT_EQ(info->GetRoutineName(), QStringLiteral("TKxThing.Run"));
    EXPECT_EQ(info->GetSeverityLevel(), svWarning);
    EXPECT_EQ(info->GetHelpContext(), 42);

    const std::out_of_range foreign("index 9");
    auto other = KxMake<TKxExceptionInformation>(&foreign);
    EXPECT_EQ(other->GetMessage(), QStringLiteral("index 9"));
    EXPECT_EQ(other->GetExceptionClassName(), QStringLiteral("out_of_range"));
    EXPECT_EQ(other->GetSeverityLevel(), svError);
    EXPECT_TRUE(other->GetObjectName().isEmpty());
    EXPECT_TRUE(other->GetRoutineName().isEmpty());

    auto none = KxMake<TKxExceptionInformation>();
    EXPECT_EQ(none->GetMessage(), QStringLiteral("No exception information assgined"));
}

TEST(ExceptionInformationTest, BuildsPlainAndDetailedTexts) {
    EXPECT_EQ(KxBuildExceptionText(nullptr, false),
              QStringLiteral("The Exception Information Object was nil"));
    const EKxException e(QStringLiteral("Table not found"), QStringLiteral("APIExecuteSQL"),
                         nullptr);
    auto info = KxMake<TKxExceptionInformation>(&e);
    EXPECT_EQ(KxBuildExceptionText(info.get(), false), QStringLiteral("Table not found"));

    const QString detailed = KxBuildExceptionText(info.get(), true);
    const QStringList lines = detailed.split(QStringLiteral("\r\n"));
    ASSERT_GE(lines.size(), 12);
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("Exeption in Application: FOUNDATION_TEST")));
    EXPECT_EQ(lines[2], QStringLiteral("Exception Class: EKxException"));
    EXPECT_EQ(lines[3], QStringLiteral("Severity Level: Error"));
    EXPECT_EQ(lines[4], QStringLiteral("Object Name: <nil>"));
    EXPECT_EQ(lines[6], QStringLiteral("Routine Name: APIExecuteSQL"));
    EXPECT_TRUE(lines[7].startsWith(QStringLiteral("Exception Address: $")));
    EXPECT_EQ(lines[9], QStringLiteral("Message:"));
    EXPECT_EQ(lines[10], QStringLiteral("---------------"));
    EXPECT_EQ(lines[11], QStringLiteral("Table not found"));
    EXPECT_TRUE(detailed.endsWith(QStringLiteral("Table not found\r\n\r\n")));

    const QString unknown = KxBuildExceptionText(KxMake<TKxExceptionInformation>().get(), true);
    EXPECT_TRUE(unknown.contains(QStringLiteral("Routine Name: ?\r\n")));
}

TEST(TextBuildersTest, ProduceTheStandardTexts) {
    EXPECT_EQ(KxUnknownValueText(7, QStringLiteral("TKxCursorType")),
              QStringLiteral("Unknown Value (7) for \"TKxCursorType\""));
    EXPECT_EQ(KxUnknownPropertyValueText(QStringLiteral("Mode"), 3),
              QStringLiteral("Unknown Value of Property \"Mode\", value: 3"));
    EXPECT_EQ(KxOperationNotSupportedText(9),
              QStringLiteral("Operation not supported, Ord(Operation): 9"));
    EXPECT_EQ(KxInvalidStateTransitionText(1, 3),
              QStringLiteral("Invalid State transition, Ord(OldState): 1, Ord(NewState): 3"));
    EXPECT_EQ(KxOutOfRangeText(QStringLiteral("List Index"), 5, 0, 4),
              QStringLiteral("List Index out of range: 5. The Value must be in Interval [0, 4]"));
    EXPECT_EQ(KxUnsupportedIndexTypeText(11),
              QStringLiteral("Unsupported Datatype used for indexing, vartype: 11"));
}

} // namespace
