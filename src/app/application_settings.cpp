#include "app/application_settings.h"

#include <QDir>
#include <algorithm>
#include <memory>

namespace kx {
namespace {

QString DefaultSettingsFileName() {
    QString configHome = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (configHome.isEmpty())
        configHome = QDir::homePath() + QStringLiteral("/.config");
    return QDir(configHome).filePath(QStringLiteral("kxquerolt/KxQuerolt.PRS"));
}

struct ApplicationStoreSlot {
    QString fileName;
    std::unique_ptr<TKxPersistentData> store;
};

ApplicationStoreSlot& Slot() {
    static ApplicationStoreSlot slot;
    return slot;
}

} // namespace

QString KxSettingsFileName(const QStringList& arguments) {
    const QString option = QStringLiteral("--settings");
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        if (arguments[i] == option && i + 1 < arguments.size())
            return arguments[i + 1];
        if (arguments[i].startsWith(option + QLatin1Char('=')))
            return arguments[i].mid(option.size() + 1);
    }
    const QString fromEnvironment = qEnvironmentVariable(kxSettingsFileVariable);
    return fromEnvironment.isEmpty() ? DefaultSettingsFileName() : fromEnvironment;
}

void KxConfigureApplicationStore(TKxPersistentData& store, const QString& fileName) {
    store.SetStorageType(stIniFile);
    store.SetBaseKey(QString::fromLatin1(kxSettingsBaseKey));
    store.SetUseRootKey(true);
    store.SetFileName(fileName);

    const QString mainWindow = QStringLiteral("MainWindow");
    const QString general = QStringLiteral("GeneralSettings");
    const QString desktop = QStringLiteral("CurrentDesktop");
    store.DefineValue(sidSplitRatio, mainWindow, KxVariant(0.5), QStringLiteral("SplitRatio"));
    store.DefineValue(sidCurrentStmtBkgndColor, mainWindow, KxVariant(0xF0F0F0),
                      QStringLiteral("CurrentStmtBkgndColor"));
    store.DefineValue(sidDirectiveComment, general, KxVariant(false),
                      QStringLiteral("DirectiveComment"));
    store.DefineValue(sidErrorAction, general, KxVariant(1), QStringLiteral("ErrorAction"));
    store.DefineValue(sidLogAttributes, general, KxVariant(126), QStringLiteral("LogAttributes"));
    store.DefineValue(sidSQLActive, general, KxVariant(false), QStringLiteral("SQLActive"));
    store.DefineValue(sidDataGridEvenRowColor, general, KxVariant(0xFFF0E6),
                      QStringLiteral("DataGridEvenRowColor"));
    store.DefineValue(sidCurrentConnectionName, general, KxVariant(QString()),
                      QStringLiteral("CurrentConnectionName"));
    store.DefineValue(sidCurrentSQLStatement, desktop, KxVariant(QString()),
                      QStringLiteral("CurrentSQLStatement"));
    store.DefineValue(sidCurrentScriptFileName, desktop, KxVariant(QString()),
                      QStringLiteral("CurrentScriptFileName"));
    store.DefineValue(sidSkipRSPropDlg, QStringLiteral("DefaultRSProperties"), KxVariant(false),
                      QStringLiteral("SkipRSPropDlg"));
}

void KxSetApplicationStoreFileName(const QString& fileName) {
    Slot().fileName = fileName;
}

TKxPersistentData& KxApplicationStore() {
    ApplicationStoreSlot& slot = Slot();
    if (!slot.store) {
        slot.store = std::make_unique<TKxPersistentData>();
        slot.store->SetName(QStringLiteral("PersistentData"));
        KxConfigureApplicationStore(*slot.store, slot.fileName.isEmpty() ? DefaultSettingsFileName()
                                                                         : slot.fileName);
    }
    return *slot.store;
}

void KxReleaseApplicationStore() {
    ApplicationStoreSlot& slot = Slot();
    if (slot.store)
        slot.store->Flush();
    slot.store.reset();
}

int KxReadErrorAction(TKxPersistentData& store) {
    return std::clamp(store.ReadValue(sidErrorAction).ToInt(), 0, 2);
}

int KxReadLogAttributes(TKxPersistentData& store) {
    return store.ReadValue(sidLogAttributes).ToInt() & 0x7F;
}

bool KxReadDirectiveComment(TKxPersistentData& store) {
    return store.ReadValue(sidDirectiveComment).ToBool();
}

TKxStringHistory KxRecentScriptFiles(TKxPersistentData& store) {
    return TKxStringHistory(&store, QStringLiteral("RecentScriptFiles"),
                            QStringLiteral("ScriptFile"), 30);
}

} // namespace kx
