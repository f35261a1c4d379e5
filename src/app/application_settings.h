#pragma once

#include "foundation/persistent_data.h"
#include "foundation/string_history.h"

#include <QStringList>

namespace kx {

// Ids of the program's declared settings.
enum TKxSettingId : int {
    sidSplitRatio = 1,
    sidCurrentStmtBkgndColor,
    sidDirectiveComment,
    sidErrorAction,
    sidLogAttributes,
    sidSQLActive,
    sidDataGridEvenRowColor,
    sidCurrentConnectionName,
    sidCurrentSQLStatement,
    sidCurrentScriptFileName,
    sidSkipRSPropDlg,
};

// Every section of the settings file is named «HKEY_CURRENT_USER» + this + "\" + key.
inline constexpr const char* kxSettingsBaseKey = "\\Software\\Kx-Software\\Kx - Querolt";
inline constexpr const char* kxSettingsFileVariable = "KX_SETTINGS_FILE";

// Where the settings file is: the value of "--settings FILE" (or "--settings=FILE") among
// the arguments, else $KX_SETTINGS_FILE, else $XDG_CONFIG_HOME/kxquerolt/KxQuerolt.PRS
// (~/.config when XDG_CONFIG_HOME is not set).
QString KxSettingsFileName(const QStringList& arguments);

// Sets up a store as the program's: INI file, root and base key, and every declared value.
void KxConfigureApplicationStore(TKxPersistentData& store, const QString& fileName);

// The application's store, created on first use with the file name given beforehand (the
// default place when none was given) and kept until KxReleaseApplicationStore.
void KxSetApplicationStoreFileName(const QString& fileName);
TKxPersistentData& KxApplicationStore();
// Writes pending changes and frees the store; called once when the program ends.
void KxReleaseApplicationStore();

// Settings read every time they are used, clamped into what the program understands.
int KxReadErrorAction(TKxPersistentData& store);   // 0 … 2
int KxReadLogAttributes(TKxPersistentData& store); // bits 0 … 6
bool KxReadDirectiveComment(TKxPersistentData& store);

// The recent script files, newest first, at most 30.
TKxStringHistory KxRecentScriptFiles(TKxPersistentData& store);

} // namespace kx
