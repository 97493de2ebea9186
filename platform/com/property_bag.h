// Property bags: how a container hands a control its stored property values before the control's
// `Loaded` step. The container fills a PropertyBag (member name -> VARIANT) and calls
// loadProperties; the control's IPersistPropertyBag::Load calls loadPropertyBag, which puts every
// browsable read-write property of its table that the bag holds, then runs its own `Loaded`.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/com/object.h"
#include "platform/com/oleauto.h"
#include "platform/com/type_table.h"
#include "platform/com/variant.h"

struct IErrorLog;

struct IPropertyBag : IUnknown {
    using Base = IUnknown;
    static constexpr IID iid{
        0x55272A00, 0x42CB, 0x11CE, {0x81, 0x35, 0x00, 0xAA, 0x00, 0x4B, 0xB8, 0x51}};
    // With *value VT_EMPTY the stored type is returned, else the value converted to value->vt.
    // E_INVALIDARG when the bag has no such property.
    virtual HRESULT Read(LPCOLESTR name, VARIANT* value, IErrorLog* errorLog) = 0;
    virtual HRESULT Write(LPCOLESTR name, VARIANT* value) = 0;
};

struct IPersist : IUnknown {
    using Base = IUnknown;
    static constexpr IID iid{0x0000010C, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
    virtual HRESULT GetClassID(CLSID* clsid) = 0;
};

struct IPersistPropertyBag : IPersist {
    using Base = IPersist;
    static constexpr IID iid{
        0x37D84F60, 0x42CB, 0x11CE, {0x81, 0x35, 0x00, 0xAA, 0x00, 0x4B, 0xB8, 0x51}};
    virtual HRESULT InitNew() = 0;
    virtual HRESULT Load(IPropertyBag* bag, IErrorLog* errorLog) = 0;
    virtual HRESULT Save(IPropertyBag* bag, BOOL clearDirty, BOOL saveAllProperties) = 0;
};

inline constexpr IID IID_IPropertyBag = IPropertyBag::iid;
inline constexpr IID IID_IPersist = IPersist::iid;
inline constexpr IID IID_IPersistPropertyBag = IPersistPropertyBag::iid;

namespace com {

// Names are matched without regard to ASCII case; a later set replaces an earlier one.
class PropertyBag final : public Object<IPropertyBag> {
  public:
    void set(std::string_view name, Variant value);
    const Variant* find(std::string_view name) const;
    std::vector<std::string> names() const;

    HRESULT Read(LPCOLESTR name, VARIANT* value, IErrorLog* errorLog) override;
    HRESULT Write(LPCOLESTR name, VARIANT* value) override;

  private:
    std::vector<std::pair<std::string, Variant>> m_values;
};

// Puts, in table order, each browsable read-write property (a get and a put, not restricted,
// hidden or non-browsable) that `bag` holds, through `self`'s IDispatch::Invoke. A value that a
// put refuses is skipped, as a stored value the control no longer accepts must not stop the load.
HRESULT loadPropertyBag(const TypeTable& table, IDispatch* self, IPropertyBag* bag);

// The container's side: IPersistPropertyBag::Load on `control`, or InitNew when `bag` is null.
// E_NOINTERFACE when the control does not load property bags.
HRESULT loadProperties(IUnknown* control, IPropertyBag* bag);

}  // namespace com
