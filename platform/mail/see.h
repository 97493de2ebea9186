// The mail engine: SMTP and POP3 exchanges on numbered channels, with the calling conventions of a
// classic Windows mail library. Every call returns a 32-bit code: negative is a failure (see
// see_codes.h), zero or positive is success. Calls are synchronous, belong to the UI thread and
// never pump messages.
//
// Life of the engine: seeAttach once with the number of channels, then exchanges on channels
// 0 .. numChans-1, each ended by seeClose, and seeRelease at the end.
#pragma once

#include <cstdint>

// Makes `numChans` channels (1 .. SEE_MAX_CHANNELS) ready. `keyCode` is a licence key in the
// original library's convention; this engine needs none and accepts any value.
// 0 on success; SEE_ALREADY_ATTACHED when attached already (the channels stay as they are);
// SEE_BAD_CHANNEL_COUNT for a count out of range.
std::int32_t seeAttach(std::int32_t numChans, std::int32_t keyCode = 0);

// Ends the exchange on `chan`, closing its connection if one is open. Harmless on a channel with no
// connection, and may be called again: 0 then. SEE_NOT_ATTACHED before seeAttach or after
// seeRelease; SEE_BAD_CHANNEL for a channel number out of range. When an open connection cannot
// be ended cleanly its failure code is returned, and the channel is closed all the same.
std::int32_t seeClose(std::int32_t chan);

// Closes every channel and gives the engine up; seeAttach may be called again afterwards.
// 0 on success; SEE_NOT_ATTACHED when the engine is not attached.
std::int32_t seeRelease();

inline constexpr std::int32_t SEE_MAX_CHANNELS = 32;
