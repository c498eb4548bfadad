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

Spe3Layout ReadSpe3Layout(std::string_view b) {
    if (b.size() < kHeaderSize) Refuse(b.size(), "the file ends inside the 4100-byte header");
    Spe3Layout L;
    L.width = static_cast<int>(Unsigned(b, 42, 2));
    L.type = static_cast<std::int16_t>(static_cast<std::uint16_t>(Unsigned(b, 108, 2)));
    L.height = static_cast<int>(Unsigned(b, 656, 2));
    const std::uint64_t footer = Unsigned(b, 678, 8);
    const std::int64_t frames = static_cast<std::int32_t>(static_cast<std::uint32_t>(Unsigned(b, 1446, 4)));
    L.pixelBytes = L.type == 0 || L.type == 1 || L.type == 8 ? 4 : L.type == 2 || L.type == 3 ? 2 : 0;
    if (L.pixelBytes == 0)
        Refuse(108, "data type " + std::to_string(L.type) + " (float32, int32, int16, uint16 or uint32 are read)");
    if (L.width < 1) Refuse(42, "an x dimension of 0 pixels");
    if (L.height < 1) Refuse(656, "a y dimension of 0 rows");
    if (frames < 1) Refuse(1446, std::to_string(frames) + " frames");
    const std::uint64_t frameBytes =
        static_cast<std::uint64_t>(L.width) * static_cast<std::uint64_t>(L.height) * L.pixelBytes;
    if (static_cast<std::uint64_t>(frames) > (b.size() - kHeaderSize) / frameBytes)
        Refuse(kHeaderSize, std::to_string(frames) + " frames of " + std::to_string(L.width) + " x " +
                                std::to_string(L.height) + " pixels do not fit in the " + std::to_string(b.size()) +
                                "-byte file");
    L.frames = static_cast<int>(frames);
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
    const char* s = list.c_str();
    while (*s != '\0' && static_cast<int>(L.wavelengths.size()) <= L.width) {
        while (*s == ' ' || *s == ',' || *s == '\n' || *s == '\r' || *s == '\t') ++s;
        if (*s == '\0') break;
        char* end = nullptr;
        const double v = std::strtod(s, &end);
        if (end == s || !std::isfinite(v))
            Refuse(footer + open + 1 + static_cast<std::uint64_t>(s - list.c_str()),
                   "a wavelength that is not a number");
        L.wavelengths.push_back(v);
        s = end;
    }
    if (static_cast<int>(L.wavelengths.size()) != L.width)
        Refuse(footer + at, "the <Wavelength> list holds " +
                                (static_cast<int>(L.wavelengths.size()) > L.width ? "more than " : std::string()) +
                                std::to_string(L.wavelengths.size()) + " values for " + std::to_string(L.width) +
                                " pixel columns");
    return L;
}

double Spe3Pixel(std::string_view b, const Spe3Layout& L, int f, int r, int c) {
    const std::size_t frameBytes = static_cast<std::size_t>(L.width) * L.height * L.pixelBytes;
    return Pixel(b,
                 kHeaderSize + static_cast<std::size_t>(f) * frameBytes +
                     (static_cast<std::size_t>(r) * L.width + c) * L.pixelBytes,
                 L.type);
}

SpectrumPoints ReadSpe3(std::string_view b, int frame, SpeInfo& info) {
    const Spe3Layout L = ReadSpe3Layout(b);
    if (frame < 0 || frame > L.frames)
        Refuse(1446, "frame " + std::to_string(frame) + " chosen, the file has " + std::to_string(L.frames));
    SpectrumPoints p;
    p.unit = DeclaredXUnit::Nanometre;  // the calibration is in nm
    p.x = L.wavelengths;
    p.y.assign(static_cast<std::size_t>(L.width), 0.0);
    for (int f = 0; f < L.frames; ++f) {
        if (frame != 0 && f + 1 != frame) continue;
        for (int r = 0; r < L.height; ++r)
            for (int c = 0; c < L.width; ++c) {
                const double v = Spe3Pixel(b, L, f, r, c);
                if (!std::isfinite(v))
                    Refuse(kHeaderSize + ((static_cast<std::size_t>(f) * L.height + r) * L.width + c) * L.pixelBytes,
                           "a pixel value that is not finite");
                p.y[static_cast<std::size_t>(c)] += v;
            }
    }
    info = SpeInfo{L.width, L.height, L.frames, frame};
    return p;
}

SpectrumFrame ReadSpe3Frame(std::string_view b, int frame) {
    const Spe3Layout L = ReadSpe3Layout(b);
    if (frame < 0 || frame > L.frames)
        Refuse(1446, "frame " + std::to_string(frame) + " chosen, the file has " + std::to_string(L.frames));
    CheckFrameSize(L.height, L.width, "byte 42/656: ");
    SpectrumFrame out = BlankFrame(L.height, L.width);
    out.axis = L.wavelengths;
    out.axisUnit = DeclaredXUnit::Nanometre;
    out.axisUnitName = "nm";
    for (int f = 0; f < L.frames; ++f) {
        if (frame != 0 && f + 1 != frame) continue;
        for (int r = 0; r < L.height; ++r)
            for (int c = 0; c < L.width; ++c) out.At(r, c) += static_cast<float>(Spe3Pixel(b, L, f, r, c));
    }
    out.detail = (frame == 0 ? "sum of " + std::to_string(L.frames) + " frame(s)"
                             : "frame " + std::to_string(frame) + " of " + std::to_string(L.frames)) +
                 ", x in nm";
    return out;
}

}  // namespace velmora::experiment
