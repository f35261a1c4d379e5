#pragma once

#include <QString>
#include <QStringList>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <vector>

namespace kx::test {

// A full disk without a full disk: lowers this process's file-size limit, so every write
// that would take a regular file past `bytes` fails with EFBIG ("File too large"), as a
// write to a full disk fails with ENOSPC. SIGXFSZ, which would otherwise end the process, is
// ignored meanwhile. Both come back when the scope ends, also when an assertion returns early.
class FileSizeLimitScope {
public:
    explicit FileSizeLimitScope(rlim_t bytes);
    ~FileSizeLimitScope();
    FileSizeLimitScope(const FileSizeLimitScope&) = delete;
    FileSizeLimitScope& operator=(const FileSizeLimitScope&) = delete;

private:
    rlimit m_previousLimit{};
    struct sigaction m_previousAction {};
    bool m_active = false;
};

// Takes write permission away from a folder and the files in it (they stay readable): the
// folder becomes 0555, its files 0444. Root writes regardless of modes, so when the tests run
// as root the real and effective user become "nobody" for the scope's lifetime; the saved
// user stays root, which is what allows going back. The folder and the folders above it must let
// others in (0755); the scope fails the test when nobody cannot reach the files.
class WriteProtectionScope {
public:
    explicit WriteProtectionScope(const QString& folder);
    ~WriteProtectionScope();
    WriteProtectionScope(const WriteProtectionScope&) = delete;
    WriteProtectionScope& operator=(const WriteProtectionScope&) = delete;

    // The effective user was switched: the folder is writable for nobody at all.
    bool SwitchedUser() const { return m_switchedUser; }

private:
    struct Mode {
        QString path;
        mode_t mode;
    };
    std::vector<Mode> m_modes;
    bool m_switchedUser = false;
};

// Lets everybody into a test's temporary folder (QTemporaryDir makes it 0700), so that a
// WriteProtectionScope's user can read the files in it.
void OpenToOthers(const QString& folder);

// The names of everything in a folder, hidden entries included, sorted: what a failed save
// must not have added to it.
QStringList FolderEntries(const QString& folder);

} // namespace kx::test
