#include "foundation/ini_file_storage.h"

#include "foundation/atomic_save.h"
#include "foundation/message_box.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QThread>

namespace kx {
namespace {

// How long a save waits for another instance that is saving the same file.
constexpr int kLockWaitMs = 2000;

QString Tr(const char* text) {
    return QCoreApplication::translate("KxFoundation", text);
}

bool OnEventLoopThread() {
    const QCoreApplication* app = QCoreApplication::instance();
    return app != nullptr && app->thread() == QThread::currentThread();
}

} // namespace

TKxIniFileStorage::TKxIniFileStorage() : m_saveContext(std::make_unique<QObject>()) {}

TKxIniFileStorage::~TKxIniFileStorage() {
    Flush();
}

void TKxIniFileStorage::SetFileName(const QString& fileName) {
    Flush();
    m_fileName = fileName;
    m_document = TKxIniDocument();
    m_saved = TKxIniDocument();
    m_dirty = false;
    m_readFailed = false;
    m_problemReported = false;

    QFile file(fileName);
    if (fileName.isEmpty() || !file.exists())
        return;
    if (!file.open(QIODevice::ReadOnly)) {
        m_readFailed = true;
        ReportProblem(Tr("The settings file \"%1\" cannot be read: %2\rSettings changed in "
                         "this run will not be saved.")
                          .arg(m_fileName, file.errorString()));
        return;
    }
    m_document = TKxIniDocument::Parse(file.readAll());
    m_saved = m_document;
}

bool TKxIniFileStorage::Flush() {
    if (!m_dirty || m_fileName.isEmpty())
        return true;
    if (m_readFailed)
        return false; // its content was never seen, so writing would destroy it

    QDir().mkpath(QFileInfo(m_fileName).absolutePath());
    // A lock that cannot be had (a read-only folder, a holder that hangs) does not stop the
    // save: the merge still keeps every value this process did not change.
    QLockFile lock(m_fileName + QStringLiteral(".lock"));
    lock.tryLock(kLockWaitMs);

    TKxIniDocument onDisk;
    QFile current(m_fileName);
    if (current.exists()) {
        if (!current.open(QIODevice::ReadOnly)) {
            ReportWriteFailure(current.errorString());
            return false;
        }
        onDisk = TKxIniDocument::Parse(current.readAll());
        current.close();
    }
    if (onDisk.MergeChanges(m_saved, m_document) > 0) {
        // Private: the file holds enciphered passwords.
        if (const std::optional<QString> reason = KxTrySaveFile(
                m_fileName, onDisk.Serialize(), QFileDevice::ReadOwner | QFileDevice::WriteOwner)) {
            ReportWriteFailure(*reason);
            return false;
        }
    }
    // A later failure is news again: the user was told the first one had gone away.
    m_problemReported = false;
    // From here on this process sees what the others saved as well.
    m_document = onDisk;
    m_saved = std::move(onDisk);
    m_dirty = false;
    return true;
}

void TKxIniFileStorage::ReportWriteFailure(const QString& reason) {
    ReportProblem(Tr("The settings file \"%1\" cannot be saved: %2\rChanged settings are kept "
                     "until the program ends.")
                      .arg(m_fileName, reason));
}

void TKxIniFileStorage::ReportProblem(const QString& text) {
    if (m_problemReported)
        return;
    m_problemReported = true;
    KxMessageBox(text, svWarning, mb::Ok);
}

void TKxIniFileStorage::Changed() {
    m_dirty = true;
    if (!OnEventLoopThread()) {
        Flush();
        return;
    }
    if (m_saveQueued)
        return;
    m_saveQueued = true;
    QMetaObject::invokeMethod(
        m_saveContext.get(),
        [this] {
            m_saveQueued = false;
            Flush();
        },
        Qt::QueuedConnection);
}

bool TKxIniFileStorage::KeyOpen(const QString& fullKey, bool create) {
    // Sections come into being when a value is written, so creating always succeeds.
    return create || m_document.KeyExists(fullKey);
}

bool TKxIniFileStorage::KeyExists(const QString& fullKey) {
    return m_document.KeyExists(fullKey);
}

QStringList TKxIniFileStorage::SubKeyNames(const QString& fullKey) {
    return m_document.SubKeyNames(fullKey);
}

QStringList TKxIniFileStorage::ValueNames(const QString& fullKey) {
    return m_document.ValueNames(fullKey);
}

std::optional<QString> TKxIniFileStorage::ReadValue(const QString& fullKey, const QString& name) {
    return m_document.Value(fullKey, name);
}

void TKxIniFileStorage::WriteValue(const QString& fullKey, const QString& name,
                                   const QString& value) {
    if (m_document.Value(fullKey, name) == value)
        return;
    m_document.SetValue(fullKey, name, value);
    Changed();
}

bool TKxIniFileStorage::RemoveValue(const QString& fullKey, const QString& name) {
    if (!m_document.RemoveValue(fullKey, name))
        return false;
    Changed();
    return true;
}

bool TKxIniFileStorage::RemoveKey(const QString& fullKey) {
    if (!m_document.RemoveKey(fullKey))
        return false;
    Changed();
    return true;
}

} // namespace kx
