#pragma once

#include "dbcore/record_states.h"
#include "dbcore/statement_interfaces.h"
#include "dbcore/value_buffer.h"
#include "foundation/basic_interfaces.h"
#include "foundation/interfaced_object.h"
#include "foundation/kx_lists.h"

#include <QString>
#include <array>
#include <cstdint>
#include <memory>
#include <utility>

namespace kx {

// The values of one field, taken so they can be put back: its name, its kind and copies of
// its current and saved value buffers. A copy carries everything the buffer's own
// AssignFromIntf carries (bytes, NULL, fetched, modified, and whatever a driver buffer adds),
// so a value put back reads as the value that was taken, never as one still to be read.
class TKxFieldStateHolder : public TKxInterfacedObject,
                            public virtual IKxGetSetName,
                            public virtual IKxGetValueBufferIntf,
                            public virtual IKxAssignFromIntf,
                            public virtual IKxAssignToIntf,
                            public virtual IKxAssignFromObj,
                            public virtual IKxAssignToObj {
public:
    explicit TKxFieldStateHolder(TKxLifetime lifetime = TKxLifetime::SelfOwned);
    ~TKxFieldStateHolder() override;

    TKxFieldDataType DataType() const { return m_dataType; }

    // The buffer of `instance`, created on first use with the holder's kind.
    TKxValueBuffer& ValueBuffer(TKxValueBufferInstance instance);
    // The buffer if it exists, else null.
    TKxValueBuffer* ExistingValueBuffer(TKxValueBufferInstance instance) const;

    QString GetName() const override { return m_name; }
    void SetName(const QString& name) override { m_name = name; }

    // Unlike a field, a holder creates the buffer asked for.
    KxHResult GetValueBufferIntf(int instance, const KxInterfaceId& iid,
                                 KxIntf<IKxUnknown>& object) override;

    // Takes name, kind and both value buffers of a field (IKxGetName and IKxFieldProperties
    // required; the buffers through IKxGetValueBufferIntf, each only when the field has it).
    void AssignFromIntf(IKxUnknown* source) override;
    // Puts both values back into the field's existing buffers (IKxGetValueBufferIntf).
    void AssignToIntf(IKxUnknown* destination) override;
    void AssignFromObj(IKxUnknown* source) override;
    void AssignToObj(IKxUnknown* destination) override;

    // Empties both buffers (they stay) and the name.
    virtual void Clear();

protected:
    // The class of the holder's buffers. Must stay variable-size: a holder keeps values of
    // every kind. A driver's holder returns a buffer that also keeps the driver's flags.
    virtual KxIntf<TKxValueBuffer> CreateValueBuffer(TKxFieldDataType dataType);

private:
    QString m_name;
    TKxFieldDataType m_dataType = fdtString;
    std::array<KxIntf<TKxValueBuffer>, 2> m_buffers;
};

// Position, state and (while inserting or editing) the field values of a recordset, taken so
// that the recordset can be moved freely and then put back as it was.
class TKxRecordsetStateHolder : public TKxInterfacedObject,
                                public virtual IKxNameListTarget,
                                public virtual IKxAssignFromIntf,
                                public virtual IKxAssignToIntf,
                                public virtual IKxAssignFromObj,
                                public virtual IKxAssignToObj {
public:
    static constexpr int kUnknown = -1;

    explicit TKxRecordsetStateHolder(TKxLifetime lifetime = TKxLifetime::SelfOwned);
    ~TKxRecordsetStateHolder() override;

    // The saved state as its ordinal and the saved position; kUnknown when the recordset did
    // not tell.
    int State() const { return m_state; }
    std::int64_t Position() const { return m_position; }
    int FieldHolderCount() const { return m_fieldHolders.Count(); }
    TKxFieldStateHolder* FieldHolder(int index) const { return m_fieldHolders.Items(index); }

    virtual void Clear();

    // IKxNameListTarget: while a modifying recordset is being taken, each field name it lists
    // adds a holder of that field.
    void AddName(IKxUnknown* source, int listKind, const QString& name) override;

    void AssignFromIntf(IKxUnknown* source) override;
    // Moves the recordset back, brings it into the saved state and, when that is inserting
    // or editing, puts the field values back. Raises "Invalid State transition, …" when the
    // saved state cannot be reached from the recordset's.
    void AssignToIntf(IKxUnknown* destination) override;
    void AssignFromObj(IKxUnknown* source) override;
    void AssignToObj(IKxUnknown* destination) override;

protected:
    // A new, empty field holder owned by this holder; a driver's holder returns its own
    // class.
    virtual std::unique_ptr<TKxFieldStateHolder> CreateFieldStateHolder();
    // Applies every field holder to the recordset's field of the same name.
    virtual void RestoreFields(IKxUnknown* destination);

private:
    void RestoreRecordsetState(IKxUnknown* destination);

    TKxObjectListOf<TKxFieldStateHolder> m_fieldHolders{true, TKxLifetime::OwnerOwned};
    int m_state = kUnknown;
    std::int64_t m_position = kUnknown;
    IKxUnknown* m_captureSource = nullptr; // only while AssignFromIntf runs
};

// Creates a holder of class `T` and, when `source` is given, fills it from the source at once.
// (A constructor cannot do that: the derived class's buffer and field-holder classes are not
// in place while the base class is being constructed.)
template <class T, class... Args>
KxIntf<T> KxCreateStateHolder(IKxUnknown* source, Args&&... args) {
    KxIntf<T> holder = KxMake<T>(std::forward<Args>(args)...);
    if (source != nullptr)
        holder->AssignFromIntf(source);
    return holder;
}

} // namespace kx
