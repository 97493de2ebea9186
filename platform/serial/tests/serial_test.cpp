// The serial control as a container drives it, by DISPID: over a pseudo-terminal with the modem
// simulator on the far side where a terminal can show it, and over the fake device for the modem
// lines and the failures a terminal cannot produce.
#include "platform/serial/serial.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <QSerialPortInfo>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/com/connection_point.h"
#include "platform/com/dispatch_client.h"
#include "platform/core/folders.h"
#include "platform/core/text.h"
#include "platform/core/virtual_time.h"
#include "platform/registry/registry.h"
#include "platform/serial/testing/comm_events.h"
#include "platform/serial/testing/fake_port.h"
#include "tools/modemsim/modem_simulator.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const char* errorName(HRESULT hr) {
    switch (hr) {
        case serial::errorHresult(serial::comPortInvalid):
            return "comPortInvalid";
        case serial::errorHresult(serial::comPortOpen):
            return "comPortOpen";
        case serial::errorHresult(serial::comPortAlreadyOpen):
            return "comPortAlreadyOpen";
        case serial::errorHresult(serial::comPortNotOpen):
            return "comPortNotOpen";
        case serial::errorHresult(serial::comInvalidPropertyValue):
            return "comInvalidPropertyValue";
        case serial::errorHresult(serial::comSetCommStateFailed):
            return "comSetCommStateFailed";
        case serial::errorHresult(serial::comHardwareUnavailable):
            return "comHardwareUnavailable";
        case S_OK:
            return "S_OK";
        default:
            return "another HRESULT";
    }
}

bool serialPortModuleMapped() {
    std::ifstream maps("/proc/self/maps");
    const std::string text{std::istreambuf_iterator<char>(maps), {}};
    return text.find("libbelltale_serial_port.so") != std::string::npos;
}

// The member's own failure, as the container's EXCEPINFO carries it.
std::string failure(const com::Outcome& outcome) {
    return outcome.succeeded() ? "S_OK" : errorName(outcome.scode);
}

class SerialControl : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::path(::testing::TempDir()) / "serial-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_home = pattern;
        ::setenv("BELLTALE_HOME", m_home.c_str(), 1);
        registry::dropCache();
        m_sink = com::make<com::EventSink>(
            serial::DIID_DMSCommEvents, [this](DISPID dispid, const com::EventArgs&) {
                if (dispid == serial::DISPID_OnComm) {
                    m_events.push_back(*m_comm.get(serial::DISPID_CommEvent).value.toInt32());
                }
                return S_OK;
            });
        ASSERT_EQ(
            com::connectSink(m_comm.pointer(), serial::DIID_DMSCommEvents, m_sink.get(), &m_cookie),
            S_OK);
    }
    void TearDown() override {
        com::disconnectSink(m_comm.pointer(), serial::DIID_DMSCommEvents, m_cookie);
        std::error_code ignored;
        fs::remove_all(m_home, ignored);
    }

    static void mapPort(int port, const std::string& path) {
        registry::writeString(HKEY_LOCAL_MACHINE, serial::kSerialCommKey, path,
                              "COM" + std::to_string(port));
    }
    com::Outcome put(DISPID dispid, const com::Variant& value) const {
        return m_comm.invoke(dispid, DISPATCH_PROPERTYPUT, {value});
    }
    bool portOpen() const { return m_comm.get(serial::DISPID_PortOpen).value.toBool().value(); }
    std::string input() const { return m_comm.get(serial::DISPID_Input).value.toString().value(); }

    core::VirtualTime m_time;
    fs::path m_home;
    com::Dispatch m_comm{serial::createMSCommObject()};
    com::Ptr<com::EventSink> m_sink;
    DWORD m_cookie = 0;
    std::vector<LONG> m_events;
};

TEST_F(SerialControl, PortNumbersMapThroughTheRegistry) {
    EXPECT_EQ(serial::devicePathOfPort(1), "/dev/ttyS0");
    EXPECT_EQ(serial::devicePathOfPort(4), "/dev/ttyS3");
    mapPort(3, "/dev/ttyUSB0");
    mapPort(4, "/dev/ttyACM1");
    EXPECT_EQ(serial::devicePathOfPort(3), "/dev/ttyUSB0");
    EXPECT_EQ(serial::devicePathOfPort(4), "/dev/ttyACM1");
    EXPECT_EQ(serial::devicePathOfPort(2), "/dev/ttyS1");
}

