// Sample formats and the mapper's conversions: G.711 mu-law and A-law, PCM of any rate, channel
// count and 8 or 16 bits. Used by the wave devices and available to owners of line devices.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "platform/winmm/mmsystem.h"
#include "platform/winmm/wave_devices.h"

namespace winmm {

// A client format the layer can play or record: PCM (8/16 bits), mu-law or A-law (8 bits).
struct SampleFormat {
    WORD tag = WAVE_FORMAT_PCM;  // WAVE_FORMAT_PCM, WAVE_FORMAT_MULAW or WAVE_FORMAT_ALAW
    WORD channels = 1;
    DWORD samplesPerSec = 8000;
    WORD bitsPerSample = 16;

    WORD blockAlign() const { return static_cast<WORD>(channels * bitsPerSample / 8); }
    DWORD bytesPerSec() const { return samplesPerSec * blockAlign(); }
    bool isPcm() const { return tag == WAVE_FORMAT_PCM; }
    // The PCM the mapper decodes to: the same, or 16 bits for the companded formats.
    PcmFormat asPcm() const;
    friend bool operator==(const SampleFormat&, const SampleFormat&) = default;
};

SampleFormat toSampleFormat(const PcmFormat& pcm);

// Reads a format block: its fixed part and, for WAVE_FORMAT_EXTENSIBLE (cbSize >= 22), the
// sub-format. nullopt for anything the layer cannot play (ADPCM and other codecs, bits other than
// 8/16, a zero rate, a block align or byte rate that does not match): WAVERR_BADFORMAT.
std::optional<SampleFormat> readFormatBlock(const WAVEFORMATEX& format);
// The 18-byte block for a format (cbSize 0).
WAVEFORMATEX makeFormatBlock(const SampleFormat& format);

// G.711 companding, as the ITU defines it (no bias tricks beyond the standard's).
std::uint8_t linearToMulaw(std::int16_t sample);
std::int16_t mulawToLinear(std::uint8_t code);
std::uint8_t linearToAlaw(std::int16_t sample);
std::int16_t alawToLinear(std::uint8_t code);

// The byte that means silence in a format (0x80 for 8-bit PCM, 0xFF mu-law, 0xD5 A-law, else 0).
std::uint8_t silenceByte(const SampleFormat& format);

// Converts a stream of samples from one format to another: companding, bits, channels (mono is
// copied to every channel; several channels are averaged down to one), rate (linear interpolation
// that carries its state from one call to the next), and a left/right volume.
class FormatConverter {
  public:
    FormatConverter(const SampleFormat& from, const SampleFormat& to);

    // Converts the whole frames of `input` and appends the result to `output`; a partial frame at
    // the end is kept for the next call.
    void convert(std::span<const std::uint8_t> input, std::vector<std::uint8_t>& output);
    // A waveOutSetVolume value: left in the low word, right in the high word, 0xFFFF is full.
    void setVolume(DWORD volume) { m_volume = volume; }
    const SampleFormat& from() const { return m_from; }
    const SampleFormat& to() const { return m_to; }

  private:
    void decode(std::span<const std::uint8_t> input, std::size_t frames);
    void remapChannels();
    void resample();
    void applyVolume();
    void encode(std::vector<std::uint8_t>& output) const;

    SampleFormat m_from;
    SampleFormat m_to;
    DWORD m_volume = 0xFFFFFFFF;
    std::vector<std::uint8_t> m_partial;    // bytes of an incomplete input frame
    std::vector<std::int16_t> m_decoded;    // source channels
    std::vector<std::int16_t> m_mapped;     // target channels, source rate
    std::vector<std::int16_t> m_resampled;  // target channels, target rate
    // Resampling state: the last frame of the previous call and the position of the next output
    // frame, in source frames from that last frame, as 32.32 fixed point.
    std::vector<std::int16_t> m_history;
    std::uint64_t m_position = std::uint64_t{1} << 32;
};

}  // namespace winmm
