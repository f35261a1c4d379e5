#pragma once

#include <QString>

namespace kx {

// What a script run needs of the script it runs: the current statement and the way to the
// next one. The editor's statements are one; a batch run reads its statements from the file
// as it goes instead.
class TKxStatementSource {
public:
    virtual ~TKxStatementSource() = default;
    virtual bool HasCurrentStatement() const = 0;
    // Without a current statement, the first one; else the next, unless this is the last.
    virtual void NextStatement() = 0;
    // True when no statement follows the current one.
    virtual bool IsLastStatement() const = 0;
    virtual QString GetCurrentStatementText() const = 0;
};

} // namespace kx