TEST_F(SerialControl, ReadsAndWritesBytesUnchangedOverAPseudoTerminal) {
    modemsim::ModemSimulator modem;
    ASSERT_TRUE(modem.ready());
    mapPort(2, modem.devicePath());
    ASSERT_EQ(m_comm.put(serial::DISPID_CommPort, SHORT{2}), S_OK);
    ASSERT_EQ(m_comm.put(serial::DISPID_Settings, std::string_view("9600,N,8,1")), S_OK);
    ASSERT_EQ(failure(put(serial::DISPID_PortOpen, true)), "S_OK");
    EXPECT_TRUE(portOpen());

    // Commands leave with their CR and nothing added; the modem answers each.
    EXPECT_EQ(m_comm.put(serial::DISPID_Output, std::string_view("AT&F\r")), S_OK);
    EXPECT_EQ(m_comm.put(serial::DISPID_Output, std::string_view("AT+VCID=1\r")), S_OK);
    ASSERT_TRUE(modem.waitForCommands(2, 5s));
    EXPECT_EQ(modem.received(), "AT&F\rAT+VCID=1\r");
    const std::string replies = "\r\nOK\r\n\r\nOK\r\n";
    for (int i = 0; i < 500 && m_comm.get(serial::DISPID_InBufferCount).value.toInt32() <
                                   static_cast<LONG>(replies.size());
         ++i) {
        std::this_thread::sleep_for(5ms);
    }
    EXPECT_EQ(input(), replies);
    EXPECT_EQ(input(), "");

    // Every byte value but NUL comes through as the character of that code.
    std::string block;
    for (int b = 1; b < 256; ++b) {
        block.push_back(static_cast<char>(b));
    }
    modem.send(block);
    std::string got;
    for (int i = 0; i < 500 && got.size() < 255; ++i) {
        std::this_thread::sleep_for(5ms);
        const com::Outcome read = m_comm.get(serial::DISPID_Input);
        const std::u16string wide = core::toUtf16(read.value.toString().value());
        for (const char16_t c : wide) {
            got.push_back(static_cast<char>(c));
        }
    }
    EXPECT_EQ(got, block);

    EXPECT_EQ(failure(put(serial::DISPID_PortOpen, false)), "S_OK");
    EXPECT_FALSE(portOpen());
}

TEST_F(SerialControl, APortThatCannotOpenFailsTheCallAndStaysClosed) {
    mapPort(1, (m_home / "no-such-device").string());
    EXPECT_EQ(failure(put(serial::DISPID_PortOpen, true)), "comPortInvalid");
    EXPECT_FALSE(portOpen());
    // A closed port refuses the members that need it.
    EXPECT_EQ(failure(m_comm.get(serial::DISPID_Input)), "comPortNotOpen");
    EXPECT_EQ(failure(put(serial::DISPID_Output, std::string_view("ATH\r"))), "comPortNotOpen");
}

TEST_F(SerialControl, ARealPortOpensThroughTheSerialPortModule) {
    modemsim::ModemSimulator modem;
    ASSERT_TRUE(modem.ready());
    mapPort(2, modem.devicePath());
    ASSERT_EQ(m_comm.put(serial::DISPID_CommPort, SHORT{2}), S_OK);
    ASSERT_EQ(failure(put(serial::DISPID_PortOpen, true)), "S_OK");
    EXPECT_TRUE(serialPortModuleMapped());
    EXPECT_EQ(failure(put(serial::DISPID_PortOpen, false)), "S_OK");
}

