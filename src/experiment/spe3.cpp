#include "experiment/spe3.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "experiment/spectrum_files.h"

namespace velmora::experiment {

namespace {

constexpr std::size_t kHeaderSize = 4100;

/// An unsigned little-endian integer of `n` bytes at `at` (the caller checked the size).
std::uint64_t Unsigned(std::string_view b, std::size_t at, int n) {
    std::uint64_t v = 0;
    for (int k = n - 1; k >= 0; --k) v = (v << 8) | static_cast<unsigned char>(b[at + static_cast<std::size_t>(k)]);
    return v;
}

[[noreturn]] void Refuse(std::uint64_t at, const std::string& problem) {
    throw SpectrumReadError{0, "byte " + std::to_string(at) + ": " + problem};
}

/// One pixel of the given data type at `at`.
double Pixel(std::string_view b, std::size_t at, int type) {
    switch (type) {
        case 0: {
            const std::uint32_t u = static_cast<std::uint32_t>(Unsigned(b, at, 4));
            float f;
            std::memcpy(&f, &u, sizeof f);
            return f;
        }
        case 1:
            return static_cast<std::int32_t>(static_cast<std::uint32_t>(Unsigned(b, at, 4)));
        case 2:
            return static_cast<std::int16_t>(static_cast<std::uint16_t>(Unsigned(b, at, 2)));
        case 3:
            return static_cast<double>(Unsigned(b, at, 2));
        default:
            return static_cast<double>(Unsigned(b, at, 4));
    }
}

}  // namespace

SpectrumPoints ReadSpe3(std::string_view b, int frame, SpeInfo& info) {
    if (b.size() < kHeaderSize) Refuse(b.size(), "the file ends inside the 4100-byte header");
    const int width = static_cast<int>(Unsigned(b, 42, 2));
    const int type = static_cast<std::int16_t>(static_cast<std::uint16_t>(Unsigned(b, 108, 2)));
    const int height = static_cast<int>(Unsigned(b, 656, 2));
    const std::uint64_t footer = Unsigned(b, 678, 8);
    const std::int64_t frames = static_cast<std::int32_t>(static_cast<std::uint32_t>(Unsigned(b, 1446, 4)));
    const int size = type == 0 || type == 1 || type == 8 ? 4 : type == 2 || type == 3 ? 2 : 0;
    if (size == 0)
        Refuse(108, "data type " + std::to_string(type) + " (float32, int32, int16, uint16 or uint32 are read)");
    if (width < 1) Refuse(42, "an x dimension of 0 pixels");
    if (height < 1) Refuse(656, "a y dimension of 0 rows");
    if (frames < 1) Refuse(1446, std::to_string(frames) + " frames");
    if (frame < 0 || frame > frames)
        Refuse(1446, "frame " + std::to_string(frame) + " chosen, the file has " + std::to_string(frames));
    const std::uint64_t frameBytes = static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) * size;
    if (static_cast<std::uint64_t>(frames) > (b.size() - kHeaderSize) / frameBytes)
        Refuse(kHeaderSize, std::to_string(frames) + " frames of " + std::to_string(width) + " x " +
                                std::to_string(height) + " pixels do not fit in the " + std::to_string(b.size()) +
                                "-byte file");
    const std::uint64_t dataEnd = kHeaderSize + static_cast<std::uint64_t>(frames) * frameBytes;
    if (footer < dataEnd || footer >= b.size())
        Refuse(678, "the XML footer offset " + std::to_string(footer) + " lies outside " + std::to_string(dataEnd) +
                        ".." + std::to_string(b.size() - 1));

    // The wavelength of each pixel column: <Wavelength ...>v1,v2,...</Wavelength> in the footer
    // (inside <WavelengthMapping> in the files that have one).
    const std::string_view xml = b.substr(static_cast<std::size_t>(footer));
    std::size_t at = 0;
    for (;;) {
        at = xml.find("<Wavelength", at);
        if (at == std::string_view::npos) Refuse(footer, "no <Wavelength> calibration in the XML footer");
        const char next = at + 11 < xml.size() ? xml[at + 11] : '\0';
        if (next == '>' || next == ' ') break;
        at += 11;
    }
    const std::size_t open = xml.find('>', at);
    const std::size_t close = open == std::string_view::npos ? open : xml.find('<', open);
    if (close == std::string_view::npos) Refuse(footer + at, "the <Wavelength> element is not closed");
    const std::string list(xml.substr(open + 1, close - open - 1));
    SpectrumPoints p;
    p.unit = DeclaredXUnit::Nanometre;  // the calibration is in nm
    const char* s = list.c_str();
    while (*s != '\0' && static_cast<int>(p.x.size()) <= width) {
        while (*s == ' ' || *s == ',' || *s == '\n' || *s == '\r' || *s == '\t') ++s;
        if (*s == '\0') break;
        char* end = nullptr;
        const double v = std::strtod(s, &end);
        if (end == s || !std::isfinite(v))
            Refuse(footer + open + 1 + static_cast<std::uint64_t>(s - list.c_str()),
                   "a wavelength that is not a number");
        p.x.push_back(v);
        s = end;
    }
    if (static_cast<int>(p.x.size()) != width)
        Refuse(footer + at, "the <Wavelength> list holds " +
                                (static_cast<int>(p.x.size()) > width ? "more than " : std::string()) +
                                std::to_string(p.x.size()) + " values for " + std::to_string(width) + " pixel columns");

    p.y.assign(static_cast<std::size_t>(width), 0.0);
    for (std::int64_t f = 0; f < frames; ++f) {
        if (frame != 0 && f + 1 != frame) continue;
        const std::size_t start = kHeaderSize + static_cast<std::size_t>(f) * static_cast<std::size_t>(frameBytes);
        for (int r = 0; r < height; ++r)
            for (int c = 0; c < width; ++c) {
                const double v = Pixel(b, start + (static_cast<std::size_t>(r) * width + c) * size, type);
                if (!std::isfinite(v))
                    Refuse(start + (static_cast<std::size_t>(r) * width + c) * size,
                           "a pixel value that is not finite");
                p.y[static_cast<std::size_t>(c)] += v;
            }
    }
    info = SpeInfo{width, height, static_cast<int>(frames), frame};
    return p;
}

}  // namespace velmora::experiment
