// The parse of what modems and caller-ID units send, over batches as real devices write them.
#include "vevuzer/monitoring/serial_batch.h"

#include <gtest/gtest.h>

#include <string>

#include "tools/modemsim/modem_simulator.h"

namespace {

using vevuzer::monitoring::parseCallerIdBlock;
using vevuzer::monitoring::parseSerialBatch;
using vevuzer::monitoring::SerialCallerId;
using vevuzer::monitoring::SerialDevice;

struct Expected {
    std::string_view number;
    std::string_view name;
    bool withheld;
    bool outOfArea;
    bool ring;
};

void expectParse(const SerialCallerId& got, const Expected& want) {
    EXPECT_EQ(got.number, want.number);
    EXPECT_EQ(got.name, want.name);
    EXPECT_EQ(got.withheld, want.withheld);
    EXPECT_EQ(got.outOfArea, want.outOfArea);
    EXPECT_EQ(got.ring, want.ring);
}

TEST(SerialCallerIdText, ReadsModemReportsAsModemsSendThem) {
    struct Case {
        std::string_view batch;
        Expected want;
    };
    static constexpr Case cases[] = {
        // After the first ring, blanks around "=".
        {"RING\r\n\r\nDATE = 0102\r\nTIME = 1000\r\nNMBR = 0123456789\r\nNAME = SMITH J\r\n",
         {"0123456789", "SMITH J", false, false, true}},
        // Before the first ring (the UK way), no blanks, LF line ends, no name.
        {"\nDATE=0302\nTIME=0915\nNMBR=01632960123\n\nRING\n",
         {"01632960123", "", false, false, true}},
        {"\r\nDATE = 0302\r\nTIME = 0915\r\nNMBR = 01632960123\r\n",
         {"01632960123", "", false, false, false}},
        {"date = 0302\r\ntime = 0915\r\nnmbr = 01632960123\r\nname = ann smith\r\n",
         {"01632960123", "ann smith", false, false, false}},
        {"NAME = ANN SMITH\r\nNMBR = 01632960123\r\n",
         {"01632960123", "ANN SMITH", false, false, false}},
        {"MESG = 030132\r\nDATE = 0302\r\nNMBR = 01632960123\r\nMESG = 0801\r\n",
         {"01632960123", "", false, false, false}},
        // Withheld and out of area as single letters, in either field.
        {"RING\r\nDATE = 0302\r\nTIME = 0915\r\nNMBR = P\r\n", {"", "", true, false, true}},
        {"DATE = 0302\r\nTIME = 0915\r\nNMBR = O\r\nNAME = O\r\n", {"", "", false, true, false}},
        // Beside a number, "P" or "O" is a name too short to keep; alone, it says why.
        {"NMBR=0123456789\r\nNAME=P\r\n", {"0123456789", "", false, false, false}},
        {"NAME = O\r\nNMBR = 2125550100\r\n", {"2125550100", "", false, false, false}},
        {"RING\r\nNAME = P\r\n", {"", "", true, false, true}},
        {"NMBR=12\r\nNAME = O\r\n", {"", "", false, true, false}},
        // Modems that spell it out.
        {"NMBR = WITHHELD\r\n", {"WITHHELD", "", true, false, false}},
        {"NAME = OUTOFAREA\r\n", {"", "OUTOFAREA", false, true, false}},
        {"NAME = Private\r\nNMBR = 0123456789\r\n", {"0123456789", "Private", false, false, false}},
        // Other number keys, used only when no NMBR is there.
        {"DDN_NMBR= 5551234567\r\n", {"5551234567", "", false, false, false}},
        {"DDN_NMBR = 5551234567\r\nNMBR = 0123456789\r\n", {"0123456789", "", false, false, false}},
        {"NUMBER = 555\r\nNBR = 666\r\n", {"555", "", false, false, false}},
        {"NBR=01632960123\r\nNME=ANN\r\n", {"01632960123", "ANN", false, false, false}},
        // Too short to be a number; the blank counts.
        {"NMBR=12\r\n", {"", "", false, false, false}},
        {"NMBR= 12\r\n", {"12", "", false, false, false}},
        // A key without "=" on its line gives nothing, and takes nothing from the next line.
        {"RING\r\nNAME\r\nTIME = 0915\r\n", {"", "", false, false, true}},
        // A ring is a line that is RING, not a name holding the word.
        {"NMBR = 0123456789\r\nNAME = BRINGHURST\r\n",
         {"0123456789", "BRINGHURST", false, false, false}},
        {"  ring  \r\n", {"", "", false, false, true}},
        // Noise between records and before a key.
        {"OK\r\n\x10\x7f"
         "NMBR = 0123456789\r\nAT&F\r\n\r\nERROR\r\nNAME = ANN\r\n",
         {"0123456789", "ANN", false, false, false}},
        // Keywords anywhere: two fields on one line (the name runs to the line's end), noise
        // right before a keyword, any letter case.
        {"NAME=SMITH J      NMBR=2125550100\r\n",
         {"2125550100", "SMITH J      NMBR=2125550100", false, false, false}},
        {"DATE=0302 TIME=0915 NMBR=2125550100\r\n", {"2125550100", "", false, false, false}},
        {"\x02\x13NmBr=2125550100\r\n\x7f\x01name=JONES\r\n",
         {"2125550100", "JONES", false, false, false}},
        {"RING\r\nCALLER NMBR: 2125550100\r\n", {"", "", false, false, true}},
        // NMBR at the end of DDN_NMBR is the dialled number's keyword.
        {"DDN_NMBR=5551234567 NUMBER=2125550100\r\n", {"2125550100", "", false, false, false}},
        {"", {"", "", false, false, false}},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(testing::PrintToString(std::string(row.batch)));
        expectParse(parseSerialBatch(row.batch, SerialDevice::Modem), row.want);
    }
}

TEST(SerialCallerIdBlock, ReadsDataBlocksByTheirFieldCodes) {
    using modemsim::mdmfBlockOf;
    using modemsim::mdmfParameter;
    struct Case {
        const char* what;
        std::string block;
        Expected want;
    };
    const Case cases[] = {
        {"multiple data",
         modemsim::mdmfBlock("03020915", "01632960123", "ANN SMITH"),
         {"01632960123", "ANN SMITH", false, false, false}},
        {"name before number",
         mdmfBlockOf(mdmfParameter(0x07, "SMITH J") + mdmfParameter(0x01, "03020915") +
                     mdmfParameter(0x02, "0123456789")),
         {"0123456789", "SMITH J", false, false, false}},
        {"unknown codes skipped",
         mdmfBlockOf(mdmfParameter(0x11, "x") + mdmfParameter(0x02, "0123456789")),
         {"0123456789", "", false, false, false}},
        {"withheld", modemsim::mdmfBlock("03020915", "P", ""), {"", "", true, false, false}},
        {"out of area, name too",
         modemsim::mdmfBlock("03020915", "O", "O"),
         {"", "", false, true, false}},
        {"private name, number known",
         modemsim::mdmfBlock("03020915", "0123456789", "P"),
         {"0123456789", "", false, false, false}},
        {"dialable number only",
         mdmfBlockOf(mdmfParameter(0x03, "0123456789")),
         {"0123456789", "", false, false, false}},
        {"single data",
         modemsim::sdmfBlock("03020915", "0123456789"),
         {"0123456789", "", false, false, false}},
        {"single data withheld",
         modemsim::sdmfBlock("03020915", "P"),
         {"", "", true, false, false}},
        {"noise before and after",
         "\x55\x55\x55" + modemsim::mdmfBlock("03020915", "0123456789", "ANN") + "\r\n",
         {"0123456789", "ANN", false, false, false}},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.what);
        expectParse(parseSerialBatch(row.block, SerialDevice::CallerIdUnit), row.want);
    }
}

