// The serial port module: the device over QSerialPort, the one piece of the serial layer that needs
// Qt's serial port library. Reads never wait: what the kernel holds is taken by polling
// the port with a zero timeout, so the control reads the same way in a real run and in virtual
// time, without depending on Qt's event loop.
#include <poll.h>

#include <QSerialPort>

#include <filesystem>

#include "platform/serial/serial_port_module.h"

namespace serial {
namespace {

class SerialPortDevice final : public Device {
  public:
    bool open(const std::string& path) override {
        std::error_code ignored;
        if (!std::filesystem::exists(path, ignored)) {
            m_error = comPortInvalid;
            return false;
        }
        m_port.setPortName(QString::fromStdString(path));
        // Qt's own buffer would otherwise take whatever a device sends, without limit.
        m_port.setReadBufferSize(static_cast<qint64>(kReadLimit));
        m_hungUp = false;
        if (!m_port.open(QIODevice::ReadWrite)) {
            m_error = m_port.error() == QSerialPort::DeviceNotFoundError ? comPortInvalid
                                                                         : comHardwareUnavailable;
            return false;
        }
        return true;
    }
    void close() override { m_port.close(); }
    LONG errorNumber() const override { return m_error; }

    bool configure(const LineSettings& settings, SHORT handshaking) override {
        bool ok = m_port.setBaudRate(settings.baud) &&
                  m_port.setDataBits(static_cast<QSerialPort::DataBits>(settings.dataBits)) &&
                  m_port.setParity(parityOf(settings.parity)) &&
                  m_port.setStopBits(settings.stopBits == 2 ? QSerialPort::TwoStop
                                                            : QSerialPort::OneStop);
        // Flow control is best-effort: a pseudo-terminal has no RTS or CTS line.
        m_port.setFlowControl(handshaking == comRTS || handshaking == comRTSXOnXOff
                                  ? QSerialPort::HardwareControl
                              : handshaking == comXOnXoff ? QSerialPort::SoftwareControl
                                                          : QSerialPort::NoFlowControl);
        m_port.clearError();
        return ok;
    }
    bool setDtr(bool on) override { return settle(m_port.setDataTerminalReady(on)); }
    bool setRts(bool on) override {
        // Under hardware flow control the port drives RTS itself.
        if (m_port.flowControl() == QSerialPort::HardwareControl) {
            return false;
        }
        return settle(m_port.setRequestToSend(on));
    }

    // Takes what the kernel holds, up to the read limit: a device that never pauses would keep an
    // unbounded loop going.
    std::string readAvailable() override {
        const auto limit = static_cast<qint64>(kReadLimit);
        while (m_port.bytesAvailable() < limit && m_port.waitForReadyRead(0)) {
        }
        noteHangUp();
        m_port.clearError();
        const QByteArray bytes = m_port.read(limit);
        return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    }
    bool hungUp() override { return m_hungUp; }
    bool write(std::string_view bytes) override {
        const qint64 written = m_port.write(bytes.data(), static_cast<qint64>(bytes.size()));
        // Hand everything to the kernel now: the program may pump no event loop for a while.
        while (m_port.bytesToWrite() > 0 && m_port.waitForBytesWritten(100)) {
        }
        return written == static_cast<qint64>(bytes.size());
    }
    void discardInput() override {
        readAvailable();
        m_port.clear(QSerialPort::Input);
        m_port.readAll();
    }
    std::optional<bool> ringIndicator() override {
        const QSerialPort::PinoutSignals pins = m_port.pinoutSignals();
        if (m_port.error() != QSerialPort::NoError) {
            m_port.clearError();
            return std::nullopt;
        }
        return pins.testFlag(QSerialPort::RingIndicatorSignal);
    }

  private:
    // An unplugged device or a terminal whose far end closed reports a hang-up for ever: reads
    // give nothing and polling it would never wait.
    void noteHangUp() {
        if (m_port.error() == QSerialPort::ResourceError) {
            m_hungUp = true;
            return;
        }
        pollfd fd{static_cast<int>(m_port.handle()), POLLIN, 0};
        if (fd.fd >= 0 && ::poll(&fd, 1, 0) > 0 && (fd.revents & (POLLHUP | POLLERR | POLLNVAL))) {
            m_hungUp = true;
        }
    }

    static QSerialPort::Parity parityOf(char parity) {
        switch (parity) {
            case 'E':
                return QSerialPort::EvenParity;
            case 'O':
                return QSerialPort::OddParity;
            case 'M':
                return QSerialPort::MarkParity;
            case 'S':
                return QSerialPort::SpaceParity;
            default:
                return QSerialPort::NoParity;
        }
    }
    bool settle(bool ok) {
        m_port.clearError();
        return ok;
    }

    QSerialPort m_port;
    LONG m_error = 0;
    bool m_hungUp = false;
};

Device* newDevice() {
    return new SerialPortDevice();
}

constexpr BelltaleSerialFunctions kFunctions{newDevice};

}  // namespace
}  // namespace serial

extern "C" __attribute__((visibility("default"))) const BelltaleSerialFunctions*
belltale_serial_functions() {
    return &serial::kFunctions;
}
