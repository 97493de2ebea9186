#include <gtest/gtest.h>

#include <cstring>

#include "platform/winmm/mmsystem.h"
#include "platform/winmm/tests/wave_test_support.h"
#include "platform/winmm/wave_file.h"

using namespace wavetest;

namespace {

std::string py(const std::string& script) {
    return "/usr/bin/python3 -c '" + script + "'";
}

HMMIO openForReading(const std::filesystem::path& path) {
    std::string name = path.string();
    MMIOINFO info{};
    HMMIO file = mmioOpenA(name.data(), &info, MMIO_READ | MMIO_ALLOCBUF);
    EXPECT_NE(file, nullptr) << "wErrorRet " << info.wErrorRet;
    return file;
}

TEST(Mmio, ReadsAFileWrittenByPythonSkippingAnOddSizedChunkAndItsPad) {
    TempDir dir;
    const auto path = dir / "python.wav";
    // Python's wave module writes the file; a 3-byte "note" chunk with its pad byte goes before the
    // data, so finding "data" must step over the pad.
    ASSERT_TRUE(
        run(py("import wave, struct\n"
               "w = wave.open(\"" +
               path.string() +
               "\", \"wb\")\n"
               "w.setnchannels(2); w.setsampwidth(2); w.setframerate(11025)\n"
               "w.writeframes(bytes(range(256)) * 4); w.close()\n"
               "b = open(\"" +
               path.string() +
               "\", \"rb\").read()\n"
               "i = b.index(b\"data\")\n"
               "b = b[:i] + b\"note\" + struct.pack(\"<I\", 3) + b\"abc\\0\" + b[i:]\n"
               "b = b[:4] + struct.pack(\"<I\", len(b) - 8) + b[8:]\n"
               "open(\"" +
               path.string() + "\", \"wb\").write(b)\n")));

    HMMIO file = openForReading(path);
    MMCKINFO riff{};
    riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
    ASSERT_EQ(mmioDescend(file, &riff, nullptr, MMIO_FINDRIFF), MMSYSERR_NOERROR);
    MMCKINFO chunk{};
    chunk.ckid = mmioFOURCC('f', 'm', 't', ' ');
    ASSERT_EQ(mmioDescend(file, &chunk, &riff, MMIO_FINDCHUNK), MMSYSERR_NOERROR);
    PCMWAVEFORMAT format{};
    ASSERT_EQ(mmioRead(file, reinterpret_cast<HPSTR>(&format), sizeof format), LONG{sizeof format});
    EXPECT_EQ(format.nChannels, 2);
    EXPECT_EQ(format.nSamplesPerSec, 11025u);
    EXPECT_EQ(format.nBlockAlign, 4);
    ASSERT_EQ(mmioAscend(file, &chunk, 0), MMSYSERR_NOERROR);

    chunk.ckid = mmioFOURCC('d', 'a', 't', 'a');
    ASSERT_EQ(mmioDescend(file, &chunk, &riff, MMIO_FINDCHUNK), MMSYSERR_NOERROR);
    ASSERT_EQ(chunk.cksize, 1024u);
    std::vector<char> data(chunk.cksize);
    ASSERT_EQ(mmioRead(file, data.data(), 1024), 1024);
    EXPECT_EQ(static_cast<unsigned char>(data[255]), 255);
    EXPECT_EQ(mmioRead(file, data.data(), 1), 0) << "the end of the file";
    ASSERT_EQ(mmioAscend(file, &chunk, 0), MMSYSERR_NOERROR);
    chunk.ckid = mmioFOURCC('c', 'u', 'e', ' ');
    EXPECT_EQ(mmioDescend(file, &chunk, &riff, MMIO_FINDCHUNK), MMIOERR_CHUNKNOTFOUND);
    EXPECT_EQ(mmioClose(file, 0), MMSYSERR_NOERROR);
}

TEST(Mmio, WritesChunksPythonReads) {
    TempDir dir;
    const auto path = dir / "ours.wav";
    std::string name = path.string();
    HMMIO file = mmioOpenA(name.data(), nullptr, MMIO_CREATE | MMIO_WRITE);
    ASSERT_NE(file, nullptr);
    MMCKINFO riff{};
    riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
    ASSERT_EQ(mmioCreateChunk(file, &riff, MMIO_CREATERIFF), MMSYSERR_NOERROR);
    MMCKINFO chunk{mmioFOURCC('f', 'm', 't', ' '), 0, 0, 0, 0};
    ASSERT_EQ(mmioCreateChunk(file, &chunk, 0), MMSYSERR_NOERROR);
    const WAVEFORMATEX format = pcmFormat(8000, 1, 8);
    ASSERT_EQ(mmioWrite(file, reinterpret_cast<const char*>(&format), 16), 16);
    ASSERT_EQ(mmioAscend(file, &chunk, 0), MMSYSERR_NOERROR);
    chunk = {mmioFOURCC('d', 'a', 't', 'a'), 0, 0, 0, 0};
    ASSERT_EQ(mmioCreateChunk(file, &chunk, 0), MMSYSERR_NOERROR);
    const char samples[] = {10, 20, 30, 40, 50};  // odd: the chunk gets a pad byte
    ASSERT_EQ(mmioWrite(file, samples, 5), 5);
    ASSERT_EQ(mmioAscend(file, &chunk, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(chunk.cksize, 5u);
    ASSERT_EQ(mmioAscend(file, &riff, 0), MMSYSERR_NOERROR);
    ASSERT_EQ(mmioClose(file, 0), MMSYSERR_NOERROR);

    EXPECT_EQ(std::filesystem::file_size(path), 12u + 24u + 8u + 6u);
    ASSERT_TRUE(
        run(py("import wave\n"
               "w = wave.open(\"" +
               path.string() +
               "\", \"rb\")\n"
               "assert w.getparams()[:4] == (1, 1, 8000, 5), w.getparams()\n"
               "assert w.readframes(5) == bytes([10, 20, 30, 40, 50])\n")));
}

TEST(Mmio, WaveFileWriterRoundTripsThroughSox) {
    TempDir dir;
    const auto ours = dir / "mulaw.wav";
    std::vector<std::uint8_t> codes;
    for (int code = 0; code < 256; ++code)
        codes.push_back(static_cast<std::uint8_t>(code));
    writeWave(ours, {WAVE_FORMAT_MULAW, 1, 8000, 8}, codes);
    // sox decodes our mu-law file; we decode the 16-bit file sox writes from it.
    const auto decoded = dir / "decoded.wav";
    ASSERT_TRUE(run("sox -D " + ours.string() + " -e signed-integer -b 16 " + decoded.string()));
    winmm::WaveData wave;
    ASSERT_EQ(winmm::readWaveFile(decoded, wave), MMSYSERR_NOERROR);
    EXPECT_EQ(wave.format, (winmm::SampleFormat{WAVE_FORMAT_PCM, 1, 8000, 16}));
    ASSERT_EQ(wave.samples.size(), 512u);
    for (int code = 0; code < 256; ++code) {
        const auto sample =
            static_cast<std::int16_t>(wave.samples[2 * code] | (wave.samples[2 * code + 1] << 8));
        EXPECT_EQ(sample, winmm::mulawToLinear(static_cast<std::uint8_t>(code))) << code;
    }
}

TEST(Mmio, OpenFailuresGiveTheirReason) {
    TempDir dir;
    struct Case {
        const char* name;
        std::filesystem::path path;
        DWORD flags;
        UINT expected;
    };
    const Case cases[] = {
        {"missing file", dir / "missing.wav", MMIO_READ, MMIOERR_FILENOTFOUND},
        {"missing folder", dir / "no" / "such.wav", MMIO_READ, MMIOERR_PATHNOTFOUND},
        {"create in a missing folder", dir / "no" / "new.wav", MMIO_CREATE | MMIO_WRITE,
         MMIOERR_PATHNOTFOUND},
        {"a folder", dir.path, MMIO_READ, MMIOERR_ACCESSDENIED},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.name);
        std::string name = row.path.string();
        MMIOINFO info{};
        info.wErrorRet = 12345;
        EXPECT_EQ(mmioOpenA(name.data(), &info, row.flags), nullptr);
        EXPECT_EQ(info.wErrorRet, row.expected);
    }
}

TEST(Mmio, FindsANameInAnotherCase) {
    TempDir dir;
    writeBytes(dir / "Ring.WAV", {1, 2, 3});
    std::string name = (dir / "ring.wav").string();
    HMMIO file = mmioOpenA(name.data(), nullptr, MMIO_READ);
    ASSERT_NE(file, nullptr);
    char bytes[3];
    EXPECT_EQ(mmioRead(file, bytes, 3), 3);
    mmioClose(file, 0);
}

TEST(Mmio, AWriteThatFailsSaysSo) {
    char full[] = "/dev/full";
    HMMIO file = mmioOpenA(full, nullptr, MMIO_WRITE);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(mmioWrite(file, "RIFF", 4), -1);
    mmioClose(file, 0);

    winmm::WaveFileWriter writer;
    ASSERT_EQ(writer.open("/dev/full", {}), MMIOERR_CANNOTWRITE);
    EXPECT_FALSE(writer.write(std::vector<std::uint8_t>(100)));
}

// Builds a wave image from its parts so each row reads as what is wrong with it.
std::vector<std::uint8_t> image(std::initializer_list<std::vector<std::uint8_t>> parts) {
    std::vector<std::uint8_t> bytes;
    for (const auto& part : parts)
        bytes.insert(bytes.end(), part.begin(), part.end());
    return bytes;
}
std::vector<std::uint8_t> text(const char* s) {
    return {s, s + std::strlen(s)};
}
std::vector<std::uint8_t> dword(DWORD v) {
    return {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
            static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
}
std::vector<std::uint8_t> fmt(WAVEFORMATEX f, DWORD size = 16) {
    std::vector<std::uint8_t> bytes = image({text("fmt "), dword(size)});
    const auto* raw = reinterpret_cast<const std::uint8_t*>(&f);
    bytes.insert(bytes.end(), raw, raw + std::min<DWORD>(size, sizeof f));
    return bytes;
}
std::vector<std::uint8_t> data(DWORD declared, std::size_t present) {
    return image({text("data"), dword(declared), std::vector<std::uint8_t>(present, 0x40)});
}

TEST(WaveImage, MalformedFilesGiveErrorCodes) {
    const WAVEFORMATEX good = pcmFormat();
    WAVEFORMATEX zeroRate = good;
    zeroRate.nAvgBytesPerSec = 0;
    const auto header = image({text("RIFF"), dword(1000), text("WAVE")});
    struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes;
        MMRESULT expected;
    };
    const Case cases[] = {
        {"empty", {}, MMIOERR_CHUNKNOTFOUND},
        {"truncated RIFF header", image({text("RIFF"), dword(4)}), MMIOERR_CHUNKNOTFOUND},
        {"not a wave", image({text("RIFF"), dword(4), text("AVI ")}), MMIOERR_CHUNKNOTFOUND},
        {"header only", header, MMIOERR_CHUNKNOTFOUND},
        {"cut inside a chunk header", image({header, text("fmt ")}), MMIOERR_CHUNKNOTFOUND},
        {"no data chunk", image({header, fmt(good)}), MMIOERR_CHUNKNOTFOUND},
        {"fmt chunk too short", image({header, fmt(good, 10), data(2, 2)}), MMIOERR_INVALIDFILE},
        {"fmt chunk beyond the file", image({header, text("fmt "), dword(0xFFFFFFF0)}),
         MMIOERR_INVALIDFILE},
        {"data chunk beyond the file", image({header, fmt(good), data(0x7FFFFFF0, 16)}),
         MMIOERR_INVALIDFILE},
        {"zero byte rate", image({header, fmt(zeroRate), data(2, 2)}), WAVERR_BADFORMAT},
        {"IMA ADPCM", image({header, fmt({0x11, 1, 8000, 4000, 256, 4, 2}, 18), data(2, 2)}),
         WAVERR_BADFORMAT},
        {"unknown tag", image({header, fmt({0x55, 1, 8000, 1000, 1, 0, 0}), data(2, 2)}),
         WAVERR_BADFORMAT},
        {"good, with an odd chunk first",
         image({header, text("LIST"), dword(3), text("abc"), {0}, fmt(good), data(4, 4)}),
         MMSYSERR_NOERROR},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.name);
        winmm::WaveData wave;
        EXPECT_EQ(winmm::parseWaveImage(row.bytes, wave), row.expected);
    }
}

TEST(WaveImage, AMalformedFileNeitherPlaysNorRecords) {
    TempDir dir;
    const auto path = dir / "bad.wav";
    writeBytes(path, image({text("RIFF"), dword(100), text("WAVE"), fmt(pcmFormat()),
                            data(0xFFFFFF00, 8)}));
    winmm::WaveData wave;
    EXPECT_EQ(winmm::readWaveFile(path, wave), MMIOERR_INVALIDFILE);
    EXPECT_EQ(sndPlaySoundA(path.c_str(), SND_ASYNC | SND_NODEFAULT), FALSE);
}

}  // namespace
