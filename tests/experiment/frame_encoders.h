// Frames written byte by byte as cameras write them, without the libraries the readers use:
// FITS (80-character cards in 2880-byte blocks, big-endian pixels), TIFF (a little-endian file of
// one strip per image), SPE 3.0 (the 4100-byte header, the frames, the XML footer), Andor ASCII
// and matrix CSV text.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace velmora::testing {

/// A frame to encode: rows × columns pixels per image (row after row), the x of each column.
struct FrameImage {
    int rows = 0, columns = 0;
    std::vector<std::vector<float>> images;  ///< one or more images of rows × columns
    std::vector<double> axis;
};

inline void PutLittle(std::string& b, std::size_t at, std::uint64_t v, int n) {
    for (int k = 0; k < n; ++k) b[at + static_cast<std::size_t>(k)] = static_cast<char>((v >> (8 * k)) & 0xFF);
}

inline std::uint32_t FloatBits(float x) {
    std::uint32_t u;
    std::memcpy(&u, &x, 4);
    return u;
}

/// One FITS header card: KEYWORD = value (value as written, right-justified for numbers).
inline std::string Card(const std::string& key, const std::string& value) {
    std::string card = key;
    card.resize(8, ' ');
    if (!value.empty()) {
        card += "= ";
        std::string v = value;
        if (v.front() != '\'') v = std::string(20 - std::min<std::size_t>(20, v.size()), ' ') + v;
        card += v;
    }
    card.resize(80, ' ');
    return card;
}

/// A FITS file: BITPIX -32 (or 16 with BZERO 32768 for unsigned counts), NAXIS 2 or 3 for a
/// cube, extra cards (calibration keywords) after the axes.
inline std::string Fits(const FrameImage& f, int bitpix = -32, const std::vector<std::string>& extra = {}) {
    const bool cube = f.images.size() > 1;
    std::string h = Card("SIMPLE", "T") + Card("BITPIX", std::to_string(bitpix)) + Card("NAXIS", cube ? "3" : "2") +
                    Card("NAXIS1", std::to_string(f.columns)) + Card("NAXIS2", std::to_string(f.rows));
    if (cube) h += Card("NAXIS3", std::to_string(f.images.size()));
    if (bitpix == 16) h += Card("BZERO", "32768") + Card("BSCALE", "1");
    for (const std::string& c : extra) h += c;
    h += Card("END", "");
    h.resize((h.size() + 2879) / 2880 * 2880, ' ');
    std::string data;
    for (const auto& image : f.images)
        for (float v : image) {
            const std::uint32_t u = bitpix == -32 ? FloatBits(v) : static_cast<std::uint32_t>(v - 32768.0f) & 0xFFFF;
            const int n = bitpix == -32 ? 4 : 2;
            for (int k = n - 1; k >= 0; --k) data += static_cast<char>((u >> (8 * k)) & 0xFF);
        }
    data.resize((data.size() + 2879) / 2880 * 2880, '\0');
    return h + data;
}

/// A little-endian TIFF file, one directory per image, each image in one strip of 16-bit
/// unsigned (or 32-bit float) samples.
inline std::string Tiff(const FrameImage& f, bool floats = false) {
    const int bytes = floats ? 4 : 2;
    std::string b(8, '\0');
    b[0] = 'I', b[1] = 'I';
    PutLittle(b, 2, 42, 2);
    std::size_t linkAt = 4;  // where the offset of the next directory goes
    for (const auto& image : f.images) {
        const std::size_t strip = b.size();
        for (float v : image) {
            std::string px(static_cast<std::size_t>(bytes), '\0');
            PutLittle(px, 0, floats ? FloatBits(v) : static_cast<std::uint64_t>(v), bytes);
            b += px;
        }
        if (b.size() % 2) b += '\0';
        const std::size_t ifd = b.size();
        PutLittle(b, linkAt, ifd, 4);
        struct Entry {
            int tag, type;
            std::uint64_t value;
        } entries[] = {{256, 4, static_cast<std::uint64_t>(f.columns)},
                       {257, 4, static_cast<std::uint64_t>(f.rows)},
                       {258, 3, static_cast<std::uint64_t>(8 * bytes)},
                       {259, 3, 1},
                       {262, 3, 1},
                       {273, 4, strip},
                       {277, 3, 1},
                       {278, 4, static_cast<std::uint64_t>(f.rows)},
                       {279, 4, image.size() * static_cast<std::size_t>(bytes)},
                       {339, 3, floats ? 3u : 1u}};
        std::string dir(2 + 12 * std::size(entries) + 4, '\0');
        PutLittle(dir, 0, std::size(entries), 2);
        for (std::size_t k = 0; k < std::size(entries); ++k) {
            PutLittle(dir, 2 + 12 * k, static_cast<std::uint64_t>(entries[k].tag), 2);
            PutLittle(dir, 4 + 12 * k, static_cast<std::uint64_t>(entries[k].type), 2);
            PutLittle(dir, 6 + 12 * k, 1, 4);
            PutLittle(dir, 10 + 12 * k, entries[k].value, entries[k].type == 3 ? 2 : 4);
        }
        b += dir;
        linkAt = b.size() - 4;
    }
    return b;
}

/// An SPE 3.0 file of uint16 (type 3) or float32 (type 0) pixels; the footer lists the axis.
inline std::string Spe(const FrameImage& f, int type = 0) {
    const int size = type == 0 ? 4 : 2;
    std::string b(4100, '\0');
    PutLittle(b, 42, static_cast<std::uint64_t>(f.columns), 2);
    PutLittle(b, 108, static_cast<std::uint64_t>(type), 2);
    PutLittle(b, 656, static_cast<std::uint64_t>(f.rows), 2);
    PutLittle(b, 1446, f.images.size(), 4);
    for (const auto& image : f.images)
        for (float v : image) {
            std::string px(static_cast<std::size_t>(size), '\0');
            PutLittle(px, 0, type == 0 ? FloatBits(v) : static_cast<std::uint64_t>(v), size);
            b += px;
        }
    PutLittle(b, 678, b.size(), 8);
    std::string list;
    for (double x : f.axis) list += (list.empty() ? "" : ",") + std::to_string(x);
    return b + "<SpeFormat><Calibrations><WavelengthMapping><Wavelength xml:space=\"preserve\">" + list +
           "</Wavelength></WavelengthMapping></Calibrations></SpeFormat>";
}

inline std::string Number(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.9g", v);
    return buf;
}

/// Andor ASCII: one line per column, its x and then the pixel of every row.
inline std::string AndorAscii(const FrameImage& f) {
    std::string t;
    for (int c = 0; c < f.columns; ++c) {
        t += Number(f.axis[static_cast<std::size_t>(c)]);
        for (int r = 0; r < f.rows; ++r) t += "\t" + Number(f.images[0][static_cast<std::size_t>(r * f.columns + c)]);
        t += "\r\n";
    }
    return t;
}

/// Matrix CSV: an empty field and the axis, then per row its position (r) and its pixels.
inline std::string MatrixCsv(const FrameImage& f, const std::vector<double>& positions) {
    std::string t;
    for (double x : f.axis) t += "," + Number(x);
    t += "\n";
    for (int r = 0; r < f.rows; ++r) {
        t += Number(positions[static_cast<std::size_t>(r)]);
        for (int c = 0; c < f.columns; ++c) t += "," + Number(f.images[0][static_cast<std::size_t>(r * f.columns + c)]);
        t += "\n";
    }
    return t;
}

}  // namespace velmora::testing
