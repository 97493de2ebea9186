#include "platform/winmm/wave_format.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

namespace winmm {

namespace {

constexpr DWORD kMinRate = 1000;
constexpr DWORD kMaxRate = 192000;
constexpr WORD kMaxChannels = 8;

// The tail of the KSDATAFORMAT sub-format GUIDs: {tag-0000-0010-8000-00AA00389B71}.
constexpr BYTE kSubFormatTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                     0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

std::optional<WORD> extensibleSubTag(const WAVEFORMATEX& format) {
    // WAVEFORMATEXTENSIBLE: after the 18 bytes come wValidBitsPerSample (2), dwChannelMask (4) and
    // the 16-byte sub-format GUID, whose first two bytes are the plain tag.
    if (format.cbSize < 22)
        return std::nullopt;
    const auto* bytes = reinterpret_cast<const BYTE*>(&format);
    const BYTE* guid = bytes + sizeof(WAVEFORMATEX) + 6;
    if (std::memcmp(guid + 2, kSubFormatTail, sizeof kSubFormatTail) != 0)
        return std::nullopt;
    return static_cast<WORD>(guid[0] | (guid[1] << 8));
}

std::int16_t clamp16(int value) {
    return static_cast<std::int16_t>(std::clamp(value, -32768, 32767));
}

}  // namespace

PcmFormat SampleFormat::asPcm() const {
    return {samplesPerSec, channels, isPcm() ? bitsPerSample : WORD{16}};
}

SampleFormat toSampleFormat(const PcmFormat& pcm) {
    return {WAVE_FORMAT_PCM, pcm.channels, pcm.samplesPerSec, pcm.bitsPerSample};
}

std::optional<SampleFormat> readFormatBlock(const WAVEFORMATEX& format) {
    WORD tag = format.wFormatTag;
    if (tag == WAVE_FORMAT_EXTENSIBLE) {
        auto subTag = extensibleSubTag(format);
        if (!subTag)
            return std::nullopt;
        tag = *subTag;
    }
    if (tag != WAVE_FORMAT_PCM && tag != WAVE_FORMAT_MULAW && tag != WAVE_FORMAT_ALAW)
        return std::nullopt;
    SampleFormat result{tag, format.nChannels, format.nSamplesPerSec, format.wBitsPerSample};
    const bool bitsFit = tag == WAVE_FORMAT_PCM
                             ? (result.bitsPerSample == 8 || result.bitsPerSample == 16)
                             : result.bitsPerSample == 8;
    if (!bitsFit || result.channels < 1 || result.channels > kMaxChannels ||
        result.samplesPerSec < kMinRate || result.samplesPerSec > kMaxRate)
        return std::nullopt;
    if (format.nBlockAlign != result.blockAlign() || format.nAvgBytesPerSec != result.bytesPerSec())
        return std::nullopt;
    return result;
}

WAVEFORMATEX makeFormatBlock(const SampleFormat& format) {
    return {format.tag,
            format.channels,
            format.samplesPerSec,
            format.bytesPerSec(),
            format.blockAlign(),
            format.bitsPerSample,
            0};
}

// G.711. Negative inputs are taken as their one's complement before quantising, as the ITU's
// reference code does, so that the two halves of the scale are mirror images.
namespace {

std::uint8_t computeMulaw(std::int16_t sample) {
    constexpr int kBias = 0x84;
    constexpr int kClip = 32635;
    const bool negative = sample < 0;
    int magnitude = negative ? ~sample : sample;
    magnitude = std::min(magnitude, kClip) + kBias;
    int exponent = 7;
    for (int mask = 0x4000; exponent > 0 && !(magnitude & mask); mask >>= 1)
        --exponent;
    const int mantissa = (magnitude >> (exponent + 3)) & 0x0F;
    const int code = (negative ? 0x00 : 0x80) | (exponent << 4) | mantissa;
    return static_cast<std::uint8_t>((~code & 0x7F) | (code & 0x80));
}

// Every sample of a recording passes through the encoder, so the codes are looked up in a table
// made once, not computed bit by bit.
const std::array<std::uint8_t, 65536>& mulawTable() {
    static const std::array<std::uint8_t, 65536> table = [] {
        std::array<std::uint8_t, 65536> codes{};
        for (int value = -32768; value <= 32767; ++value)
            codes[static_cast<std::uint16_t>(value)] =
                computeMulaw(static_cast<std::int16_t>(value));
        return codes;
    }();
    return table;
}

}  // namespace

std::uint8_t linearToMulaw(std::int16_t sample) {
    return mulawTable()[static_cast<std::uint16_t>(sample)];
}

std::int16_t mulawToLinear(std::uint8_t code) {
    const int inverted = ~code & 0xFF;
    const int exponent = (inverted >> 4) & 0x07;
    const int mantissa = inverted & 0x0F;
    const int magnitude = (((mantissa << 3) + 0x84) << exponent) - 0x84;
    return static_cast<std::int16_t>((inverted & 0x80) ? -magnitude : magnitude);
}

std::uint8_t linearToAlaw(std::int16_t sample) {
    const bool negative = sample < 0;
    const int magnitude = std::min(negative ? ~sample : sample, 32767);
    int code;
    if (magnitude < 256) {
        code = magnitude >> 4;
    } else {
        int exponent = 1;
        while (exponent < 7 && (magnitude >> (exponent + 8)) != 0)
            ++exponent;
        code = (exponent << 4) | ((magnitude >> (exponent + 3)) & 0x0F);
    }
    return static_cast<std::uint8_t>(code ^ (negative ? 0x55 : 0xD5));
}

std::int16_t alawToLinear(std::uint8_t code) {
    const int value = code ^ 0x55;
    const int exponent = (value >> 4) & 0x07;
    const int mantissa = value & 0x0F;
    const int magnitude =
        exponent == 0 ? (mantissa << 4) + 8 : ((mantissa << 4) + 0x108) << (exponent - 1);
    return static_cast<std::int16_t>((value & 0x80) ? magnitude : -magnitude);
}

std::uint8_t silenceByte(const SampleFormat& format) {
    switch (format.tag) {
        case WAVE_FORMAT_MULAW:
            return 0xFF;
        case WAVE_FORMAT_ALAW:
            return 0xD5;
        default:
            return format.bitsPerSample == 8 ? 0x80 : 0x00;
    }
}

FormatConverter::FormatConverter(const SampleFormat& from, const SampleFormat& to)
    : m_from(from), m_to(to), m_history(to.channels, 0) {}

void FormatConverter::convert(std::span<const std::uint8_t> input,
                              std::vector<std::uint8_t>& output) {
    std::span<const std::uint8_t> data = input;
    std::vector<std::uint8_t> joined;
    if (!m_partial.empty()) {
        joined = std::move(m_partial);
        joined.insert(joined.end(), input.begin(), input.end());
        data = joined;
    }
    const std::size_t frames = data.size() / m_from.blockAlign();
    const std::size_t used = frames * m_from.blockAlign();
    m_partial.assign(data.begin() + used, data.end());
    if (frames == 0)
        return;
    if (m_from == m_to && m_volume == 0xFFFFFFFF) {
        output.insert(output.end(), data.begin(), data.begin() + used);
        return;
    }
    decode(data, frames);
    remapChannels();
    resample();
    applyVolume();
    encode(output);
}

void FormatConverter::decode(std::span<const std::uint8_t> input, std::size_t frames) {
    const std::size_t count = frames * m_from.channels;
    m_decoded.resize(count);
    // One loop per coding, so the choice is made once per chunk rather than once per sample.
    std::int16_t* out = m_decoded.data();
    if (m_from.tag == WAVE_FORMAT_MULAW) {
        for (std::size_t i = 0; i < count; ++i)
            out[i] = mulawToLinear(input[i]);
    } else if (m_from.tag == WAVE_FORMAT_ALAW) {
        for (std::size_t i = 0; i < count; ++i)
            out[i] = alawToLinear(input[i]);
    } else if (m_from.bitsPerSample == 8) {
        for (std::size_t i = 0; i < count; ++i)
            out[i] = static_cast<std::int16_t>((input[i] - 128) << 8);
    } else if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(out, input.data(), count * sizeof(std::int16_t));  // already our own layout
    } else {
        for (std::size_t i = 0; i < count; ++i)
            out[i] = static_cast<std::int16_t>(input[2 * i] | (input[2 * i + 1] << 8));
    }
}

