#include "common/png_image.h"

#include <zlib.h>

#include <stdexcept>

#include "common/text_writer.h"

namespace velmora {

namespace {

void PutBig(std::string& out, std::uint32_t v) {
    for (int k = 3; k >= 0; --k) out += static_cast<char>((v >> (8 * k)) & 0xFF);
}

void Chunk(std::string& out, const char* type, const std::string& data) {
    PutBig(out, static_cast<std::uint32_t>(data.size()));
    const std::string body = std::string(type, 4) + data;
    out += body;
    PutBig(out, static_cast<std::uint32_t>(
                    crc32(0L, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size()))));
}

}  // namespace

std::string EncodePng(int width, int height, const std::vector<Rgb>& pixels) {
    if (width < 1 || height < 1 || pixels.size() != static_cast<std::size_t>(width) * height)
        throw std::invalid_argument("a PNG of " + std::to_string(width) + " x " + std::to_string(height) + " pixels");
    std::string raw;
    raw.reserve(static_cast<std::size_t>(height) * (1 + 3 * static_cast<std::size_t>(width)));
    for (int r = 0; r < height; ++r) {
        raw += '\0';  // no filter
        for (int c = 0; c < width; ++c) {
            const Rgb& p = pixels[static_cast<std::size_t>(r) * width + c];
            raw += static_cast<char>(p.r), raw += static_cast<char>(p.g), raw += static_cast<char>(p.b);
        }
    }
    uLongf size = compressBound(static_cast<uLong>(raw.size()));
    std::string packed(size, '\0');
    if (compress2(reinterpret_cast<Bytef*>(packed.data()), &size, reinterpret_cast<const Bytef*>(raw.data()),
                  static_cast<uLong>(raw.size()), 6) != Z_OK)
        throw std::runtime_error("the PNG pixels cannot be compressed");
    packed.resize(size);
    std::string png = "\x89PNG\r\n\x1a\n";
    std::string header;
    PutBig(header, static_cast<std::uint32_t>(width));
    PutBig(header, static_cast<std::uint32_t>(height));
    header += std::string("\x08\x02\x00\x00\x00", 5);  // 8 bits, RGB, deflate, adaptive filters, no interlace
    Chunk(png, "IHDR", header);
    Chunk(png, "IDAT", packed);
    Chunk(png, "IEND", "");
    return png;
}

void WritePng(const std::string& path, int width, int height, const std::vector<Rgb>& pixels) {
    AtomicTextWriter out(path);
    out.Write(EncodePng(width, height, pixels));
    out.Commit();
}

std::string Base64(const std::string& bytes) {
    static const char* kDigits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::uint32_t a = static_cast<unsigned char>(bytes[i]);
        const std::uint32_t b = i + 1 < bytes.size() ? static_cast<unsigned char>(bytes[i + 1]) : 0;
        const std::uint32_t c = i + 2 < bytes.size() ? static_cast<unsigned char>(bytes[i + 2]) : 0;
        const std::uint32_t v = (a << 16) | (b << 8) | c;
        out += kDigits[(v >> 18) & 63];
        out += kDigits[(v >> 12) & 63];
        out += i + 1 < bytes.size() ? kDigits[(v >> 6) & 63] : '=';
        out += i + 2 < bytes.size() ? kDigits[v & 63] : '=';
    }
    return out;
}

}  // namespace velmora
