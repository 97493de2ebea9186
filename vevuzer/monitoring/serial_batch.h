// What one batch of bytes from the serial port says about a call: the parse of a voice modem's
// caller-ID report or of a caller-ID unit's data block, and whether the batch reports a ring.
// Pure functions of the bytes: no state, no I/O, any input is safe.
#pragma once

#include <string>
#include <string_view>

namespace vevuzer::monitoring {

// A caller-ID unit's batch shorter than this is read as text.
inline constexpr std::size_t kShortestBlockBatch = 10;

enum class SerialDevice {
    Modem,         // caller ID as text lines ("NMBR = 0123"), rings as "RING" lines
    CallerIdUnit,  // caller ID as a binary data block
};

struct SerialCallerId {
    // The bytes of the number and name as sent, blanks trimmed; empty when missing or shorter than
    // the reader accepts.
    std::string number;
    std::string name;
    bool withheld = false;   // the caller withheld the number
    bool outOfArea = false;  // the network could not tell the number
    bool ring = false;       // a line of the batch is "RING"
};

// The whole parse of a batch. A caller-ID unit's batch of 10 or more bytes is read as a data
// block, anything else as text lines.
SerialCallerId parseSerialBatch(std::string_view batch, SerialDevice device);

// Caller-ID text as modems send it. Keywords are found anywhere in the text, in any case; the
// number comes from NMBR, else NUMBER, else DDN_NMBR, else DDN, else NBR; the name from NAME, else
// NME. A keyword's value is the text after the first "=" that follows it on its line, up to CR or
// LF; a keyword whose line has no "=" after it gives nothing. A number "P" means withheld and "O"
// out of area; a name "P" or "O" means so only when no number came. Other values shorter than 3
// characters (blanks counted) are missing. A ring is a line that is "RING".
SerialCallerId parseCallerIdText(std::string_view text);

// The first valid data block in the bytes: multiple-data (type 0x80, parameters by their codes in
// any order) or single-data (type 0x04). A block whose checksum fails or that is cut short is
// refused and gives nothing; one whose checksum byte is missing counts when the checksum would
// have been 0 (a port that discards NUL bytes drops it).
SerialCallerId parseCallerIdBlock(std::string_view bytes);

}  // namespace vevuzer::monitoring
