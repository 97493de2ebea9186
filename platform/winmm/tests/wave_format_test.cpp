#include <gtest/gtest.h>

#include <cstring>

#include "platform/winmm/tests/wave_test_support.h"
#include "platform/winmm/wave_format.h"

using namespace wavetest;
using winmm::SampleFormat;

namespace {

// Reconstruction values of G.711's tables: mu-law in 14-bit steps (times 4), A-law in 13-bit
// steps (times 8), at the ends of segments and of the scale.
TEST(G711, DecodesTheStandardsTableValues) {
    struct Row {
        std::uint8_t code;
        std::int16_t value;
    };
    static constexpr Row mulaw[] = {
        {0xFF, 0},     {0xFE, 8},      {0xF0, 120},  {0xEF, 132}, {0xE0, 372},
        {0x80, 32124}, {0x00, -32124}, {0x7E, -8},   {0x7F, 0},   {0xDF, 396},
        {0xCF, 924},   {0x8F, 16764},  {0x70, -120},
    };
    static constexpr Row alaw[] = {
        {0xD5, 8},     {0x55, -8},     {0xD4, 24},    {0xC5, 264}, {0xC4, 280},
        {0xAA, 32256}, {0x2A, -32256}, {0xA5, 16896}, {0xD0, 88},
    };
    for (const Row& row : mulaw) {
        SCOPED_TRACE(row.code);
        EXPECT_EQ(winmm::mulawToLinear(row.code), row.value);
    }
    for (const Row& row : alaw) {
        SCOPED_TRACE(row.code);
        EXPECT_EQ(winmm::alawToLinear(row.code), row.value);
    }
}

TEST(G711, EncodingInvertsDecodingAndClipsAtTheEnds) {
    for (int code = 0; code < 256; ++code) {
        SCOPED_TRACE(code);
        const auto c = static_cast<std::uint8_t>(code);
        // mu-law's negative zero decodes to 0, which encodes as positive zero.
        if (c != 0x7F) {
            EXPECT_EQ(winmm::linearToMulaw(winmm::mulawToLinear(c)), c);
        }
        EXPECT_EQ(winmm::linearToAlaw(winmm::alawToLinear(c)), c);
    }
    EXPECT_EQ(winmm::linearToMulaw(32767), 0x80);
    EXPECT_EQ(winmm::linearToMulaw(-32768), 0x00);
    EXPECT_EQ(winmm::linearToAlaw(32767), 0xAA);
    EXPECT_EQ(winmm::linearToAlaw(-32768), 0x2A);
    EXPECT_EQ(winmm::linearToMulaw(0), 0xFF);
    EXPECT_EQ(winmm::linearToAlaw(0), 0xD5);
}

// sox's G.711 encoders against ours on every positive sample that both scales hold exactly.
TEST(G711, EncodesAsSoxDoes) {
    TempDir dir;
    std::vector<std::uint8_t> ramp;
    for (int value = 0; value < 32768; value += 8) {
        ramp.push_back(static_cast<std::uint8_t>(value & 0xFF));
        ramp.push_back(static_cast<std::uint8_t>(value >> 8));
    }
    writeBytes(dir / "ramp.raw", ramp);
    for (const char* encoding : {"u-law", "a-law"}) {
        SCOPED_TRACE(encoding);
        const auto out = dir / (std::string(encoding) + ".raw");
        ASSERT_TRUE(run("sox -D -t raw -r 8000 -c 1 -e signed-integer -b 16 " +
                        (dir / "ramp.raw").string() + " -t raw -e " + encoding + " " +
                        out.string()));
        const auto codes = readBytes(out);
        ASSERT_EQ(codes.size(), ramp.size() / 2);
        for (std::size_t i = 0; i < codes.size(); ++i) {
            const auto sample = static_cast<std::int16_t>(i * 8);
            const std::uint8_t ours =
                encoding[0] == 'u' ? winmm::linearToMulaw(sample) : winmm::linearToAlaw(sample);
            ASSERT_EQ(ours, codes[i]) << "sample " << sample;
        }
    }
}

std::vector<std::uint8_t> pcm16(std::initializer_list<int> samples) {
    std::vector<std::uint8_t> bytes;
    for (int s : samples) {
        bytes.push_back(static_cast<std::uint8_t>(s & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>((s >> 8) & 0xFF));
    }
    return bytes;
}

TEST(FormatConverter, ConvertsBitsChannelsAndRate) {
    struct Case {
        const char* name;
        SampleFormat from;
        SampleFormat to;
        std::vector<std::uint8_t> input;
        std::vector<std::uint8_t> expected;
    };
    const SampleFormat mono16{WAVE_FORMAT_PCM, 1, 8000, 16};
    const Case cases[] = {
        {"16 to 8 bits",
         mono16,
         {WAVE_FORMAT_PCM, 1, 8000, 8},
         pcm16({0, 256, -32768, 32767}),
         {0x80, 0x81, 0x00, 0xFF}},
        {"8 to 16 bits",
         {WAVE_FORMAT_PCM, 1, 8000, 8},
         mono16,
         {0x80, 0x00, 0xFF},
         pcm16({0, -32768, 32512})},
        {"stereo to mono averages",
         {WAVE_FORMAT_PCM, 2, 8000, 16},
         mono16,
         pcm16({100, 300, -50, -150}),
         pcm16({200, -100})},
        {"mono to stereo copies",
         mono16,
         {WAVE_FORMAT_PCM, 2, 8000, 16},
         pcm16({7, -7}),
         pcm16({7, 7, -7, -7})},
        {"doubling the rate interpolates",
         mono16,
         {WAVE_FORMAT_PCM, 1, 16000, 16},
         pcm16({100, 200, 300}),
         pcm16({100, 150, 200, 250})},  // 300 waits for its successor
        {"halving the rate takes every other sample",
         {WAVE_FORMAT_PCM, 1, 16000, 16},
         mono16,
         pcm16({10, 20, 30, 40, 50, 60}),
         pcm16({10, 30, 50})},
        {"a-law to mu-law",
         {WAVE_FORMAT_ALAW, 1, 8000, 8},
         {WAVE_FORMAT_MULAW, 1, 8000, 8},
         {0xD5, 0xAA},
         {winmm::linearToMulaw(8), 0x80}},
        {"a partial frame waits", mono16, mono16, {1, 2, 3}, {1, 2}},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.name);
        winmm::FormatConverter converter(row.from, row.to);
        std::vector<std::uint8_t> output;
        converter.convert(row.input, output);
        EXPECT_EQ(output, row.expected);
    }
}

TEST(FormatConverter, ResamplesAcrossCallsAsInOne) {
    const SampleFormat from{WAVE_FORMAT_PCM, 1, 11025, 16};
    const SampleFormat to{WAVE_FORMAT_PCM, 1, 8000, 16};
    std::vector<std::uint8_t> input;
    for (int i = 0; i < 1000; ++i) {
        const auto bytes = pcm16({(i * 37) % 2000 - 1000});
        input.insert(input.end(), bytes.begin(), bytes.end());
    }
    winmm::FormatConverter whole(from, to), pieces(from, to);
    std::vector<std::uint8_t> once, inPieces;
    whole.convert(input, once);
    for (std::size_t at = 0; at < input.size(); at += 77)  // odd pieces split frames too
        pieces.convert(std::span(input).subspan(at, std::min<std::size_t>(77, input.size() - at)),
                       inPieces);
    EXPECT_EQ(inPieces, once);
    EXPECT_NEAR(static_cast<double>(once.size()) / 2, 1000.0 * 8000 / 11025, 1.0);
}

TEST(FormatBlock, ReadsPlainAndExtensibleBlocks) {
    struct Extensible {
        WAVEFORMATEX format;
        WORD validBits;
        DWORD channelMask;
        BYTE subFormat[16];
    };
    Extensible block{};
    block.format = {WAVE_FORMAT_EXTENSIBLE, 2, 44100, 176400, 4, 16, 22};
    const BYTE pcmGuid[16] = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                              0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
    std::memcpy(block.subFormat, pcmGuid, sizeof pcmGuid);
    auto parsed = winmm::readFormatBlock(block.format);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(*parsed, (SampleFormat{WAVE_FORMAT_PCM, 2, 44100, 16}));

    block.subFormat[0] = 0x11;  // an ADPCM sub-format
    EXPECT_FALSE(winmm::readFormatBlock(block.format));
    block.format.cbSize = 0;  // extensible without its extension
    EXPECT_FALSE(winmm::readFormatBlock(block.format));
}

}  // namespace
