#pragma once

#include "foundation/ini_document.h"
#include "foundation/storage_base.h"

#include <QObject>
#include <memory>

namespace kx {

// The settings store as an INI file: one section per key, named by its full key
// («HKEY_CURRENT_USER\Software\…\GeneralSettings»), one "name=value" line per value.
//
// The file is read once when its name is set. Changes are written back atomically (a
// temporary file renamed into place, mode 0600 because it holds enciphered passwords) at the
// end of the current event-loop turn, so a burst of writes costs one save; without an event
// loop, and when the store is destroyed, they are written at once. A file that cannot be
// written is reported once, as a warning (again only after a save in between succeeded), and
// the program goes on with the values in memory, which the next save that succeeds writes. A
// file that exists but cannot be read is never overwritten.
//
// A save does not write this process's picture of the file: it reads the file again and
// carries only the values this process changed into it (see TKxIniDocument::MergeChanges),
// so what a second running instance saved, or a hand edit made meanwhile, stays. A lock
// file beside it keeps two instances from merging into the same old version at once.
class TKxIniFileStorage : public TKxStorageBase {
public:
    TKxIniFileStorage();
    ~TKxIniFileStorage() override;

    QString FileName() const { return m_fileName; }
    // Reads the file (a missing one is an empty store).
    void SetFileName(const QString& fileName);

    // Writes pending changes now; answers false when the file could not be written.
    bool Flush();
    bool HasPendingChanges() const { return m_dirty; }

protected:
    bool KeyOpen(const QString& fullKey, bool create) override;
    bool KeyExists(const QString& fullKey) override;
    QStringList SubKeyNames(const QString& fullKey) override;
    QStringList ValueNames(const QString& fullKey) override;
    std::optional<QString> ReadValue(const QString& fullKey, const QString& name) override;
    void WriteValue(const QString& fullKey, const QString& name, const QString& value) override;
    bool RemoveValue(const QString& fullKey, const QString& name) override;
    bool RemoveKey(const QString& fullKey) override;

private:
    void Changed();
    void ReportWriteFailure(const QString& reason);
    // Shows a warning once per file, so a read-only file does not nag at every write.
    void ReportProblem(const QString& text);

    QString m_fileName;
    TKxIniDocument m_document;
    // The file as this process last read or wrote it: what m_document is compared with to
    // find the values changed here.
    TKxIniDocument m_saved;
    bool m_dirty = false;
    bool m_saveQueued = false;
    bool m_readFailed = false;
    bool m_problemReported = false;
    // Context of the queued save: destroyed with the store, which drops a pending call.
    std::unique_ptr<QObject> m_saveContext;
};

} // namespace kx
