#include "platform/ui/picture.h"

#include <QFile>
#include <array>
#include <cstdint>
#include <vector>

namespace ui {

namespace {

class Reader {
  public:
    explicit Reader(const QByteArray& data) : m_data(data) {}

    bool has(qsizetype count) const { return m_at + count <= m_data.size(); }
    std::uint8_t byte() { return static_cast<std::uint8_t>(m_data[m_at++]); }
    int word() {
        const int low = byte();
        return low | (byte() << 8);
    }
    const char* here() const { return m_data.constData() + m_at; }
    void skip(qsizetype count) { m_at += count; }

    // Skips a chain of sub-blocks; false when it runs past the end.
    bool skipBlocks() {
        while (has(1)) {
            const int size = byte();
            if (size == 0)
                return true;
            if (!has(size))
                return false;
            skip(size);
        }
        return false;
    }

    // Joins a chain of sub-blocks; false when it runs past the end.
    bool readBlocks(std::vector<std::uint8_t>& out) {
        while (has(1)) {
            const int size = byte();
            if (size == 0)
                return true;
            if (!has(size))
                return false;
            out.insert(out.end(), here(), here() + size);
            skip(size);
        }
        return false;
    }

  private:
    const QByteArray& m_data;
    qsizetype m_at = 0;
};

// Decodes the LZW stream into exactly `pixels` colour indices; false when the stream is damaged
// or yields another count.
bool decodeLzw(const std::vector<std::uint8_t>& stream, int minimumSize, std::size_t pixels,
               std::vector<std::uint8_t>& out) {
    constexpr int kMaxCodes = 4096;
    const int clear = 1 << minimumSize;
    const int end = clear + 1;
    std::array<std::uint16_t, kMaxCodes> prefix{};
    std::array<std::uint8_t, kMaxCodes> suffix{};
    std::array<std::uint8_t, kMaxCodes + 1> stack{};
    for (int code = 0; code < clear; ++code)
        suffix[static_cast<std::size_t>(code)] = static_cast<std::uint8_t>(code);
    int size = minimumSize + 1;
    int next = clear + 2;
    int previous = -1;
    std::uint8_t first = 0;
    std::uint32_t bits = 0;
    int bitCount = 0;
    out.clear();
    out.reserve(pixels);
    for (std::size_t at = 0;;) {
        while (bitCount < size) {
            if (at == stream.size())
                return out.size() == pixels;
            bits |= static_cast<std::uint32_t>(stream[at++]) << bitCount;
            bitCount += 8;
        }
        int code = static_cast<int>(bits & ((1u << size) - 1));
        bits >>= size;
        bitCount -= size;
        if (code == clear) {
            size = minimumSize + 1;
            next = clear + 2;
            previous = -1;
            continue;
        }
        if (code == end)
            return out.size() == pixels;
        if (previous < 0) {
            if (code > clear)
                return false;
            first = static_cast<std::uint8_t>(code);
            out.push_back(first);
            previous = code;
            continue;
        }
        const int incoming = code;
        std::size_t depth = 0;
        if (code > next)
            return false;
        if (code == next) {
            stack[depth++] = first;
            code = previous;
        }
        while (code > end) {
            stack[depth++] = suffix[static_cast<std::size_t>(code)];
            code = prefix[static_cast<std::size_t>(code)];
        }
        first = static_cast<std::uint8_t>(code);
        stack[depth++] = first;
        if (out.size() + depth > pixels)
            return false;
        while (depth > 0)
            out.push_back(stack[--depth]);
        if (next < kMaxCodes) {
            prefix[static_cast<std::size_t>(next)] = static_cast<std::uint16_t>(previous);
            suffix[static_cast<std::size_t>(next)] = first;
            ++next;
            if (next == (1 << size) && size < 12)
                ++size;
        }
        previous = incoming;
    }
}

}  // namespace

std::optional<QImage> decodePlainGif(const QByteArray& data) {
    Reader in(data);
    if (!in.has(13) || (!data.startsWith("GIF87a") && !data.startsWith("GIF89a")))
        return std::nullopt;
    in.skip(6);
    const int width = in.word();
    const int height = in.word();
    const int flags = in.byte();
    in.skip(2);  // background colour and aspect ratio
    if (!(flags & 0x80) || width <= 0 || height <= 0)
        return std::nullopt;
    const int colours = 2 << (flags & 7);
    if (!in.has(3 * colours))
        return std::nullopt;
    std::vector<QRgb> palette(static_cast<std::size_t>(colours));
    for (QRgb& colour : palette) {
        const int red = in.byte();
        const int green = in.byte();
        colour = qRgb(red, green, in.byte());
    }
    while (in.has(1)) {
        const int block = in.byte();
        if (block == 0x21) {
            if (!in.has(1))
                return std::nullopt;
            const int label = in.byte();
            // A transparent colour asks for what Qt's reader does with it.
            if (label == 0xF9 && in.has(2) && (static_cast<std::uint8_t>(in.here()[1]) & 1))
                return std::nullopt;
            if (!in.skipBlocks())
                return std::nullopt;
            continue;
        }
        if (block != 0x2C || !in.has(10))
            return std::nullopt;
        const int left = in.word();
        const int top = in.word();
        const int frameWidth = in.word();
        const int frameHeight = in.word();
        const int frameFlags = in.byte();
        // A frame that leaves part of the screen bare, has its own colours or is interlaced.
        if (left != 0 || top != 0 || frameWidth != width || frameHeight != height ||
            (frameFlags & 0xC0))
            return std::nullopt;
        const int minimumSize = in.byte();
        if (minimumSize < 2 || minimumSize > 8)
            return std::nullopt;
        std::vector<std::uint8_t> stream;
        if (!in.readBlocks(stream))
            return std::nullopt;
        std::vector<std::uint8_t> indices;
        const auto pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
        if (!decodeLzw(stream, minimumSize, pixels, indices))
            return std::nullopt;
        QImage image(width, height, QImage::Format_RGB32);
        if (image.isNull())
            return std::nullopt;
        const std::uint8_t* index = indices.data();
        for (int y = 0; y < height; ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < width; ++x, ++index) {
                if (*index >= colours)
                    return std::nullopt;
                line[x] = palette[*index];
            }
        }
        return image;
    }
    return std::nullopt;
}

QImage loadPicture(const std::string& path) {
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    if (std::optional<QImage> plain = decodePlainGif(file.readAll()))
        return std::move(*plain);
    // Qt's readers know a format by its name as well as by its first bytes.
    return QImage(QString::fromStdString(path));
}

}  // namespace ui
