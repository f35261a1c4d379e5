#include "support/file_fault_scopes.h"

#include <QDir>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>
#include <unistd.h>

namespace kx::test {
namespace {

// The unprivileged user of every Linux system.
constexpr uid_t kNobody = 65534;

mode_t ModeOf(const QString& path) {
    struct stat info {};
    if (stat(QFile::encodeName(path).constData(), &info) != 0) {
        ADD_FAILURE() << "cannot stat " << path.toStdString() << ": " << std::strerror(errno);
        return 0;
    }
    return info.st_mode & 07777;
}

void SetMode(const QString& path, mode_t mode) {
    if (chmod(QFile::encodeName(path).constData(), mode) != 0)
        ADD_FAILURE() << "cannot chmod " << path.toStdString() << ": " << std::strerror(errno);
}

} // namespace

FileSizeLimitScope::FileSizeLimitScope(rlim_t bytes) {
    if (getrlimit(RLIMIT_FSIZE, &m_previousLimit) != 0) {
        ADD_FAILURE() << "getrlimit: " << std::strerror(errno);
        return;
    }
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGXFSZ, &ignore, &m_previousAction);
    rlimit lowered = m_previousLimit;
    lowered.rlim_cur = bytes; // the soft limit only: raising it again needs no privilege
    if (setrlimit(RLIMIT_FSIZE, &lowered) != 0) {
        ADD_FAILURE() << "setrlimit: " << std::strerror(errno);
        sigaction(SIGXFSZ, &m_previousAction, nullptr);
        return;
    }
    m_active = true;
}

FileSizeLimitScope::~FileSizeLimitScope() {
    if (!m_active)
        return;
    if (setrlimit(RLIMIT_FSIZE, &m_previousLimit) != 0)
        ADD_FAILURE() << "the file-size limit could not be restored: " << std::strerror(errno);
    sigaction(SIGXFSZ, &m_previousAction, nullptr);
}

WriteProtectionScope::WriteProtectionScope(const QString& folder) {
    m_modes.push_back({folder, ModeOf(folder)});
    const QFileInfoList files = QDir(folder).entryInfoList(QDir::Files | QDir::Hidden);
    for (const QFileInfo& file : files)
        m_modes.push_back({file.filePath(), ModeOf(file.filePath())});
    SetMode(folder, 0555);
    for (std::size_t i = 1; i < m_modes.size(); ++i)
        SetMode(m_modes[i].path, 0444);
    if (geteuid() != 0)
        return;
    // The real user too: Qt asks access(), which answers for the real user, whether a file
    // may be written. The saved user stays root, so the scope can switch back.
    if (setresuid(kNobody, kNobody, 0) != 0) {
        ADD_FAILURE() << "setresuid(nobody): " << std::strerror(errno);
        return;
    }
    m_switchedUser = true;
    if (access(QFile::encodeName(folder).constData(), R_OK | X_OK) != 0)
        ADD_FAILURE() << "nobody cannot reach " << folder.toStdString()
                      << ": the folders above it must be open to others (OpenToOthers)";
}

WriteProtectionScope::~WriteProtectionScope() {
    if (m_switchedUser && setresuid(0, 0, 0) != 0) {
        // Nothing after this can put the modes back; the rest of the run would be wrong.
        ADD_FAILURE() << "setresuid(root): " << std::strerror(errno);
        std::abort();
    }
    for (const Mode& mode : m_modes)
        SetMode(mode.path, mode.mode);
}

void OpenToOthers(const QString& folder) {
    SetMode(folder, 0755);
}

QStringList FolderEntries(const QString& folder) {
    return QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

} // namespace kx::test
