#include "dbcore/state_holders.h"

#include "foundation/activation_interfaces.h"
#include "foundation/exceptions.h"
#include "foundation/operations.h"

#include <utility>

namespace kx {
namespace {

constexpr std::array<TKxValueBufferInstance, 2> kInstances{vbiCurrent, vbiSaved};

// The object-taking assignments accept any interface of the object; only a missing object is
// an error.
void CheckObject(IKxUnknown* object, const char* routine) {
    KxCheckPointer(object, QStringLiteral("The Object"), KxObjectDescription::OfInterface(object),
                   QString::fromLatin1(routine));
}

IKxUnknown* AsUnknown(TKxValueBuffer& buffer) {
    return static_cast<IKxUnknown*>(&buffer);
}

QString RestoreRoutine() {
    return QStringLiteral("TKxRecordsetStateHolder.AssignToIntf");
}

} // namespace

// ---- TKxFieldStateHolder

TKxFieldStateHolder::TKxFieldStateHolder(TKxLifetime lifetime) : TKxInterfacedObject(lifetime) {}

TKxFieldStateHolder::~TKxFieldStateHolder() = default;

KxIntf<TKxValueBuffer> TKxFieldStateHolder::CreateValueBuffer(TKxFieldDataType dataType) {
    // A holder is not a component, so its buffers have no owner to name in their errors.
    return KxMake<TKxFieldStateBuffer>(nullptr, dataType);
}

TKxValueBuffer* TKxFieldStateHolder::ExistingValueBuffer(TKxValueBufferInstance instance) const {
    return m_buffers[static_cast<std::size_t>(instance)].get();
}

TKxValueBuffer& TKxFieldStateHolder::ValueBuffer(TKxValueBufferInstance instance) {
    KxIntf<TKxValueBuffer>& slot = m_buffers[static_cast<std::size_t>(instance)];
    if (!slot)
        slot = CreateValueBuffer(m_dataType);
    return *slot;
}

KxHResult TKxFieldStateHolder::GetValueBufferIntf(int instance, const KxInterfaceId& iid,
                                                  KxIntf<IKxUnknown>& object) {
    object.reset();
    TKxValueBuffer& buffer = ValueBuffer(
        KxCheckValueBufferInstance(instance, QStringLiteral("GetValueBufferIntf"), this));
    if (!iid.IsSupportedBy(AsUnknown(buffer)))
        return hr::E_NoInterface;
    object = KxIntf<IKxUnknown>(AsUnknown(buffer));
    return hr::S_Ok;
}

void TKxFieldStateHolder::Clear() {
    for (KxIntf<TKxValueBuffer>& buffer : m_buffers) {
        if (buffer)
            buffer->Clear(true);
    }
    m_name.clear();
}

void TKxFieldStateHolder::AssignFromIntf(IKxUnknown* source) {
    const QString routine = QStringLiteral("AssignFromIntf");
    Clear();
    const KxIntf<IKxGetName> named = KxCheckQueryInterface<IKxGetName>(source, routine);
    const KxIntf<IKxFieldProperties> properties =
        KxCheckQueryInterface<IKxFieldProperties>(source, routine);
    m_name = named->GetName();
    const TKxFieldDataType dataType = properties->GetDataType();
    if (dataType != m_dataType) {
        // A buffer's kind is fixed when it is made; the cleared buffers of the old kind hold
        // nothing, so buffers of the new kind simply replace them when they are next needed.
        m_dataType = dataType;
        for (KxIntf<TKxValueBuffer>& buffer : m_buffers)
            buffer.reset();
    }
    const KxIntf<IKxGetValueBufferIntf> buffers = KxQuery<IKxGetValueBufferIntf>(source);
    if (!buffers)
        return;
    for (const TKxValueBufferInstance instance : kInstances) {
        KxIntf<IKxUnknown> theirs;
        if (buffers->GetValueBufferIntf(instance, KxInterfaceId::Of<IKxUnknown>(), theirs) !=
                hr::S_Ok ||
            !theirs)
            continue;
        ValueBuffer(instance).AssignFromIntf(theirs.get());
    }
}

void TKxFieldStateHolder::AssignToIntf(IKxUnknown* destination) {
    const KxIntf<IKxGetValueBufferIntf> buffers = KxQuery<IKxGetValueBufferIntf>(destination);
    if (!buffers)
        return;
    for (const TKxValueBufferInstance instance : kInstances) {
        KxIntf<IKxUnknown> theirs;
        if (buffers->GetValueBufferIntf(instance, KxInterfaceId::Of<IKxAssignFromIntf>(), theirs) !=
            hr::S_Ok)
            continue;
        const KxIntf<IKxAssignFromIntf> target = KxQuery<IKxAssignFromIntf>(theirs);
        if (target)
            target->AssignFromIntf(AsUnknown(ValueBuffer(instance)));
    }
}

void TKxFieldStateHolder::AssignFromObj(IKxUnknown* source) {
    CheckObject(source, "AssignFromObj");
    AssignFromIntf(source);
}

void TKxFieldStateHolder::AssignToObj(IKxUnknown* destination) {
    CheckObject(destination, "AssignToObj");
    AssignToIntf(destination);
}

// ---- TKxRecordsetStateHolder

TKxRecordsetStateHolder::TKxRecordsetStateHolder(TKxLifetime lifetime)
    : TKxInterfacedObject(lifetime) {}

TKxRecordsetStateHolder::~TKxRecordsetStateHolder() = default;

std::unique_ptr<TKxFieldStateHolder> TKxRecordsetStateHolder::CreateFieldStateHolder() {
    return std::make_unique<TKxFieldStateHolder>(TKxLifetime::OwnerOwned);
}

void TKxRecordsetStateHolder::Clear() {
    m_fieldHolders.Clear();
    m_state = kUnknown;
    m_position = kUnknown;
}

void TKxRecordsetStateHolder::AddName(IKxUnknown*, int listKind, const QString& name) {
    if (listKind != kxNameListFields || m_captureSource == nullptr)
        return;
    const KxIntf<IKxGetItemByName> fields = KxQuery<IKxGetItemByName>(m_captureSource);
    if (!fields)
        return;
    KxIntf<IKxUnknown> field;
    if (fields->GetItemByName(name, field) != hr::S_Ok || !field)
        return;
    std::unique_ptr<TKxFieldStateHolder> holder = CreateFieldStateHolder();
    holder->AssignFromIntf(field.get());
    m_fieldHolders.Add(std::move(holder));
}

void TKxRecordsetStateHolder::AssignFromIntf(IKxUnknown* source) {
    Clear();
    if (const KxIntf<IKxGetPosition> position = KxQuery<IKxGetPosition>(source))
        m_position = position->GetPosition();
    if (const KxIntf<IKxGetRecordsetState> state = KxQuery<IKxGetRecordsetState>(source))
        m_state = state->GetRecordsetState();
    // While browsing the fields hold nothing that moving back would not read again.
    if (!KxIsModifyingState(static_cast<TKxRecordsetState>(m_state)))
        return;
    const KxIntf<IKxFillNameList> names = KxQuery<IKxFillNameList>(source);
    if (!names)
        return;
    m_captureSource = source;
    try {
        names->FillNameList(kxNameListFields, static_cast<IKxNameListTarget*>(this));
    } catch (...) {
        m_captureSource = nullptr;
        throw;
    }
    m_captureSource = nullptr;
}

void TKxRecordsetStateHolder::AssignToIntf(IKxUnknown* destination) {
    const QString routine = RestoreRoutine();
    if (m_position != kUnknown) {
        const KxIntf<IKxGetSetPosition> position =
            KxCheckQueryInterface<IKxGetSetPosition>(destination, routine);
        if (position->GetPosition() != m_position) {
            // Moving would otherwise apply or refuse what is being typed on the current row.
            KxExecuteDataOperation(destination, roLeaveModifyingState, nullptr, routine);
            position->SetPosition(m_position);
        }
    }
    if (m_state != kUnknown)
        RestoreRecordsetState(destination);
    if (KxIsModifyingState(static_cast<TKxRecordsetState>(m_state)))
        RestoreFields(destination);
}

void TKxRecordsetStateHolder::RestoreRecordsetState(IKxUnknown* destination) {
    const QString routine = RestoreRoutine();
    const KxIntf<IKxGetRecordsetState> state =
        KxCheckQueryInterface<IKxGetRecordsetState>(destination, routine);
    const int current = state->GetRecordsetState();
    if (current == m_state)
        return;
    bool reachable = false;
    switch (m_state) {
    case rsInactive:
        KxSetIntfActive(destination, false);
        reachable = true;
        break;
    case rsBrowse:
        if (current == rsInactive) {
            KxSetIntfActive(destination, true);
            reachable = true;
        } else if (KxIsModifyingState(static_cast<TKxRecordsetState>(current))) {
            reachable = KxTryExecuteOperation(destination, roLeaveModifyingState, nullptr);
        }
        break;
    case rsInsert:
    case rsEdit:
        if (current == rsBrowse) {
            KxExecuteDataOperation(destination, m_state == rsInsert ? roInsert : roEdit, nullptr,
                                   routine);
            reachable = true;
        }
        break;
    default:
        break;
    }
    // A recordset that declines the operation (insert or edit not possible now) stays where it
    // was; putting typed values into a browsing record would then pass for a restored edit.
    if (!reachable || state->GetRecordsetState() != m_state)
        KxRaise(KxInvalidStateTransitionText(current, m_state), routine, KxObjectDescription(this));
}

void TKxRecordsetStateHolder::RestoreFields(IKxUnknown* destination) {
    const KxIntf<IKxGetItemByName> fields = KxQuery<IKxGetItemByName>(destination);
    if (!fields)
        return;
    for (int index = 0; index < m_fieldHolders.Count(); ++index) {
        TKxFieldStateHolder* holder = m_fieldHolders.Items(index);
        KxIntf<IKxUnknown> field;
        if (fields->GetItemByName(holder->GetName(), field) != hr::S_Ok || !field)
            continue;
        holder->AssignToIntf(field.get());
    }
}

void TKxRecordsetStateHolder::AssignFromObj(IKxUnknown* source) {
    CheckObject(source, "AssignFromObj");
    AssignFromIntf(source);
}

void TKxRecordsetStateHolder::AssignToObj(IKxUnknown* destination) {
    CheckObject(destination, "AssignToObj");
    AssignToIntf(destination);
}

} // namespace kx