// Without its module the layer opens no real port: the open fails as a port that cannot be opened
// does, the reason is said once however often the container tries, and the module found again
// serves the next open.
TEST_F(SerialControl, WithoutTheSerialPortModuleAPortFailsToOpenAndStderrSaysWhyOnce) {
    modemsim::ModemSimulator modem;
    ASSERT_TRUE(modem.ready());
    mapPort(2, modem.devicePath());
    ASSERT_EQ(m_comm.put(serial::DISPID_CommPort, SHORT{2}), S_OK);
    struct Case {
        const char* module;
        const char* reasonNames;
    };
    static constexpr Case cases[] = {
        {"/nonexistent/libbelltale_serial_port.so", "/nonexistent/libbelltale_serial_port.so"},
        {"libm.so.6", "belltale_serial_functions"},  // loads, but is not the module
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.module);
        ::setenv("BELLTALE_SERIAL_MODULE", c.module, 1);
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(failure(put(serial::DISPID_PortOpen, true)), "comHardwareUnavailable");
        EXPECT_EQ(failure(put(serial::DISPID_PortOpen, true)), "comHardwareUnavailable");
        const std::string said = ::testing::internal::GetCapturedStderr();
        EXPECT_FALSE(portOpen());
        const std::string::size_type first = said.find("serial port module could not be loaded");
        EXPECT_NE(first, std::string::npos) << said;
        EXPECT_EQ(said.find("serial port module", first + 1), std::string::npos) << said;
        EXPECT_NE(said.find(c.reasonNames), std::string::npos) << said;
    }
    ::unsetenv("BELLTALE_SERIAL_MODULE");
    EXPECT_EQ(failure(put(serial::DISPID_PortOpen, true)), "S_OK");
    EXPECT_TRUE(portOpen());
    EXPECT_EQ(failure(put(serial::DISPID_PortOpen, false)), "S_OK");
}

TEST_F(SerialControl, RefusesWhatTheControlRefuses) {
    serial::testing::FakePort port;
    EXPECT_EQ(failure(put(serial::DISPID_Settings, std::string_view("9600,N,8"))),
              "comInvalidPropertyValue");
    EXPECT_EQ(failure(put(serial::DISPID_Handshaking, SHORT{4})), "comInvalidPropertyValue");
    EXPECT_EQ(failure(put(serial::DISPID_CommPort, SHORT{0})), "comPortInvalid");
    ASSERT_EQ(failure(put(serial::DISPID_PortOpen, true)), "S_OK");
    EXPECT_EQ(failure(put(serial::DISPID_PortOpen, true)), "comPortAlreadyOpen");
    EXPECT_EQ(failure(put(serial::DISPID_CommPort, SHORT{2})), "comPortOpen");
    EXPECT_EQ(failure(put(serial::DISPID_InBufferCount, SHORT{3})), "comInvalidPropertyValue");
    // A device that cannot take the parameters keeps the ones it had.
    port.refuseParity(true);
    EXPECT_EQ(failure(put(serial::DISPID_Settings, std::string_view("1200,E,7,1"))),
              "comSetCommStateFailed");
    EXPECT_EQ(port.settings().baud, 9600);
}

TEST_F(SerialControl, OpensACallerIdUnitWithItsLinesAndHandshaking) {
    serial::testing::FakePort port;
    m_comm.put(serial::DISPID_CommPort, SHORT{3});
    m_comm.put(serial::DISPID_Settings, std::string_view("1200,N,8,1"));
    m_comm.put(serial::DISPID_DTREnable, true);
    m_comm.put(serial::DISPID_Handshaking, serial::comRTS);
    m_comm.put(serial::DISPID_RTSEnable, true);
    ASSERT_EQ(failure(put(serial::DISPID_PortOpen, true)), "S_OK");
    EXPECT_EQ(port.openedPath(), "/dev/ttyS2");
    EXPECT_EQ(port.settings().baud, 1200);
    EXPECT_EQ(port.handshaking(), serial::comRTS);
    EXPECT_TRUE(port.dtr());
    EXPECT_TRUE(port.rts());
    m_comm.put(serial::DISPID_PortOpen, false);
    EXPECT_FALSE(port.open());
}

