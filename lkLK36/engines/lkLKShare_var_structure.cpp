// Variable-size TAPI structures: the growing buffer and the checked reads.
#include <algorithm>
#include <new>

#include "lkLK36/engines/lkLKShare.h"

namespace {

// Every variable-size structure begins with these three sizes.
struct VarHeader {
    DWORD dwTotalSize;
    DWORD dwNeededSize;
    DWORD dwUsedSize;
};

}  // namespace

std::string TlkVarStructure::text(DWORD offset, DWORD size) const {
    if (size == 0 || !contains(offset, size))
        return {};
    // Sizes count the terminating NUL, and a provider may pad after it: the text ends there.
    const char* start = reinterpret_cast<const char*>(bytes()) + offset;
    return std::string(start, std::find(start, start + size, '\0'));
}

TlkVarStructure TlkReadVarStructure(DWORD fixedSize, LONG tooSmall, LONG noMemory,
                                    const std::function<LONG(void* buffer)>& query) {
    TlkVarStructure answer;
    for (DWORD extra = 4096; fixedSize + extra <= TlkMaxStructureSize; extra *= 2) {
        const DWORD total = (fixedSize + extra + 3) / 4 * 4;
        try {
            answer.m_data.assign(total / sizeof(DWORD), 0);
        } catch (const std::bad_alloc&) {
            break;
        }
        auto* header = reinterpret_cast<VarHeader*>(answer.m_data.data());
        header->dwTotalSize = total;
        answer.result = query(answer.m_data.data());
        if (answer.result == tooSmall || header->dwTotalSize < header->dwNeededSize)
            continue;
        return answer;
    }
    answer.m_data.clear();
    answer.result = noMemory;
    return answer;
}
