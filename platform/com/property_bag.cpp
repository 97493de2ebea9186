#include "platform/com/property_bag.h"

#include "platform/core/text.h"

namespace com {

namespace {

constexpr WORD kNotPersisted = FUNCFLAG_FRESTRICTED | FUNCFLAG_FHIDDEN | FUNCFLAG_FNONBROWSABLE;

std::string nameOf(LPCOLESTR name) {
    return name ? core::toUtf8(std::u16string_view(name)) : std::string();
}

}  // namespace

void PropertyBag::set(std::string_view name, Variant value) {
    for (auto& [key, stored] : m_values) {
        if (core::equalsNoCase(key, name)) {
            stored = std::move(value);
            return;
        }
    }
    m_values.emplace_back(std::string(name), std::move(value));
}

const Variant* PropertyBag::find(std::string_view name) const {
    for (const auto& [key, stored] : m_values) {
        if (core::equalsNoCase(key, name))
            return &stored;
    }
    return nullptr;
}

std::vector<std::string> PropertyBag::names() const {
    std::vector<std::string> result;
    for (const auto& entry : m_values)
        result.push_back(entry.first);
    return result;
}

HRESULT PropertyBag::Read(LPCOLESTR name, VARIANT* value, IErrorLog*) {
    if (!name || !value)
        return E_POINTER;
    const Variant* stored = find(nameOf(name));
    if (!stored)
        return E_INVALIDARG;
    if (value->vt == VT_EMPTY)
        return VariantCopy(value, &stored->raw());
    return VariantChangeType(value, &stored->raw(), 0, value->vt);
}

HRESULT PropertyBag::Write(LPCOLESTR name, VARIANT* value) {
    if (!name || !value)
        return E_POINTER;
    set(nameOf(name), Variant::copyOf(*value));
    return S_OK;
}

HRESULT loadPropertyBag(const TypeTable& table, IDispatch* self, IPropertyBag* bag) {
    if (!self || !bag)
        return E_POINTER;
    for (const Member& member : table.members) {
        if (!member.get.invoke || !member.put.invoke || (member.details.flags & kNotPersisted))
            continue;
        const std::u16string name = core::toUtf16(member.name);
        Variant value;
        if (bag->Read(name.c_str(), value.put(), nullptr) != S_OK)
            continue;
        DISPID named = DISPID_PROPERTYPUT;
        DISPPARAMS params{&value.raw(), &named, 1, 1};
        self->Invoke(member.dispid, IID_NULL, 0, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr,
                     nullptr);
    }
    return S_OK;
}

HRESULT loadProperties(IUnknown* control, IPropertyBag* bag) {
    if (!control)
        return E_POINTER;
    Ptr<IPersistPropertyBag> persist;
    if (FAILED(control->QueryInterface(IPersistPropertyBag::iid, persist.putVoid())))
        return E_NOINTERFACE;
    return bag ? persist->Load(bag, nullptr) : persist->InitNew();
}

}  // namespace com
