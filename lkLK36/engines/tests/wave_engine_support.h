// What the Play and Record engine tests share: a program folder and a scratch folder of their own,
// standard wave devices that play into or record from files, wave files made on the spot (sound
// or broken on purpose), and the engines' events as one ordered trace.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "lkLK36/engines/lkLKShare.h"
#include "lkLK36/engines/tests/engine_test_support.h"
#include "platform/winmm/mmsystem.h"
#include "platform/winmm/tests/wave_test_support.h"
#include "platform/winmm/wave_devices.h"

namespace wavetest {

// The id of the device whose name is `name`, or -1.
inline LONG outputNamed(const std::string& name) {
    for (UINT id = 0; id < waveOutGetNumDevs(); ++id) {
        WAVEOUTCAPSA caps{};
        if (waveOutGetDevCapsA(id, &caps, sizeof caps) == MMSYSERR_NOERROR && caps.szPname == name)
            return static_cast<LONG>(id);
    }
    return -1;
}
inline LONG inputNamed(const std::string& name) {
    for (UINT id = 0; id < waveInGetNumDevs(); ++id) {
        WAVEINCAPSA caps{};
        if (waveInGetDevCapsA(id, &caps, sizeof caps) == MMSYSERR_NOERROR && caps.szPname == name)
            return static_cast<LONG>(id);
    }
    return -1;
}

// A RIFF image put together chunk by chunk, so a test can break any part of it.
class RiffImage {
  public:
    RiffImage& chunk(const char* id, const std::vector<std::uint8_t>& body) {
        append(id);
        appendSize(static_cast<std::uint32_t>(body.size()));
        m_body.insert(m_body.end(), body.begin(), body.end());
        if (body.size() % 2)
            m_body.push_back(0);
        return *this;
    }
    // A chunk header that claims `size` bytes, followed by `present` of them.
    RiffImage& claimedChunk(const char* id, std::uint32_t size, std::size_t present) {
        append(id);
        appendSize(size);
        m_body.insert(m_body.end(), present, 0x11);
        return *this;
    }
    static std::vector<std::uint8_t> format(const WAVEFORMATEX& format) {
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(&format);
        return {bytes, bytes + 16};
    }
    std::vector<std::uint8_t> image(const char* form = "WAVE") const {
        std::vector<std::uint8_t> out{'R', 'I', 'F', 'F'};
        const auto size = static_cast<std::uint32_t>(m_body.size() + 4);
        for (int i = 0; i < 4; ++i)
            out.push_back(static_cast<std::uint8_t>(size >> (8 * i)));
        out.insert(out.end(), form, form + 4);
        out.insert(out.end(), m_body.begin(), m_body.end());
        return out;
    }

  private:
    void append(const char* id) { m_body.insert(m_body.end(), id, id + 4); }
    void appendSize(std::uint32_t size) {
        for (int i = 0; i < 4; ++i)
            m_body.push_back(static_cast<std::uint8_t>(size >> (8 * i)));
    }
    std::vector<std::uint8_t> m_body;
};

// The last `count` lines of a control's log.
inline std::vector<std::string> lastLines(TlkSharedControl& control, std::size_t count) {
    const TlkStringList& lines = control.log().Lines();
    const std::size_t from = lines.size() > count ? lines.size() - count : 0;
    return {lines.begin() + static_cast<std::ptrdiff_t>(from), lines.end()};
}

// While alive, every allocation of `bytes` or more fails as it does on a machine out of memory.
// Sanitizers bring allocators of their own, so under them `usable()` is false and nothing fails.
class LargeAllocationsFail {
  public:
    explicit LargeAllocationsFail(std::size_t bytes);
    ~LargeAllocationsFail() { lift(); }
    LargeAllocationsFail(const LargeAllocationsFail&) = delete;
    LargeAllocationsFail& operator=(const LargeAllocationsFail&) = delete;
    void lift();
    static bool usable();
};

}  // namespace wavetest
