// Whole wave files in memory and wave files written as audio arrives. sndPlaySoundA and the file
// devices use them; a line device's owner may too (to play a recording into a line, or to keep what
// was played to it).
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

#include "platform/winmm/mmsystem.h"
#include "platform/winmm/wave_format.h"

namespace winmm {

struct WaveData {
    SampleFormat format;
    std::vector<std::uint8_t> samples;
};

// Parses a RIFF WAVE image. Errors: MMIOERR_CHUNKNOTFOUND for a missing RIFF header, "fmt " or
// "data" chunk (a truncated header included), MMIOERR_INVALIDFILE for a chunk that claims more
// bytes than the image holds, WAVERR_BADFORMAT for a format the layer cannot play (a zero byte rate
// included). Nothing is allocated beyond the image's own size.
MMRESULT parseWaveImage(std::span<const std::uint8_t> image, WaveData& out);
// Reads and parses a file (found without regard to case when not found as written). Files above
// 256 MiB, or too big for the memory there is, give MMIOERR_OUTOFMEMORY; open errors give
// mmioOpenA's codes.
MMRESULT readWaveFile(const std::filesystem::path& path, WaveData& out);
// The samples of `wave` converted to `target`.
std::vector<std::uint8_t> convertSamples(const WaveData& wave, const SampleFormat& target);

// Writes a RIFF WAVE file: the header at open, samples as they come, the sizes at close.
class WaveFileWriter {
  public:
    WaveFileWriter() = default;
    ~WaveFileWriter();  // closes
    WaveFileWriter(const WaveFileWriter&) = delete;
    WaveFileWriter& operator=(const WaveFileWriter&) = delete;

    // Creates or truncates the file. mmioOpenA's error code, or MMIOERR_CANNOTWRITE.
    MMRESULT open(const std::filesystem::path& path, const SampleFormat& format);
    // False when the bytes could not all be written; the file is then incomplete.
    bool write(std::span<const std::uint8_t> samples);
    // Writes the sizes and closes: MMSYSERR_NOERROR only when every write succeeded.
    MMRESULT close();
    bool isOpen() const { return m_file != nullptr; }

  private:
    HMMIO m_file = nullptr;
    MMCKINFO m_riff{};
    MMCKINFO m_data{};
    bool m_failed = false;
};

}  // namespace winmm
