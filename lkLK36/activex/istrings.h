// IStrings: the automation string list through which every list member of a control shows an
// engine list (device names, call handles, log lines). One adapter per list, made on the first
// read and kept, so every read of a member answers the same object, and a live view: what the
// engine adds afterwards shows through it.
//
// The members are the standard string list's: the default member and Item (get and put by index),
// Count, Remove, Clear and Add. Lists the engine owns are read-only through their adapter, since
// the engine looks calls and devices up in them; the log's lines may be rewritten by the host.
// An adapter a host keeps after its control is gone answers every call with a failure.
#pragma once

#include <functional>
#include <string>

#include "lkLK36/activex/lkLK36_TLB.h"
#include "lkLK36/engines/lkLKShare.h"
#include "platform/com/type_table.h"

// Called through IDispatch only; its vtable beyond IDispatch is not offered.
struct IStrings : IDispatch {
    using Base = IDispatch;
    static constexpr IID iid = IID_IStrings;
};

namespace lkLK36 {

namespace strings_dispid {
inline constexpr DISPID ControlDefault = 0, Count = 1, Item = 2, Remove = 3, Clear = 4, Add = 5;
}

class StringsAdapter final : public com::Dispatchable<StringsAdapter, IStrings> {
  public:
    // Where the adapter finds its list: null once the list is gone.
    using Reader = std::function<const TlkStringList*()>;
    // Replaces the list's content; absent for a read-only list.
    using Writer = std::function<void(TlkStringList)>;

    StringsAdapter(Reader reader, Writer writer)
        : m_reader(std::move(reader)), m_writer(std::move(writer)) {}

    static const com::TypeTable& typeTable();

    // The list is gone: every later call fails.
    void detach() {
        m_reader = nullptr;
        m_writer = nullptr;
    }

    HRESULT getItem(LONG index, VARIANT* item);
    HRESULT putItem(LONG index, const VARIANT& item);
    HRESULT getCount(LONG* count);
    HRESULT Remove(LONG index);
    HRESULT Clear();
    HRESULT Add(const VARIANT& item, LONG* index);

  private:
    // The list for reading, or null with the failure reported.
    const TlkStringList* list();
    // A copy of the list for a change, or the failure (reported).
    HRESULT editable(TlkStringList& copy);

    Reader m_reader;
    Writer m_writer;
};

}  // namespace lkLK36