TEST_F(SerialControl, InputKeepsEveryByteUnlessNulsAreDiscarded) {
    serial::testing::FakePort port;
    ASSERT_EQ(m_comm.put(serial::DISPID_PortOpen, true), S_OK);
    port.feed(std::string("\x80\x10\x00\x1A", 4));
    EXPECT_EQ(core::toUtf16(input()), std::u16string(u"\u0080\u0010\u0000\u001A", 4));
    m_comm.put(serial::DISPID_NullDiscard, true);
    m_comm.put(serial::DISPID_EOFEnable, true);
    port.feed(
        std::string("A\0B\x1A"
                    "C",
                    5));
    EXPECT_EQ(input(),
              "AB\x1A"
              "C");

    m_comm.put(serial::DISPID_InputLen, SHORT{2});
    port.feed("RING");
    EXPECT_EQ(input(), "RI");
    EXPECT_EQ(m_comm.get(serial::DISPID_InBufferCount).value.toInt32(), 2);
    EXPECT_EQ(m_comm.put(serial::DISPID_InBufferCount, SHORT{0}), S_OK);
    EXPECT_EQ(input(), "");
}

TEST_F(SerialControl, RaisesOnCommForTheRingLineAndForReceivedBytes) {
    serial::testing::FakePort port;
    ASSERT_EQ(m_comm.put(serial::DISPID_PortOpen, true), S_OK);
    port.setRing(true);
    m_time.advance(100ms);
    port.setRing(false);
    m_time.advance(100ms);
    EXPECT_EQ(m_events, std::vector<LONG>{serial::comEvRing});

    m_comm.put(serial::DISPID_RThreshold, SHORT{3});
    port.feed("RI");
    m_time.advance(100ms);
    port.feed("NG");
    m_time.advance(200ms);
    EXPECT_EQ(m_events, (std::vector<LONG>{serial::comEvRing, serial::comEvReceive}));
    EXPECT_EQ(input(), "RING");
}

TEST_F(SerialControl, TheTestHookRaisesARingOnTheOpenPortOfADevice) {
    serial::testing::FakePort port;
    EXPECT_EQ(serial::injectCommEvent("/dev/ttyS0", serial::comEvRing), 0);  // not open yet
    ASSERT_EQ(m_comm.put(serial::DISPID_PortOpen, true), S_OK);
    EXPECT_EQ(serial::injectCommEvent("/dev/ttyS0", serial::comEvRing), 1);
    EXPECT_TRUE(m_events.empty());  // it arrives when the program pumps
    m_time.runUntilIdle();
    EXPECT_EQ(m_events, std::vector<LONG>{serial::comEvRing});
}

}  // namespace

