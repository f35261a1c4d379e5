#include "odbc/password_cipher.h"

#include <gtest/gtest.h>

namespace {

using namespace kx;

TEST(PasswordCipherTest, KeyAndCipherMatchTheStoredFormat) {
    // MD5 over the GUID's 16 bytes in memory layout (first three fields little-endian).
    EXPECT_EQ(KxPasswordKey(kxBuiltInMachineGuid).toHex().toUpper(),
              QByteArray("E0B3D2138E71C9D8E9E599AE16625E2B"));
    EXPECT_EQ(KxRc4("Key", "Plaintext").toHex().toUpper(), QByteArray("BBF316E8D940AF0AD3"));
    EXPECT_EQ(KxEncipherPassword(QStringLiteral("geheim"), kxBuiltInMachineGuid).toHex().toUpper(),
              QByteArray("9B9928EAC3D3"));
}

TEST(PasswordCipherTest, PasswordsRoundTripAndForeignOnesReadAsEmpty) {
    const KxGuid here = KxMachineGuid();
    for (const QString& password :
         {QStringLiteral("s3cret!"), QStringLiteral("Pässwörd €"), QString()}) {
        const QByteArray stored = KxEncipherPassword(password, here);
        EXPECT_EQ(stored.isEmpty(), password.isEmpty());
        if (!password.isEmpty()) {
            EXPECT_NE(stored, password.toUtf8());
        }
        EXPECT_EQ(KxDecipherPassword(stored, here), password);
    }
    KxGuid elsewhere = here;
    elsewhere.Data1 ^= 0x5A5A5A5A;
    int garbage = 0;
    for (int i = 0; i < 50; ++i) {
        const QString password = QStringLiteral("password-%1-long-enough").arg(i);
        if (!KxDecipherPassword(KxEncipherPassword(password, elsewhere), here).isEmpty())
            ++garbage;
    }
    EXPECT_EQ(garbage, 0) << "a password from another machine must not come back as noise";
}

TEST(PasswordCipherTest, MachineIdsParseAsGuids) {
    KxGuid guid;
    ASSERT_TRUE(KxParseGuid(QStringLiteral("3d1219c7c4c5404aaa1f6d2a48adfda4\n"), guid));
    EXPECT_EQ(guid.ToString(), QStringLiteral("{3D1219C7-C4C5-404A-AA1F-6D2A48ADFDA4}"));
    ASSERT_TRUE(KxParseGuid(QStringLiteral(" {5E2A9C71-3D84-4F0B-8A6E-C1B47D29F063} "), guid));
    EXPECT_EQ(guid, kxBuiltInMachineGuid);
    EXPECT_FALSE(KxParseGuid(QStringLiteral("not a guid"), guid));
    EXPECT_FALSE(KxParseGuid(QStringLiteral("3d1219c7c4c5404aaa1f6d2a48adfdzz"), guid));
}

} // namespace