TEST(SerialCallerIdBlock, RefusesBadChecksumsAndCutBlocks) {
    const std::string block = modemsim::mdmfBlock("03020915", "01632960123", "ANN SMITH");
    std::string bad = block;
    bad.back() = static_cast<char>(bad.back() + 1);
    expectParse(parseCallerIdBlock(bad), {"", "", false, false, false});
    // Cut at every position: nothing, and nothing read beyond the bytes given.
    for (std::size_t size = 0; size + 1 < block.size(); ++size) {
        SCOPED_TRACE(size);
        expectParse(parseCallerIdBlock(block.substr(0, size)), {"", "", false, false, false});
    }
    // A parameter longer than its block.
    std::string overlong = modemsim::mdmfBlockOf(modemsim::mdmfParameter(0x02, "0123456789"));
    overlong[3] = 0x40;
    expectParse(parseCallerIdBlock(overlong), {"", "", false, false, false});
}

TEST(SerialCallerIdBlock, AcceptsABlockWhoseNulChecksumThePortDropped) {
    // Find a name that makes the checksum 0, then drop that byte as the port does.
    for (char first = 'A'; first <= 'Z'; ++first) {
        for (char last = 'A'; last <= 'Z'; ++last) {
            const std::string name = std::string("ANN SMI") + first + last;
            const std::string block = modemsim::mdmfBlock("03020915", "0123456789", name);
            if (block.back() != '\0') {
                continue;
            }
            expectParse(parseCallerIdBlock(block.substr(0, block.size() - 1)),
                        {"0123456789", name, false, false, false});
            return;
        }
    }
    FAIL() << "no name gives a NUL checksum";
}

TEST(SerialCallerIdBlock, AShortBatchFromTheUnitIsReadAsText) {
    expectParse(parseSerialBatch("RING\r\n", SerialDevice::CallerIdUnit),
                {"", "", false, false, true});
}

}  // namespace
