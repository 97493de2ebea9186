#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/core/clock.h"
#include "platform/core/virtual_time.h"
#include "platform/winmm/mmsystem.h"
#include "platform/winmm/wave_devices.h"
#include "vevuzer/settings/testing/fresh_program_folder.h"
#include "vevuzer/shell/sound.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

void putLe(std::string& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
    }
}

// A PCM wave file, 8000 samples a second, 16-bit mono, half a second of a rising pattern.
void writeHalfSecondWave(const fs::path& path) {
    std::string data;
    for (int i = 0; i < 4000; ++i) {
        putLe(data, static_cast<std::uint32_t>(i * 7) & 0xFFFF, 2);
    }
    std::string file = "RIFF";
    putLe(file, static_cast<std::uint32_t>(36 + data.size()), 4);
    file += "WAVEfmt ";
    putLe(file, 16, 4);
    putLe(file, 1, 2);      // PCM
    putLe(file, 1, 2);      // mono
    putLe(file, 8000, 4);   // samples a second
    putLe(file, 16000, 4);  // bytes a second
    putLe(file, 2, 2);      // block
    putLe(file, 16, 2);     // bits
    file += "data";
    putLe(file, static_cast<std::uint32_t>(data.size()), 4);
    file += data;
    std::ofstream(path, std::ios::binary) << file;
}

// The default output device writes what it plays to a file.
class Playfile : public ::testing::Test {
  protected:
    void SetUp() override {
        winmm::configureStandardWaveDevices("file-out=" + m_played.string());
        writeHalfSecondWave(m_ring);
    }
    void TearDown() override {
        sndPlaySoundA(nullptr, 0);
        m_time.runUntilIdle();
        winmm::configureStandardWaveDevices("null");
    }
    std::uintmax_t playedBytes() {
        m_time.runUntilIdle();
        std::error_code error;
        const auto size = fs::file_size(m_played, error);
        return error ? 0 : size;
    }

    core::VirtualTime m_time;
    vevuzer::testing::FreshProgramFolder m_folder;
    fs::path m_played = m_folder.home() / "played.wav";
    fs::path m_ring = m_folder.home() / "ring.wav";
};

TEST_F(Playfile, PlaysInTheBackgroundAndReturnsAtOnce) {
    const std::int64_t before = core::tickCount64();
    vevuzer::playfile(m_ring.string());
    EXPECT_EQ(core::tickCount64(), before);
    m_time.advance(1s);
    EXPECT_GE(playedBytes(), 8000u);
}

TEST_F(Playfile, AMissingOrEmptyNamePlaysNothingAndReturnsAtOnce) {
    const std::int64_t before = core::tickCount64();
    vevuzer::playfile((m_folder.home() / "no such ring.wav").string());
    vevuzer::playfile("");
    EXPECT_EQ(core::tickCount64(), before);
    m_time.advance(1s);
    EXPECT_EQ(playedBytes(), 0u);
}

TEST_F(Playfile, AnEmptyNameStopsTheRingSound) {
    vevuzer::playfile(m_ring.string());
    m_time.advance(100ms);
    vevuzer::playfile("");
    m_time.advance(1s);
    EXPECT_LT(playedBytes(), 44u + 8000u);
}

}  // namespace
