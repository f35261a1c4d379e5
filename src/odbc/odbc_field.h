#pragma once

#include "dbcore/db_field.h"
#include "odbc/odbc_value_buffer.h"

namespace kx {

// One result column of an ODBC recordset: a field whose buffers are bound to the column and
// read long values on demand. Owned by its recordset.
class TKxOdbcField : public TKxDBField, public virtual IKxAccessValueBuffer {
public:
    TKxOdbcField(IKxUnknown* recordset, IKxOdbcRowAccess* row, TKxFieldCreateData createData);
    ~TKxOdbcField() override;

    // The current buffer as the driver's buffer.
    TODBCFieldValueBuffer& CurrentBuffer();

    // Read access loads the whole value; write access (after auto-edit, only while the
    // recordset inserts or edits) empties a long value for the writer.
    KxHResult AccessValueBuffer(int access, const KxInterfaceId& iid, KxIntf<IKxUnknown>& object,
                                int instance) override;

    void AfterActiveChange(bool newActive) override;
    void AfterPositionChange() override;
    void AfterOperation(int operation, IKxUnknown* parameter) override;
    void SwapBuffers() override;

protected:
    KxIntf<TKxFieldValueBuffer> CreateValueBuffer(QObject* owner, TKxFieldBufferInfo info) override;

private:
    IKxOdbcRowAccess* m_row;
};

} // namespace kx
