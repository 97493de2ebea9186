// A small control for the runtime's tests: one member table drives its IDispatch, its type
// information and its property-bag load, as a real control's does.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "platform/com/property_bag.h"
#include "platform/com/type_table.h"
#include "platform/com/variant.h"

namespace sample {

inline constexpr IID kIid{0x8A1E0001, 0x1111, 0x4222, {0x83, 0x33, 0, 0, 0, 0, 0, 0x01}};
inline constexpr CLSID kClsid{0x8A1E0002, 0x1111, 0x4222, {0x83, 0x33, 0, 0, 0, 0, 0, 0x02}};

class Control final
    : public com::Dispatchable<Control, IDispatch, ISupportErrorInfo, IPersistPropertyBag> {
  public:
    static const com::TypeTable& typeTable();

    HRESULT getName(BSTR* value) {
        *value = com::bstrFromUtf8OrNull(m_name);
        return S_OK;
    }
    HRESULT putName(BSTR value) {
        m_name = com::utf8FromBstr(value);
        return S_OK;
    }
    // Keeps the truth value as given and answers it as it is, so the tests see what the runtime
    // passes in and hands out.
    HRESULT getActive(VARIANT_BOOL* value) {
        *value = m_active;
        return S_OK;
    }
    HRESULT putActive(VARIANT_BOOL value) {
        m_active = value;
        return S_OK;
    }
    HRESULT getLevel(SHORT* value) {
        *value = m_level;
        return S_OK;
    }
    HRESULT putLevel(SHORT value) {
        m_level = value;
        return S_OK;
    }
    HRESULT getHidden(LONG* value) {
        *value = m_hidden;
        return S_OK;
    }
    HRESULT putHidden(LONG value) {
        m_hidden = value;
        return S_OK;
    }
    HRESULT getRate(double* value) {
        *value = m_rate;
        return S_OK;
    }
    HRESULT getItem(LONG index, BSTR* value) {
        if (index < 0 || index >= static_cast<LONG>(m_items.size()))
            return E_INVALIDARG;
        *value = com::bstrFromUtf8(m_items[index]);
        return S_OK;
    }
    HRESULT putItem(LONG index, BSTR value) {
        if (index < 0)
            return E_INVALIDARG;
        m_items.resize(std::max<std::size_t>(m_items.size(), index + 1));
        m_items[index] = com::utf8FromBstr(value);
        return S_OK;
    }
    // Shows argument order: "first:second:third".
    HRESULT Join(BSTR first, LONG second, VARIANT_BOOL third, BSTR* result) {
        const std::string text = com::utf8FromBstr(first) + ":" + std::to_string(second) + ":" +
                                 (third ? "True" : "False");
        *result = com::bstrFromUtf8(text);
        return S_OK;
    }
    // Writes through its by-reference argument (a last pointer would be the result).
    HRESULT Flip(VARIANT_BOOL* value, LONG times) {
        for (LONG i = 0; i < times; ++i)
            *value = toVariantBool(!*value);
        return S_OK;
    }
    HRESULT Fail(BSTR* result) {
        *result = com::bstrFromUtf8("half-made");  // must not reach the caller
        com::setErrorInfo(kIid, "Sample.Control", "The line is busy", 42);
        return E_UNEXPECTED;
    }
    HRESULT Throw() { throw std::runtime_error("Thrown inside"); }

    HRESULT InterfaceSupportsErrorInfo(REFIID iid) override { return iid == kIid ? S_OK : S_FALSE; }

    HRESULT GetClassID(CLSID* clsid) override {
        *clsid = kClsid;
        return S_OK;
    }
    HRESULT InitNew() override {
        loaded();
        return S_OK;
    }
    HRESULT Load(IPropertyBag* bag, IErrorLog*) override {
        com::loadPropertyBag(typeTable(), this, bag);
        loaded();
        return S_OK;
    }
    HRESULT Save(IPropertyBag*, BOOL, BOOL) override { return E_NOTIMPL; }

    // What the control's `Loaded` step saw.
    std::string nameWhenLoaded;
    int loadedCount = 0;

  private:
    void loaded() {
        nameWhenLoaded = m_name;
        ++loadedCount;
    }

    std::string m_name;
    VARIANT_BOOL m_active = VARIANT_FALSE;
    SHORT m_level = 0;
    LONG m_hidden = 0;
    double m_rate = 2.5;
    std::vector<std::string> m_items;
};

namespace dispid {
inline constexpr DISPID Name = 1, Active = 2, Level = 3, Hidden = 4, Rate = 0, Item = 6, Join = 10,
                        Flip = 11, Fail = 12, Throw = 13;
}

inline constexpr com::Member kMembers[] = {
    com::property<&Control::getName, &Control::putName>("Name", dispid::Name,
                                                        com::doc("The control's name")),
    com::property<&Control::getActive, &Control::putActive>("Active", dispid::Active),
    com::property<&Control::getLevel, &Control::putLevel>("Level", dispid::Level),
    com::property<&Control::getHidden, &Control::putHidden>("Hidden", dispid::Hidden,
                                                            com::flags(FUNCFLAG_FNONBROWSABLE)),
    com::readOnly<&Control::getRate>("Rate", dispid::Rate),
    com::property<&Control::getItem, &Control::putItem>("Item", dispid::Item, com::params("Index")),
    com::method<&Control::Join>("Join", dispid::Join, com::params("First, Second, Third")),
    com::method<&Control::Flip>("Flip", dispid::Flip, com::params("Value,Times")),
    com::method<&Control::Fail>("Fail", dispid::Fail),
    com::method<&Control::Throw>("Throw", dispid::Throw),
};

inline const com::TypeTable& Control::typeTable() {
    static constexpr com::TypeTable table{kIid,
                                          "ISample",
                                          kMembers,
                                          "A sample control",
                                          TYPEFLAG_FDUAL | TYPEFLAG_FDISPATCHABLE,
                                          "Sample.Control"};
    return table;
}

}  // namespace sample
