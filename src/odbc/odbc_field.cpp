#include "odbc/odbc_field.h"

#include "foundation/exceptions.h"

#include <QCoreApplication>

namespace kx {

TKxOdbcField::TKxOdbcField(IKxUnknown* recordset, IKxOdbcRowAccess* row,
                           TKxFieldCreateData createData)
    : TKxDBField(recordset, std::move(createData)), m_row(row) {}

TKxOdbcField::~TKxOdbcField() = default;

KxIntf<TKxFieldValueBuffer> TKxOdbcField::CreateValueBuffer(QObject* owner,
                                                            TKxFieldBufferInfo info) {
    return KxIntf<TKxFieldValueBuffer>(
        new TODBCFieldValueBuffer(m_row, owner, GetDataType(), std::move(info)));
}

TODBCFieldValueBuffer& TKxOdbcField::CurrentBuffer() {
    return static_cast<TODBCFieldValueBuffer&>(ValueBuffer(vbiCurrent));
}

KxHResult TKxOdbcField::AccessValueBuffer(int access, const KxInterfaceId& iid,
                                          KxIntf<IKxUnknown>& object, int instance) {
    const QString routine = QStringLiteral("AccessValueBuffer");
    object.reset();
    if (access != vbaRead && access != vbaWrite)
        KxRaise(KxUnknownValueText(access, QStringLiteral("TKxValueBufferAccessMode")), routine,
                KxObjectDescription(this));
    const TKxValueBufferInstance which =
        KxCheckValueBufferInstance(instance, routine, KxObjectDescription(this));
    auto& buffer = static_cast<TODBCFieldValueBuffer&>(ValueBuffer(which));
    if (access == vbaWrite) {
        AutoEdit();
        if (!KxIsModifyingState(m_row->RowState()))
            KxRaise(QCoreApplication::translate("KxDbCore", "Not in Udatable State"), routine,
                    KxObjectDescription(this));
    }
    if (access == vbaRead || !KxIsLargeKind(GetDataType())) {
        buffer.EnsureFetched(false);
    } else {
        buffer.PrepareForWriting();
    }
    if (!iid.IsSupportedBy(static_cast<TKxValueBuffer*>(&buffer)))
        return hr::E_NoInterface;
    object = KxIntf<IKxUnknown>(static_cast<IKxUnknown*>(static_cast<TKxValueBuffer*>(&buffer)));
    return hr::S_Ok;
}

void TKxOdbcField::AfterActiveChange(bool newActive) {
    TKxDBField::AfterActiveChange(newActive);
    if (!newActive)
        return;
    TODBCFieldValueBuffer& current = CurrentBuffer();
    current.BindBuffer(true);
    current.Refetch(true);
}

void TKxOdbcField::AfterPositionChange() {
    if (TKxFieldValueBuffer* current = ExistingValueBuffer(vbiCurrent))
        static_cast<TODBCFieldValueBuffer*>(current)->Refetch(true);
}

void TKxOdbcField::AfterOperation(int operation, IKxUnknown* parameter) {
    switch (operation) {
    case roEdit:
    case roInsert:
    case roCancelChanges:
        TKxDBField::AfterOperation(operation, parameter);
        break;
    case roApplyChanges: {
        TKxDBField::AfterOperation(operation, parameter);
        // A long value of this row whose start was read already is still what it was.
        TODBCFieldValueBuffer& current = CurrentBuffer();
        if (KxIsLargeKind(GetDataType()) && !current.IsFetched() && !current.FirstReadDone())
            current.ReadFirstData();
        break;
    }
    case roRefreshCurrent:
        CurrentBuffer().Refetch(true);
        break;
    default:
        break;
    }
}

void TKxOdbcField::SwapBuffers() {
    if (TKxFieldValueBuffer* current = ExistingValueBuffer(vbiCurrent))
        static_cast<TODBCFieldValueBuffer*>(current)->BindBuffer(false);
    TKxDBField::SwapBuffers();
    CurrentBuffer().BindBuffer(true);
}

} // namespace kx
