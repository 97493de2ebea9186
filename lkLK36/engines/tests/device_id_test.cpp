// The related-device ids of an open line, asked of the simulated exchange.
#include <gtest/gtest.h>

#include "lkLK36/engines/lkLKShare.h"
#include "platform/core/virtual_time.h"
#include "platform/tapi/exchange.h"
#include "platform/tapi/tapi.h"

namespace {

constexpr DWORD untouched = 0xDEADBEEF;

void ignoreMessages(DWORD, DWORD, DWORD_PTR, DWORD_PTR, DWORD_PTR, DWORD_PTR) {}

class DeviceId : public ::testing::Test {
  protected:
    void SetUp() override {
        tapi::exchange().reset();
        LINEINITIALIZEEXPARAMS params{};
        params.dwTotalSize = sizeof params;
        params.dwOptions = LINEINITIALIZEEXOPTION_USEHIDDENWINDOW;
        DWORD devices = 0;
        DWORD version = TAPI_CURRENT_VERSION;
        ASSERT_EQ(lineInitializeExA(&m_app, nullptr, ignoreMessages, "engines test", &devices,
                                    &version, &params),
                  0);
        DWORD api = 0;
        LINEEXTENSIONID extension{};
        ASSERT_EQ(
            lineNegotiateAPIVersion(m_app, 0, TAPI_VERSION1_0, TAPI_VERSION2_2, &api, &extension),
            0);
        ASSERT_EQ(lineOpen(m_app, 0, &line, api, 0, 0,
                           LINECALLPRIVILEGE_MONITOR | LINECALLPRIVILEGE_OWNER,
                           LINEMEDIAMODE_INTERACTIVEVOICE, nullptr),
                  0);
    }
    void TearDown() override {
        lineClose(line);
        lineShutdown(m_app);
        tapi::exchange().reset();
    }

    core::VirtualTime time;
    HLINE line = 0;

  private:
    HLINEAPP m_app = 0;
};

TEST_F(DeviceId, NamesTheLinesWaveDevices) {
    for (bool large : {false, true}) {  // large: the answer needs more than 4096 extra bytes
        SCOPED_TRACE(large);
        tapi::exchange().setLargeStructures(large);
        DWORD waveIn = untouched, waveOut = untouched;
        EXPECT_TRUE(QueryLineDeviceID("wave/in", line, waveIn));
        EXPECT_TRUE(QueryLineDeviceID("wave/out", line, waveOut));
        EXPECT_EQ(waveIn, tapi::exchange().line(0)->waveIn);
        EXPECT_EQ(waveOut, tapi::exchange().line(0)->waveOut);
    }
}

TEST_F(DeviceId, LeavesTheIdAloneWhenTapiRefuses) {
    struct Case {
        const char* deviceClass;
        DWORD handle;
    };
    const Case cases[] = {
        {"no/such/class", line},
        {"wave/in", line + 1000},  // not a line handle
        {"comm/datamodem", line},  // asked of a call: a line handle is no call handle
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.deviceClass);
        DWORD id = untouched;
        EXPECT_FALSE(QueryLineDeviceID(c.deviceClass, c.handle, id));
        EXPECT_EQ(id, untouched);
    }
    tapi::exchange().setInjectedFailure("lineGetID", LINEERR_OPERATIONFAILED);
    DWORD id = untouched;
    EXPECT_FALSE(QueryLineDeviceID("wave/in", line, id));
    EXPECT_EQ(id, untouched);
}

}  // namespace
