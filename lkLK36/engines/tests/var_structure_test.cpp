// Reading variable-size TAPI structures: growth, its bound, and checked reads.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "lkLK36/engines/lkLKShare.h"
#include "platform/tapi/tapi.h"

namespace {

// Answers like a provider whose structure needs `needed` bytes, in either of the two ways a
// provider may say that a buffer is too small.
struct Answerer {
    DWORD needed;
    bool saysTooSmall;
    std::vector<DWORD> totals;

    LONG operator()(void* buffer) {
        auto* answer = static_cast<VARSTRING*>(buffer);
        totals.push_back(answer->dwTotalSize);
        answer->dwNeededSize = needed;
        if (answer->dwTotalSize < needed && saysTooSmall)
            return LINEERR_STRUCTURETOOSMALL;
        answer->dwStringSize = 5;
        answer->dwStringOffset = sizeof(VARSTRING);
        std::memcpy(reinterpret_cast<char*>(buffer) + sizeof(VARSTRING), "COM1", 5);
        return 0;
    }
};

TEST(VarStructure, GrowsUntilTheAnswerFits) {
    for (bool saysTooSmall : {true, false}) {
        SCOPED_TRACE(saysTooSmall);
        Answerer provider{10000, saysTooSmall, {}};
        const TlkVarStructure answer = TlkReadVarStructure(
            sizeof(VARSTRING), LINEERR_STRUCTURETOOSMALL, LINEERR_NOMEM, std::ref(provider));
        EXPECT_EQ(answer.result, 0);
        EXPECT_EQ(provider.totals, (std::vector<DWORD>{4120, 8216, 16408}));
        const auto& fixed = answer.fixed<VARSTRING>();
        EXPECT_EQ(answer.text(fixed.dwStringOffset, fixed.dwStringSize), "COM1");
    }
}

TEST(VarStructure, GivesUpPastOneMebibyte) {
    Answerer provider{0xFFFFFFFF, false, {}};  // a provider that always wants more
    const TlkVarStructure answer = TlkReadVarStructure(sizeof(VARSTRING), LINEERR_STRUCTURETOOSMALL,
                                                       LINEERR_NOMEM, std::ref(provider));
    EXPECT_EQ(answer.result, LINEERR_NOMEM);
    EXPECT_TRUE(answer.empty());
    EXPECT_LE(provider.totals.back(), TlkMaxStructureSize);
    EXPECT_EQ(provider.totals.size(), 8u);  // 4 KiB beyond the fixed part, doubled up to 512 KiB
}

TEST(VarStructure, ReadsNothingOutsideTheBuffer) {
    Answerer provider{0, true, {}};
    const TlkVarStructure answer = TlkReadVarStructure(sizeof(VARSTRING), LINEERR_STRUCTURETOOSMALL,
                                                       LINEERR_NOMEM, std::ref(provider));
    const DWORD size = answer.size();
    EXPECT_TRUE(answer.contains(size - 4, 4));
    EXPECT_FALSE(answer.contains(size - 3, 4));
    EXPECT_FALSE(answer.contains(0xFFFFFFF0u, 0x20));  // no wrap-around
    EXPECT_EQ(answer.text(size - 2, 8), "");
    EXPECT_EQ(answer.text(sizeof(VARSTRING), 0), "");
}

TEST(VarStructure, TextsEndAtTheirFirstNul) {
    Answerer provider{0, true, {}};
    TlkVarStructure answer = TlkReadVarStructure(sizeof(VARSTRING), LINEERR_STRUCTURETOOSMALL,
                                                 LINEERR_NOMEM, std::ref(provider));
    // "COM1\0" with its NUL counted, and the same size read one short and one long.
    EXPECT_EQ(answer.text(sizeof(VARSTRING), 5), "COM1");
    EXPECT_EQ(answer.text(sizeof(VARSTRING), 3), "COM");
    EXPECT_EQ(answer.text(sizeof(VARSTRING), 9), "COM1");
}

// A count read from a provider's structure is believed only as far as its entries could fit.
TEST(VarStructure, CountsAreCappedByTheUsedSize) {
    DWORD used = 40;
    const auto provider = [&](void* buffer) {
        static_cast<VARSTRING*>(buffer)->dwNeededSize = 40;
        static_cast<VARSTRING*>(buffer)->dwUsedSize = used;
        return LONG{0};
    };
    const TlkVarStructure answer =
        TlkReadVarStructure(sizeof(VARSTRING), LINEERR_STRUCTURETOOSMALL, LINEERR_NOMEM, provider);
    EXPECT_EQ(answer.countThatFits(2, 4), 2u);
    EXPECT_EQ(answer.countThatFits(0xFFFFFFFF, 4), 10u);
    EXPECT_EQ(answer.countThatFits(0xFFFFFFFF, 0), 40u);
    used = 0xFFFFFFFF;  // a used size beyond the buffer counts as the buffer
    const TlkVarStructure lying =
        TlkReadVarStructure(sizeof(VARSTRING), LINEERR_STRUCTURETOOSMALL, LINEERR_NOMEM, provider);
    ASSERT_EQ(lying.result, 0);
    EXPECT_EQ(lying.countThatFits(0xFFFFFFFF, 1), lying.size());
}

}  // namespace
