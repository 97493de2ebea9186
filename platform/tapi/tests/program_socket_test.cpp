// The running program's socket for telsim: it listens from the first initialisation of the line
// API until the last application shuts it down, and not at all where it is switched off.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "platform/tapi/control_socket.h"
#include "platform/tapi/tapi.h"

namespace {

namespace fs = std::filesystem;

class ProgramSocket : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::path(::testing::TempDir()) / "socket-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_folder = pattern;
        ::setenv("XDG_RUNTIME_DIR", m_folder.c_str(), 1);
    }
    void TearDown() override {
        ::unsetenv("XDG_RUNTIME_DIR");
        ::unsetenv("BELLTALE_EXCHANGE_SOCKET");
        fs::remove_all(m_folder);
    }
    static HLINEAPP initialise() {
        HLINEAPP app = 0;
        DWORD devices = 0;
        DWORD version = TAPI_CURRENT_VERSION;
        LINEINITIALIZEEXPARAMS params{};
        params.dwTotalSize = sizeof params;
        params.dwOptions = LINEINITIALIZEEXOPTION_USEHIDDENWINDOW;
        EXPECT_EQ(
            lineInitializeExA(
                &app, nullptr, [](DWORD, DWORD, DWORD_PTR, DWORD_PTR, DWORD_PTR, DWORD_PTR) {},
                "test", &devices, &version, &params),
            0);
        return app;
    }

    fs::path m_folder;
};

TEST_F(ProgramSocket, ListensWhileAnApplicationHasTheLineApi) {
    ::setenv("BELLTALE_EXCHANGE_SOCKET", "on", 1);
    const fs::path socket = tapi::ControlSocket::defaultPath();
    EXPECT_FALSE(fs::exists(socket));
    const HLINEAPP first = initialise();
    EXPECT_TRUE(fs::exists(socket));
    const HLINEAPP second = initialise();
    EXPECT_EQ(lineShutdown(first), 0);
    EXPECT_TRUE(fs::exists(socket)) << "an application still has the line API";
    EXPECT_EQ(lineShutdown(second), 0);
    EXPECT_FALSE(fs::exists(socket));
}

TEST_F(ProgramSocket, StaysClosedWhenSwitchedOff) {
    ::setenv("BELLTALE_EXCHANGE_SOCKET", "off", 1);
    const HLINEAPP app = initialise();
    EXPECT_FALSE(fs::exists(tapi::ControlSocket::defaultPath()));
    EXPECT_EQ(lineShutdown(app), 0);
}

}  // namespace