namespace {

// The far end of a terminal goes (an unplugged modem hangs up the same way): the port closes at
// the next read, and opens again once a device is back.
TEST_F(SerialControl, ADeviceThatGoesAwayClosesThePortAtTheNextRead) {
    auto modem = std::make_unique<modemsim::ModemSimulator>();
    ASSERT_TRUE(modem->ready());
    const fs::path link = m_home / "ttyModem";
    fs::create_symlink(modem->devicePath(), link);
    mapPort(1, link.string());
    ASSERT_EQ(failure(put(serial::DISPID_PortOpen, true)), "S_OK");
    modem->send("\r\nRING\r\n");
    std::string got;
    for (int i = 0; i < 500 && got.size() < 8; ++i) {
        std::this_thread::sleep_for(5ms);
        got += input();
    }
    EXPECT_EQ(got, "\r\nRING\r\n");
    EXPECT_TRUE(portOpen());
    // Unplugged, the device's link goes too: the freed pseudo-terminal's number may be
    // handed to another process's terminal meanwhile.
    modem.reset();
    fs::remove(link);
    EXPECT_EQ(input(), "");
    EXPECT_FALSE(portOpen());
    EXPECT_EQ(failure(put(serial::DISPID_PortOpen, true)), "comPortInvalid");

    modem = std::make_unique<modemsim::ModemSimulator>();
    fs::remove(link);
    fs::create_symlink(modem->devicePath(), link);
    EXPECT_EQ(failure(put(serial::DISPID_PortOpen, true)), "S_OK");
    EXPECT_TRUE(portOpen());
}

// A device that never pauses: one read takes a bounded amount, and the control keeps no more.
TEST_F(SerialControl, ReadsFromADeviceThatNeverPausesAreBounded) {
    modemsim::ModemSimulator modem;
    ASSERT_TRUE(modem.ready());
    mapPort(1, modem.devicePath());
    ASSERT_EQ(failure(put(serial::DISPID_PortOpen, true)), "S_OK");
    std::atomic<bool> sending{true};
    std::thread stream([&] {
        const std::string chunk(4096, 'x');
        while (sending) {
            modem.send(chunk);
        }
    });
    std::size_t largest = 0;
    std::size_t total = 0;
    for (int i = 0; i < 40; ++i) {
        std::this_thread::sleep_for(10ms);
        const std::size_t got =
            core::toUtf16(m_comm.get(serial::DISPID_Input).value.toString().value_or("")).size();
        largest = std::max(largest, got);
        total += got;
    }
    sending = false;
    // The reader keeps taking from the terminal until the stream stops, so the writer can end.
    for (int i = 0; i < 100; ++i) {
        m_comm.get(serial::DISPID_Input);
    }
    stream.join();
    EXPECT_GT(total, 0u);
    EXPECT_LE(largest, serial::kReadLimit);
}

TEST(SerialPortMap, FillsTheMapFromTheMachinesDevicesKeepingWhatIsThere) {
    const fs::path home = fs::path(::testing::TempDir()) / "serial-map";
    fs::remove_all(home);
    fs::create_directories(home / "by-id");
    ::setenv("BELLTALE_HOME", home.c_str(), 1);
    registry::dropCache();
    // Stand-ins for device nodes, and a USB modem's stable name.
    for (const char* node : {"ttyUSB0", "ttyUSB1", "ttyACM0"}) {
        core::rewriteFile(home / node, "");
    }
    const std::string usb0 = (home / "ttyUSB0").string();
    const std::string usb1 = (home / "ttyUSB1").string();
    const std::string acm0 = (home / "ttyACM0").string();
    const fs::path stable = home / "by-id" / "usb-Acme_Voice_Modem_1234-if00";
    fs::create_symlink(usb0, stable);
    // The user gave the ACM device a number of their own.
    registry::writeString(HKEY_LOCAL_MACHINE, serial::kSerialCommKey, acm0, "COM7");

    struct Step {
        const char* what;
        std::vector<std::string> devices;
        std::vector<std::string> added;
    };
    const Step steps[] = {
        // Built-in ports keep their own numbers; the modem takes the lowest left, by its stable
        // name; the user's mapping stays.
        {"first start", {"/dev/ttyS0", "/dev/ttyS1", usb0, acm0}, {stable.string() + " = COM3"}},
        {"the same devices again", {"/dev/ttyS0", "/dev/ttyS1", usb0, acm0}, {}},
        // Another device, with no stable name, takes the next number.
        {"a second adapter", {"/dev/ttyS0", usb0, usb1}, {usb1 + " = COM2"}},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        EXPECT_EQ(serial::fillSerialCommMap(step.devices, home / "by-id"), step.added);
    }
    // Plugged into another socket, the modem is another node under the same stable name.
    fs::remove(stable);
    fs::create_symlink(usb1, stable);
    EXPECT_EQ(serial::fillSerialCommMap({usb1}, home / "by-id"), std::vector<std::string>{});
    EXPECT_EQ(serial::devicePathOfPort(3), stable.string());
    EXPECT_EQ(serial::devicePathOfPort(7), acm0);
    EXPECT_EQ(serial::serialPortList({"/dev/ttyS0"}),
              (std::vector<std::string>{"COM1 = /dev/ttyS0", "COM2 = " + usb1,
                                        "COM3 = " + stable.string(), "COM7 = " + acm0}));
    fs::remove_all(home);
}

// The machine's serial devices, read from sysfs, are the ports the serial-port library lists.
TEST(SerialPortMap, MachineDevicesAreThePortsTheSerialLibraryFinds) {
    std::vector<std::string> library;
    for (const QSerialPortInfo& port : QSerialPortInfo::availablePorts()) {
        library.push_back(port.systemLocation().toStdString());
    }
    std::vector<std::string> ours = serial::machineSerialDevices();
    std::sort(library.begin(), library.end());
    std::sort(ours.begin(), ours.end());
    EXPECT_EQ(ours, library);
}

}  // namespace
