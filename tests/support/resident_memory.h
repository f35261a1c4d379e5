#pragma once

#include <QFile>
#include <unistd.h>

namespace kx::test {

// Resident set size of this process in bytes; -1 without /proc/self/statm. (The address
// sanitizer keeps freed memory in quarantine: under it resident size says nothing.)
inline qint64 ResidentBytes() {
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return -1;
    return statm.readAll().split(' ').value(1).toLongLong() * sysconf(_SC_PAGESIZE);
}

} // namespace kx::test
