#include "platform/serial/testing/fake_port.h"

namespace serial::testing {

struct FakePort::State {
    LONG openError = 0;
    bool refuseParity = false;
    bool open = false;
    std::string path;
    std::string received;
    std::string sent;
    LineSettings settings;
    SHORT handshaking = comNone;
    bool dtr = false;
    bool rts = false;
    bool ring = false;
    bool unplugged = false;
    int opens = 0;
};

namespace {

class FakeDevice final : public Device {
  public:
    explicit FakeDevice(std::shared_ptr<FakePort::State> state) : m_state(std::move(state)) {}

    bool open(const std::string& path) override {
        if (m_state->unplugged) {
            m_state->openError = comPortInvalid;
        }
        if (m_state->openError != 0) {
            return false;
        }
        m_state->open = true;
        m_state->path = path;
        ++m_state->opens;
        return true;
    }
    void close() override {
        m_state->open = false;
        m_state->dtr = false;
        m_state->rts = false;
    }
    LONG errorNumber() const override { return m_state->openError; }
    bool configure(const LineSettings& settings, SHORT handshaking) override {
        if (m_state->refuseParity && settings.parity != 'N') {
            return false;
        }
        m_state->settings = settings;
        m_state->handshaking = handshaking;
        return true;
    }
    bool setDtr(bool on) override {
        m_state->dtr = on;
        return true;
    }
    bool setRts(bool on) override {
        m_state->rts = on;
        return true;
    }
    std::string readAvailable() override { return std::exchange(m_state->received, {}); }
    bool write(std::string_view bytes) override {
        m_state->sent += bytes;
        return true;
    }
    void discardInput() override { m_state->received.clear(); }
    std::optional<bool> ringIndicator() override { return m_state->ring; }
    bool hungUp() override { return m_state->unplugged; }

  private:
    std::shared_ptr<FakePort::State> m_state;
};

}  // namespace

FakePort::FakePort() : m_state(std::make_shared<State>()) {
    setDeviceFactory([state = m_state] { return std::make_unique<FakeDevice>(state); });
}

FakePort::~FakePort() {
    setDeviceFactory({});
}

void FakePort::failOpens(LONG errorNumber) {
    m_state->openError = errorNumber;
}
void FakePort::refuseParity(bool refuse) {
    m_state->refuseParity = refuse;
}
void FakePort::feed(std::string_view bytes) {
    m_state->received += bytes;
}
void FakePort::unplug() {
    m_state->unplugged = true;
}
void FakePort::plugIn() {
    m_state->unplugged = false;
    m_state->openError = 0;
}
void FakePort::setRing(bool on) {
    m_state->ring = on;
}
std::string FakePort::sent() const {
    return m_state->sent;
}
bool FakePort::open() const {
    return m_state->open;
}
std::string FakePort::openedPath() const {
    return m_state->path;
}
LineSettings FakePort::settings() const {
    return m_state->settings;
}
SHORT FakePort::handshaking() const {
    return m_state->handshaking;
}
bool FakePort::dtr() const {
    return m_state->dtr;
}
bool FakePort::rts() const {
    return m_state->rts;
}
int FakePort::opens() const {
    return m_state->opens;
}

}  // namespace serial::testing
