// BSTR allocation. Memory: [32-bit byte length][code units][16-bit NUL]; the BSTR points just past
// the length, so SysStringByteLen reads the word in front of it.
#include <cstdlib>
#include <cstring>
#include <limits>

#include "platform/com/variant.h"
#include "platform/core/text.h"

namespace {

constexpr std::size_t kPrefix = sizeof(std::uint32_t);

BSTR allocateBytes(const void* bytes, std::size_t byteLength) {
    if (byteLength > std::numeric_limits<std::uint32_t>::max() - kPrefix - sizeof(OLECHAR))
        return nullptr;
    // Two NUL bytes after the data, plus one more when the length is odd, so the terminating
    // 16-bit NUL is always whole.
    auto* block = static_cast<char*>(std::malloc(kPrefix + byteLength + sizeof(OLECHAR) + 1));
    if (!block)
        return nullptr;
    const auto length = static_cast<std::uint32_t>(byteLength);
    std::memcpy(block, &length, kPrefix);
    char* data = block + kPrefix;
    if (bytes)
        std::memcpy(data, bytes, byteLength);
    else
        std::memset(data, 0, byteLength);
    std::memset(data + byteLength, 0, sizeof(OLECHAR) + 1);
    return reinterpret_cast<BSTR>(data);
}

}  // namespace

BSTR SysAllocString(const OLECHAR* text) {
    if (!text)
        return nullptr;
    return SysAllocStringLen(text, static_cast<UINT>(std::char_traits<OLECHAR>::length(text)));
}

BSTR SysAllocStringLen(const OLECHAR* text, UINT length) {
    return allocateBytes(text, std::size_t{length} * sizeof(OLECHAR));
}

BSTR SysAllocStringByteLen(const char* bytes, UINT length) {
    return allocateBytes(bytes, length);
}

BOOL SysReAllocString(BSTR* target, const OLECHAR* text) {
    if (!target)
        return FALSE;
    BSTR copy = SysAllocString(text);
    if (text && !copy)
        return FALSE;
    SysFreeString(*target);
    *target = copy;
    return TRUE;
}

void SysFreeString(BSTR text) {
    if (text)
        std::free(reinterpret_cast<char*>(text) - kPrefix);
}

UINT SysStringByteLen(BSTR text) {
    if (!text)
        return 0;
    std::uint32_t length;
    std::memcpy(&length, reinterpret_cast<const char*>(text) - kPrefix, kPrefix);
    return length;
}

UINT SysStringLen(BSTR text) {
    return SysStringByteLen(text) / sizeof(OLECHAR);
}

namespace com {

BSTR bstrFromUtf8(std::string_view text) {
    const std::u16string wide = core::toUtf16(text);
    return SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
}

BSTR bstrFromUtf8OrNull(std::string_view text) {
    return text.empty() ? nullptr : bstrFromUtf8(text);
}

std::string utf8FromBstr(BSTR text) {
    return core::toUtf8(std::u16string_view(text, SysStringLen(text)));
}

}  // namespace com
