#include "platform/winmm/wave_file.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <optional>
#include <string>

namespace winmm {

namespace {

constexpr std::size_t kMaxWaveFile = std::size_t{256} << 20;
constexpr FOURCC kWave = mmioFOURCC('W', 'A', 'V', 'E');
constexpr FOURCC kFmt = mmioFOURCC('f', 'm', 't', ' ');
constexpr FOURCC kData = mmioFOURCC('d', 'a', 't', 'a');

DWORD readDword(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<DWORD>(bytes[at]) | (static_cast<DWORD>(bytes[at + 1]) << 8) |
           (static_cast<DWORD>(bytes[at + 2]) << 16) | (static_cast<DWORD>(bytes[at + 3]) << 24);
}

MMRESULT readFormatChunk(std::span<const std::uint8_t> chunk, SampleFormat& out) {
    // The 16-byte PCM form has no cbSize; a longer block carries cbSize extra bytes, of which
    // only those present are looked at.
    if (chunk.size() < sizeof(PCMWAVEFORMAT))
        return MMIOERR_INVALIDFILE;
    chunk = chunk.first(std::min<std::size_t>(chunk.size(), 64));  // enough for the extensible form
    std::vector<std::uint8_t> block(std::max(chunk.size(), sizeof(WAVEFORMATEX)), 0);
    std::memcpy(block.data(), chunk.data(), chunk.size());
    WAVEFORMATEX format;
    std::memcpy(&format, block.data(), sizeof format);
    if (chunk.size() < sizeof(WAVEFORMATEX))
        format.cbSize = 0;
    if (format.cbSize > block.size() - sizeof(WAVEFORMATEX))
        format.cbSize = static_cast<WORD>(block.size() - sizeof(WAVEFORMATEX));
    std::memcpy(block.data(), &format, sizeof format);
    auto parsed = readFormatBlock(*reinterpret_cast<const WAVEFORMATEX*>(block.data()));
    if (!parsed)
        return WAVERR_BADFORMAT;
    out = *parsed;
    return MMSYSERR_NOERROR;
}

}  // namespace

MMRESULT parseWaveImage(std::span<const std::uint8_t> image, WaveData& out) {
    if (image.size() < 12 || readDword(image, 0) != FOURCC_RIFF || readDword(image, 8) != kWave)
        return MMIOERR_CHUNKNOTFOUND;
    // Writers often get the RIFF size wrong (or leave it 0 while streaming); the chunks inside are
    // what must fit.
    const std::size_t end = image.size();
    std::optional<SampleFormat> format;
    std::optional<std::span<const std::uint8_t>> data;
    for (std::size_t at = 12; at + 8 <= end && !(format && data);) {
        const FOURCC id = readDword(image, at);
        const std::uint64_t size = readDword(image, at + 4);
        const std::size_t body = at + 8;
        if ((id == kFmt || id == kData) && body + size > end)
            return MMIOERR_INVALIDFILE;
        if (id == kFmt && !format) {
            SampleFormat parsed;
            if (MMRESULT error = readFormatChunk(image.subspan(body, size), parsed))
                return error;
            format = parsed;
        } else if (id == kData && !data) {
            data = image.subspan(body, size);
        }
        at = static_cast<std::size_t>(std::min<std::uint64_t>(body + size + (size & 1), end));
    }
    if (!format || !data)
        return MMIOERR_CHUNKNOTFOUND;
    out.format = *format;
    const std::size_t whole = data->size() - data->size() % format->blockAlign();
    out.samples.assign(data->begin(), data->begin() + whole);
    return MMSYSERR_NOERROR;
}

MMRESULT readWaveFile(const std::filesystem::path& path, WaveData& out) {
    MMIOINFO info{};
    std::string name = path.string();
    HMMIO file = mmioOpenA(name.data(), &info, MMIO_READ | MMIO_ALLOCBUF);
    if (!file)
        return info.wErrorRet;
    MMRESULT result = MMSYSERR_NOERROR;
    const LONG size = mmioSeek(file, 0, SEEK_END);
    if (size < 0) {
        result = MMIOERR_CANNOTSEEK;
    } else if (static_cast<std::size_t>(size) > kMaxWaveFile) {
        result = MMIOERR_OUTOFMEMORY;
    } else {
        try {
            std::vector<std::uint8_t> image(static_cast<std::size_t>(size));
            if (mmioSeek(file, 0, SEEK_SET) != 0 ||
                mmioRead(file, reinterpret_cast<HPSTR>(image.data()), size) != size)
                result = MMIOERR_CANNOTREAD;
            else
                result = parseWaveImage(image, out);
        } catch (const std::bad_alloc&) {
            result = MMIOERR_OUTOFMEMORY;
        }
    }
    mmioClose(file, 0);
    return result;
}

std::vector<std::uint8_t> convertSamples(const WaveData& wave, const SampleFormat& target) {
    std::vector<std::uint8_t> result;
    FormatConverter converter(wave.format, target);
    converter.convert(wave.samples, result);
    return result;
}

WaveFileWriter::~WaveFileWriter() {
    close();
}

MMRESULT WaveFileWriter::open(const std::filesystem::path& path, const SampleFormat& format) {
    close();
    m_failed = false;
    MMIOINFO info{};
    std::string name = path.string();
    m_file = mmioOpenA(name.data(), &info, MMIO_CREATE | MMIO_WRITE);
    if (!m_file)
        return info.wErrorRet;
    m_riff = {};
    m_riff.fccType = kWave;
    MMCKINFO fmt{kFmt, 0, 0, 0, 0};
    // PCM gets the plain 16-byte block most readers expect; the companded formats carry cbSize.
    const WAVEFORMATEX block = makeFormatBlock(format);
    const LONG blockSize = format.isPcm() ? LONG{sizeof(PCMWAVEFORMAT)} : LONG{sizeof block};
    m_data = {kData, 0, 0, 0, 0};
    if (mmioCreateChunk(m_file, &m_riff, MMIO_CREATERIFF) || mmioCreateChunk(m_file, &fmt, 0) ||
        mmioWrite(m_file, reinterpret_cast<const char*>(&block), blockSize) != blockSize ||
        mmioAscend(m_file, &fmt, 0) || mmioCreateChunk(m_file, &m_data, 0)) {
        mmioClose(m_file, 0);
        m_file = nullptr;
        return MMIOERR_CANNOTWRITE;
    }
    return MMSYSERR_NOERROR;
}

bool WaveFileWriter::write(std::span<const std::uint8_t> samples) {
    if (!m_file || m_failed)
        return false;
    const auto count = static_cast<LONG>(samples.size());
    if (mmioWrite(m_file, reinterpret_cast<const char*>(samples.data()), count) != count)
        m_failed = true;
    return !m_failed;
}

MMRESULT WaveFileWriter::close() {
    if (!m_file)
        return MMSYSERR_NOERROR;
    if (mmioAscend(m_file, &m_data, 0) || mmioAscend(m_file, &m_riff, 0))
        m_failed = true;
    if (mmioClose(m_file, 0))
        m_failed = true;
    m_file = nullptr;
    return m_failed ? MMIOERR_CANNOTWRITE : MMSYSERR_NOERROR;
}

}  // namespace winmm
