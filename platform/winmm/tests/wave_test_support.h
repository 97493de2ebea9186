// Helpers the wave tests share: a private folder, a window that logs what winmm posts to it, and
// sample data with a recognisable pattern.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "platform/core/clock.h"
#include "platform/core/messages.h"
#include "platform/winmm/mmsystem.h"
#include "platform/winmm/wave_file.h"

namespace wavetest {

inline std::filesystem::path makeTempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "winmm-test-XXXXXX").string();
    return mkdtemp(pattern.data());
}

struct TempDir {
    std::filesystem::path path = makeTempDir();
    ~TempDir() { std::filesystem::remove_all(path); }
    std::filesystem::path operator/(const std::string& name) const { return path / name; }
};

inline const char* messageName(UINT message) {
    switch (message) {
        case MM_WOM_OPEN:
            return "MM_WOM_OPEN";
        case MM_WOM_CLOSE:
            return "MM_WOM_CLOSE";
        case MM_WOM_DONE:
            return "MM_WOM_DONE";
        case MM_WIM_OPEN:
            return "MM_WIM_OPEN";
        case MM_WIM_CLOSE:
            return "MM_WIM_CLOSE";
        case MM_WIM_DATA:
            return "MM_WIM_DATA";
        default:
            return "other";
    }
}

// What a window received: the message, the header it names, and that header's state when the
// message was handled.
struct Received {
    std::string message;
    WAVEHDR* header;
    DWORD flags;
    DWORD bytesRecorded;
    std::int64_t tick;
};

class MessageLog {
  public:
    MessageLog()
        : m_window([this](UINT message, WPARAM, LPARAM lParam) {
              auto* header = reinterpret_cast<WAVEHDR*>(lParam);
              m_received.push_back({messageName(message), header, header ? header->dwFlags : 0,
                                    header ? header->dwBytesRecorded : 0, core::tickCount64()});
              if (m_onMessage)
                  m_onMessage(message, header);
              return LRESULT{0};
          }) {}

    DWORD_PTR callback() const { return reinterpret_cast<DWORD_PTR>(m_window.hwnd()); }
    std::vector<Received>& received() { return m_received; }
    std::vector<std::string> names() const {
        std::vector<std::string> result;
        for (const auto& r : m_received)
            result.push_back(r.message);
        return result;
    }
    void clear() { m_received.clear(); }
    void onMessage(std::function<void(UINT, WAVEHDR*)> handler) {
        m_onMessage = std::move(handler);
    }

  private:
    std::vector<Received> m_received;
    std::function<void(UINT, WAVEHDR*)> m_onMessage;
    core::MessageWindow m_window;
};

inline WAVEFORMATEX pcmFormat(DWORD rate = 8000, WORD channels = 1, WORD bits = 16) {
    const WORD align = static_cast<WORD>(channels * bits / 8);
    return {WAVE_FORMAT_PCM, channels, rate, rate * align, align, bits, 0};
}

// 16-bit samples that differ from their neighbours, so a lost or repeated stretch shows.
inline std::vector<std::uint8_t> pattern(std::size_t bytes, unsigned seed = 1) {
    std::vector<std::uint8_t> data(bytes);
    for (std::size_t i = 0; i < bytes; ++i)
        data[i] = static_cast<std::uint8_t>((i * 7 + seed * 13 + (i >> 8)) & 0xFF);
    return data;
}

inline std::vector<std::uint8_t> readBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

inline void writeBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

inline void writeWave(const std::filesystem::path& path, const winmm::SampleFormat& format,
                      const std::vector<std::uint8_t>& samples) {
    winmm::WaveFileWriter writer;
    ASSERT_EQ(writer.open(path, format), MMSYSERR_NOERROR);
    ASSERT_TRUE(writer.write(samples));
    ASSERT_EQ(writer.close(), MMSYSERR_NOERROR);
}

inline std::vector<std::uint8_t> samplesOf(const std::filesystem::path& path) {
    winmm::WaveData wave;
    EXPECT_EQ(winmm::readWaveFile(path, wave), MMSYSERR_NOERROR) << path;
    return wave.samples;
}

// Sets or clears an environment variable for the life of the object.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, std::optional<std::string> value) : m_name(name) {
        if (const char* old = std::getenv(name))
            m_saved = old;
        apply(value);
    }
    ~ScopedEnv() { apply(m_saved); }

  private:
    void apply(const std::optional<std::string>& value) {
        if (value) {
            setenv(m_name, value->c_str(), 1);
        } else {
            unsetenv(m_name);
        }
    }
    const char* m_name;
    std::optional<std::string> m_saved;
};

// Runs a command line and says whether it succeeded.
inline bool run(const std::string& command) {
    return std::system(command.c_str()) == 0;
}

}  // namespace wavetest
