// Internal: fills a variable-size structure in a caller's buffer. The fixed part is copied in
// first; each variable field is appended after it when it fits in dwTotalSize, otherwise its size
// and offset stay 0. The needed size counts every field, so a caller can grow its buffer and ask
// again.
#pragma once

#include <algorithm>
#include <cstring>
#include <string_view>

#include "platform/core/win_types.h"

namespace tapi::detail {

class VarWriter {
  public:
    // `buffer` starts with dwTotalSize, dwNeededSize, dwUsedSize (every variable-size structure
    // except LINEFORWARDLIST does).
    // `fixedSize` may be less than the structure's own size for an application of an older
    // version: the fields beyond it do not exist for that application and are never written.
    VarWriter(void* buffer, DWORD fixedSize)
        : m_bytes(static_cast<BYTE*>(buffer)),
          m_total(readDword(0)),
          m_fixed(fixedSize),
          m_used(fixedSize),
          m_needed(fixedSize) {}

    // Copies the fixed part, keeping the caller's dwTotalSize.
    template <typename Fixed>
    void writeFixed(const Fixed& fixed) {
        m_structSize = sizeof(Fixed);
        const std::size_t size = std::min<std::size_t>(sizeof(Fixed), m_fixed);
        std::memcpy(m_bytes + 4, reinterpret_cast<const BYTE*>(&fixed) + 4, size - 4);
    }

    // Appends raw bytes; `sizeOffset` is the byte offset of the field pair (size, then offset).
    void addBytes(std::size_t sizeOffset, const void* data, DWORD size) {
        if (!hasField(sizeOffset))
            return;
        if (size == 0)
            return setPair(sizeOffset, 0, 0);
        m_needed += size;
        if (m_used + size > m_total)
            return setPair(sizeOffset, 0, 0);
        std::memcpy(m_bytes + m_used, data, size);
        setPair(sizeOffset, size, m_used);
        m_used += size;
    }

    // Appends a text with its terminating NUL (the size counts it); an empty text is left out.
    void addText(std::size_t sizeOffset, std::string_view text) {
        if (!hasField(sizeOffset))
            return;
        if (text.empty())
            return setPair(sizeOffset, 0, 0);
        const DWORD size = static_cast<DWORD>(text.size() + 1);
        m_needed += size;
        if (m_used + size > m_total)
            return setPair(sizeOffset, 0, 0);
        std::memcpy(m_bytes + m_used, text.data(), text.size());
        m_bytes[m_used + text.size()] = 0;
        setPair(sizeOffset, size, m_used);
        m_used += size;
    }

    // Reserves room for the caller to write into; returns the offset, or 0 when it does not fit.
    DWORD reserve(DWORD size) {
        m_needed += size;
        if (m_used + size > m_total)
            return 0;
        const DWORD at = m_used;
        std::memset(m_bytes + at, 0, size);
        m_used += size;
        return at;
    }
    void addNeeded(DWORD extra) { m_needed += extra; }

    void finish() {
        writeDword(4, m_needed);
        writeDword(8, m_used);
    }

    BYTE* bytes() { return m_bytes; }
    DWORD readDword(std::size_t offset) const {
        DWORD v;
        std::memcpy(&v, m_bytes + offset, 4);
        return v;
    }
    void writeDword(std::size_t offset, DWORD v) { std::memcpy(m_bytes + offset, &v, 4); }

  private:
    // False for a field newer than the application's version. Fields in room the caller reserved
    // (entries of an array in the variable part) lie beyond the whole structure and always exist.
    bool hasField(std::size_t sizeOffset) const {
        return sizeOffset + 8 <= m_fixed || sizeOffset >= m_structSize;
    }
    void setPair(std::size_t sizeOffset, DWORD size, DWORD offset) {
        writeDword(sizeOffset, size);
        writeDword(sizeOffset + 4, offset);
    }

    BYTE* m_bytes;
    DWORD m_total;
    DWORD m_fixed;
    std::size_t m_structSize = 0;  // the whole fixed part in the newest version
    DWORD m_used;
    DWORD m_needed;
};

}  // namespace tapi::detail
