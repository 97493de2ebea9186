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

// Ends the exchange on `chan`: the server it connected to and a message not yet sent are
// forgotten (integer parameters stay). Harmless on a channel with no exchange, and may be called
// again: 0. SEE_NOT_ATTACHED before seeAttach or after seeRelease; SEE_BAD_CHANNEL for a channel
// number out of range.
std::int32_t seeClose(std::int32_t chan);

// Closes every channel and gives the engine up; seeAttach may be called again afterwards.
// 0 on success; SEE_NOT_ATTACHED when the engine is not attached.
std::int32_t seeRelease();

inline constexpr std::int32_t SEE_MAX_CHANNELS = 32;

// ---- Exchanges. `chan` is a channel of seeAttach; every call below returns SEE_NOT_ATTACHED or
// SEE_BAD_CHANNEL for a channel it cannot use. Every network wait is bounded by the channel's
// time-out (SEE_TIMED_OUT). Texts are C strings; an empty field may be passed as "" or as the
// one-character text NUL.

// Integer parameters. 8: start of a new send (value ignored); 9: the session's state flag (kept);
// 2, 3, 6: POP3 time-outs in milliseconds; the shortest time-out set bounds every exchange on the
// channel (a default applies until one is set). Any other number is stored and ignored.
std::int32_t seeIntegerParam(std::int32_t chan, std::int32_t param, std::int32_t value);
// String parameters. 51: extra header lines for the next message, joined by CR LF, ending at the
// first NUL. Any other number is ignored.
std::int32_t seeStringParam(std::int32_t chan, std::int32_t param, const char* text);
// Servers are "host" or "host:port", optionally after "smtps://" or "pop3s://" for a server that
// speaks TLS from the start, as ports 465 and 995 do. Elsewhere TLS is used when the server offers
// it (STARTTLS, STLS), plain text otherwise; certificates are checked against the system's store
// ($BELLTALE_MAIL_CA_FILE replaces it). A refusal is reported by what the server said: a transient
// one (SMTP 4xx, POP3 "[IN-USE]" or "[SYS/TEMP]") as SEE_SERVER_DEFERRED, a refused login (x3x,
// "[AUTH]") as SEE_LOGIN_REFUSED, any other as SEE_SERVER_REFUSED. The exchanges load libcurl on
// first need ($BELLTALE_LIBCURL names another file); without it each fails with
// SEE_NO_INTERNET_LIBRARY, the loader's reason on stderr.

// Connects to the SMTP server `server` (port 25 by default) as sender `from` (an address, with or
// without angle brackets). The server is greeted, so a server that is down, unknown or silent
// fails here.
std::int32_t seeSmtpConnect(std::int32_t chan, const char* server, const char* from,
                            const char* replyTo);
// Logs in to the POP3 server `server` (port 110 by default) and counts the messages waiting.
// SEE_LOGIN_REFUSED when the server refuses the user name or password; SEE_ANSWER_UNREADABLE for
// a listing longer than any real mailbox's.
std::int32_t seePop3Connect(std::int32_t chan, const char* server, const char* user,
                            const char* password);
// Debug item 25: the connected server's address, written into `buffer` (of `size` bytes, NUL
// ended, cut to fit). SEE_NOT_CONNECTED before a connect; 0 for other items, writing "".
std::int32_t seeDebug(std::int32_t chan, std::int32_t item, char* buffer, std::int32_t size);
// Prepares one message to `to` (copies to `cc` and `bcc`, each an address or a list separated by
// ",", with or without angle brackets), with the subject, the body (lines joined by CR LF) and an
// optional file attached. The headers Date, Message-ID, From, To, Cc, Subject and parameter 51's
// lines are written. seeDriver sends it.
std::int32_t seeSendEmail(std::int32_t chan, const char* to, const char* cc, const char* bcc,
                          const char* subject, const char* body, const char* attachment);
// Sends the prepared message: 0 once it is sent, or a failure code. Never positive here: the
// whole message goes in one call.
std::int32_t seeDriver(std::int32_t chan);
// Statistics item 15: the bytes of the last message sent; 0 for other items.
std::int32_t seeStatistics(std::int32_t chan, std::int32_t item);
// The number of messages waiting, counted at the POP3 connect; SEE_NOT_CONNECTED without one.
std::int32_t seeGetEmailCount(std::int32_t chan);