void FormatConverter::remapChannels() {
    const std::size_t in = m_from.channels;
    const std::size_t out = m_to.channels;
    if (in == out) {
        m_mapped.swap(m_decoded);
        return;
    }
    const std::size_t frames = m_decoded.size() / in;
    m_mapped.resize(frames * out);
    for (std::size_t f = 0; f < frames; ++f) {
        const std::int16_t* src = &m_decoded[f * in];
        std::int16_t* dst = &m_mapped[f * out];
        if (out == 1) {
            int sum = 0;
            for (std::size_t c = 0; c < in; ++c)
                sum += src[c];
            dst[0] = static_cast<std::int16_t>(sum / static_cast<int>(in));
        } else {
            for (std::size_t c = 0; c < out; ++c)
                dst[c] = src[in == 1 ? 0 : c % in];
        }
    }
}

void FormatConverter::resample() {
    if (m_from.samplesPerSec == m_to.samplesPerSec) {
        m_resampled.swap(m_mapped);
        return;
    }
    const std::size_t channels = m_to.channels;
    const std::size_t frames = m_mapped.size() / channels;
    const std::uint64_t step = (std::uint64_t{m_from.samplesPerSec} << 32) / m_to.samplesPerSec;
    m_resampled.clear();
    // Frame k of the extended input is the history frame for k == 0, else input frame k - 1.
    auto frameAt = [&](std::size_t k) -> const std::int16_t* {
        return k == 0 ? m_history.data() : &m_mapped[(k - 1) * channels];
    };
    while ((m_position >> 32) < frames) {
        const std::size_t index = m_position >> 32;
        const std::int64_t fraction = m_position & 0xFFFFFFFF;
        const std::int16_t* a = frameAt(index);
        const std::int16_t* b = frameAt(index + 1);
        for (std::size_t c = 0; c < channels; ++c)
            m_resampled.push_back(
                static_cast<std::int16_t>(a[c] + (((b[c] - a[c]) * fraction) >> 32)));
        m_position += step;
    }
    m_position -= std::uint64_t{frames} << 32;
    std::copy_n(&m_mapped[(frames - 1) * channels], channels, m_history.begin());
}

