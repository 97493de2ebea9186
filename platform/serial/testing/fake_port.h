// A fake serial device for tests of what a pseudo-terminal cannot show: modem control lines,
// parity, a port that will not open. While a FakePort exists, every serial control that opens a
// port drives it; feed it bytes, raise its ring line, read what was sent.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/serial/serial.h"

namespace serial::testing {

class FakePort {
  public:
    FakePort();
    ~FakePort();  // the controls go back to real devices
    FakePort(const FakePort&) = delete;
    FakePort& operator=(const FakePort&) = delete;

    // The next opens fail with this error number (0: they succeed again).
    void failOpens(LONG errorNumber);
    // The device refuses line parameters with a parity other than N, as a pseudo-terminal does.
    void refuseParity(bool refuse);

    // Bytes as if the far end had sent them.
    void feed(std::string_view bytes);
    // The device goes away: an open port sees it hang up at its next read, and opens fail
    // (comPortInvalid) until it is plugged in again.
    void unplug();
    void plugIn();
    // The ring indicator line.
    void setRing(bool on);
    // Everything controls wrote, in order.
    std::string sent() const;

    bool open() const;
    std::string openedPath() const;
    LineSettings settings() const;
    SHORT handshaking() const;
    bool dtr() const;
    bool rts() const;
    int opens() const;

    struct State;

  private:
    std::shared_ptr<State> m_state;
};

}  // namespace serial::testing
