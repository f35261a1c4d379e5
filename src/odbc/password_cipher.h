#pragma once

#include "foundation/kx_guid.h"

#include <QByteArray>
#include <QString>

namespace kx {

// Stored connection passwords are RC4-enciphered with the MD5 digest of the machine's GUID
// (its 16 bytes in memory layout) as the key, so a settings file copied to another machine
// does not reveal them. The byte format is fixed: settings files written elsewhere must
// read back.

// The GUID used when the machine has no readable identity.
inline constexpr KxGuid kxBuiltInMachineGuid{
    0x5E2A9C71, 0x3D84, 0x4F0B, {0x8A, 0x6E, 0xC1, 0xB4, 0x7D, 0x29, 0xF0, 0x63}};

// The machine's identity: the 32 hex digits of /etc/machine-id (or
// /var/lib/dbus/machine-id) read as a GUID, else the built-in GUID.
KxGuid KxMachineGuid();
// Parses 32 hex digits, with or without braces, dashes and surrounding blanks or quotes.
bool KxParseGuid(const QString& text, KxGuid& guid);

// The 16-byte RC4 key for a machine GUID.
QByteArray KxPasswordKey(const KxGuid& machineGuid);

// RC4 over `data` with `key` (the same call enciphers and deciphers).
QByteArray KxRc4(const QByteArray& key, const QByteArray& data);

// The password's UTF-8 bytes, enciphered; empty for an empty password.
QByteArray KxEncipherPassword(const QString& password, const KxGuid& machineGuid = KxMachineGuid());
// The password, or an empty text when the bytes do not decipher to a plausible password
// (written on another machine): a wrong key yields noise, which must never reach a server.
QString KxDecipherPassword(const QByteArray& stored, const KxGuid& machineGuid = KxMachineGuid());

} // namespace kx