void FormatConverter::applyVolume() {
    if (m_volume == 0xFFFFFFFF)
        return;
    const int left = LOWORD(m_volume);
    const int right = HIWORD(m_volume);
    const std::size_t channels = m_to.channels;
    for (std::size_t i = 0; i < m_resampled.size(); ++i) {
        const int level = (channels >= 2 && i % channels == 1) ? right : left;
        m_resampled[i] = clamp16(m_resampled[i] * level / 0xFFFF);
    }
}

void FormatConverter::encode(std::vector<std::uint8_t>& output) const {
    // A piece too short to give a frame at a lower rate adds nothing; `output` may be unallocated.
    if (m_resampled.empty())
        return;
    const std::size_t start = output.size();
    const std::size_t width = m_to.bitsPerSample / 8;
    output.resize(start + m_resampled.size() * width);
    std::uint8_t* out = output.data() + start;
    if (m_to.tag == WAVE_FORMAT_MULAW) {
        const auto& codes = mulawTable();
        for (std::int16_t sample : m_resampled)
            *out++ = codes[static_cast<std::uint16_t>(sample)];
    } else if (m_to.tag == WAVE_FORMAT_ALAW) {
        for (std::int16_t sample : m_resampled)
            *out++ = linearToAlaw(sample);
    } else if (width == 1) {
        for (std::int16_t sample : m_resampled)
            *out++ = static_cast<std::uint8_t>((sample >> 8) + 128);
    } else if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(out, m_resampled.data(), m_resampled.size() * sizeof(std::int16_t));
    } else {
        for (std::int16_t sample : m_resampled) {
            *out++ = static_cast<std::uint8_t>(sample & 0xFF);
            *out++ = static_cast<std::uint8_t>((sample >> 8) & 0xFF);
        }
    }
}

}  // namespace winmm
