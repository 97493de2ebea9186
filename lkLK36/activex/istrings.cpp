#include "lkLK36/activex/istrings.h"

#include <optional>

#include "platform/com/variant.h"

namespace lkLK36 {

namespace {

constexpr std::string_view kSource = "lkLK36";

HRESULT fail(HRESULT code, const std::string& description) {
    com::setErrorInfo(IID_IStrings, kSource, description);
    return code;
}

HRESULT outOfBounds(LONG index) {
    return fail(E_UNEXPECTED, "List index out of bounds (" + std::to_string(index) + ")");
}

bool inBounds(const TlkStringList& list, LONG index) {
    return index >= 0 && static_cast<std::size_t>(index) < list.size();
}

std::optional<std::string> textOf(const VARIANT& item) {
    return com::Variant::copyOf(item).toString();
}

constexpr com::Member kMembers[] = {
    com::property<&StringsAdapter::getItem, &StringsAdapter::putItem>(
        "ControlDefault", strings_dispid::ControlDefault, com::params("Index")),
    com::readOnly<&StringsAdapter::getCount>("Count", strings_dispid::Count),
    com::property<&StringsAdapter::getItem, &StringsAdapter::putItem>("Item", strings_dispid::Item,
                                                                      com::params("Index")),
    com::method<&StringsAdapter::Remove>("Remove", strings_dispid::Remove, com::params("Index")),
    com::method<&StringsAdapter::Clear>("Clear", strings_dispid::Clear),
    com::method<&StringsAdapter::Add>("Add", strings_dispid::Add, com::params("Item")),
};

}  // namespace

const com::TypeTable& StringsAdapter::typeTable() {
    static constexpr com::TypeTable table{
        IID_IStrings,
        "IStrings",
        kMembers,
        {},
        TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FDISPATCHABLE,
        kSource};
    return table;
}

const TlkStringList* StringsAdapter::list() {
    const TlkStringList* found = m_reader ? m_reader() : nullptr;
    if (!found)
        fail(E_UNEXPECTED, "The list no longer exists");
    return found;
}

HRESULT StringsAdapter::editable(TlkStringList& copy) {
    const TlkStringList* current = list();
    if (!current)
        return E_UNEXPECTED;
    if (!m_writer)
        return fail(E_ACCESSDENIED, "The list is read-only");
    copy = *current;
    return S_OK;
}

HRESULT StringsAdapter::getItem(LONG index, VARIANT* item) {
    const TlkStringList* current = list();
    if (!current)
        return E_UNEXPECTED;
    if (!inBounds(*current, index))
        return outOfBounds(index);
    item->vt = VT_BSTR;
    item->bstrVal = com::bstrFromUtf8((*current)[static_cast<std::size_t>(index)]);
    return S_OK;
}

HRESULT StringsAdapter::putItem(LONG index, const VARIANT& item) {
    TlkStringList copy;
    if (HRESULT hr = editable(copy); FAILED(hr))
        return hr;
    if (!inBounds(copy, index))
        return outOfBounds(index);
    const std::optional<std::string> text = textOf(item);
    if (!text)
        return DISP_E_TYPEMISMATCH;
    copy[static_cast<std::size_t>(index)] = *text;
    m_writer(std::move(copy));
    return S_OK;
}

HRESULT StringsAdapter::getCount(LONG* count) {
    const TlkStringList* current = list();
    if (!current)
        return E_UNEXPECTED;
    *count = static_cast<LONG>(current->size());
    return S_OK;
}

HRESULT StringsAdapter::Remove(LONG index) {
    TlkStringList copy;
    if (HRESULT hr = editable(copy); FAILED(hr))
        return hr;
    if (!inBounds(copy, index))
        return outOfBounds(index);
    copy.erase(copy.begin() + index);
    m_writer(std::move(copy));
    return S_OK;
}

HRESULT StringsAdapter::Clear() {
    TlkStringList copy;
    if (HRESULT hr = editable(copy); FAILED(hr))
        return hr;
    m_writer({});
    return S_OK;
}

HRESULT StringsAdapter::Add(const VARIANT& item, LONG* index) {
    TlkStringList copy;
    if (HRESULT hr = editable(copy); FAILED(hr))
        return hr;
    const std::optional<std::string> text = textOf(item);
    if (!text)
        return DISP_E_TYPEMISMATCH;
    copy.push_back(*text);
    *index = static_cast<LONG>(copy.size()) - 1;
    m_writer(std::move(copy));
    return S_OK;
}

}  // namespace lkLK36
