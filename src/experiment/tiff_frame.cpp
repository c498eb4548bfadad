#include "experiment/tiff_frame.h"

#include <tiffio.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "experiment/frame_library.h"
#include "experiment/spectrum_files.h"

namespace velmora::experiment {

namespace {

/// The functions of libtiff this reader calls, bound when the first TIFF frame is read.
struct Libtiff {
    decltype(&TIFFGetField) GetField;
    decltype(&TIFFGetFieldDefaulted) GetFieldDefaulted;
    decltype(&TIFFIsTiled) IsTiled;
    decltype(&TIFFTileSize) TileSize;
    decltype(&TIFFReadTile) ReadTile;
    decltype(&TIFFScanlineSize) ScanlineSize;
    decltype(&TIFFReadScanline) ReadScanline;
    decltype(&TIFFClose) Close;
    decltype(&TIFFOpenOptionsAlloc) OpenOptionsAlloc;
    decltype(&TIFFOpenOptionsFree) OpenOptionsFree;
    decltype(&TIFFOpenOptionsSetMaxSingleMemAlloc) OpenOptionsSetMaxSingleMemAlloc;
    decltype(&TIFFOpenOptionsSetErrorHandlerExtR) OpenOptionsSetErrorHandlerExtR;
    decltype(&TIFFOpenOptionsSetWarningHandlerExtR) OpenOptionsSetWarningHandlerExtR;
    decltype(&TIFFClientOpenExt) ClientOpenExt;
    decltype(&TIFFReadDirectory) ReadDirectory;
};

/// Opened once; a failed open is tried again at the next frame.
const Libtiff& Tiff() {
    static const Libtiff api = [] {
        static const FrameLibrary lib(VELMORA_TIFF_SONAME, "libtiff.so", "reading a TIFF frame");
        return Libtiff{VELMORA_LIBRARY_FUNCTION(lib, TIFFGetField),
                       VELMORA_LIBRARY_FUNCTION(lib, TIFFGetFieldDefaulted),
                       VELMORA_LIBRARY_FUNCTION(lib, TIFFIsTiled),
                       VELMORA_LIBRARY_FUNCTION(lib, TIFFTileSize),
                       VELMORA_LIBRARY_FUNCTION(lib, TIFFReadTile),
                       VELMORA_LIBRARY_FUNCTION(lib, TIFFScanlineSize),
                       VELMORA_LIBRARY_FUNCTION(lib, TIFFReadScanline),
                       VELMORA_LIBRARY_FUNCTION(lib, TIFFClose),
                       VELMORA_LIBRARY_FUNCTION(lib, TIFFOpenOptionsAlloc),
                       VELMORA_LIBRARY_FUNCTION(lib, TIFFOpenOptionsFree),
                       VELMORA_LIBRARY_FUNCTION(lib, TIFFOpenOptionsSetMaxSingleMemAlloc),
                       VELMORA_LIBRARY_FUNCTION(lib, TIFFOpenOptionsSetErrorHandlerExtR),
                       VELMORA_LIBRARY_FUNCTION(lib, TIFFOpenOptionsSetWarningHandlerExtR),
                       VELMORA_LIBRARY_FUNCTION(lib, TIFFClientOpenExt),
                       VELMORA_LIBRARY_FUNCTION(lib, TIFFReadDirectory)};
    }();
    return api;
}

/// Most images a stack may hold.
constexpr int kMaxImages = 100000;

/// The file in memory as the library's client I/O sees it, and the first error it reported.
struct MemoryFile {
    std::string_view bytes;
    toff_t at = 0;
    std::string error;
};

tmsize_t ReadProc(thandle_t h, void* buffer, tmsize_t size) {
    auto* m = static_cast<MemoryFile*>(h);
    if (size <= 0 || m->at >= m->bytes.size()) return 0;
    const std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(size), m->bytes.size() - m->at);
    std::memcpy(buffer, m->bytes.data() + m->at, n);
    m->at += n;
    return static_cast<tmsize_t>(n);
}

tmsize_t WriteProc(thandle_t, void*, tmsize_t) { return -1; }

toff_t SeekProc(thandle_t h, toff_t offset, int whence) {
    auto* m = static_cast<MemoryFile*>(h);
    const toff_t base = whence == SEEK_CUR ? m->at : whence == SEEK_END ? m->bytes.size() : 0;
    m->at = base + offset;
    return m->at;
}

int CloseProc(thandle_t) { return 0; }
toff_t SizeProc(thandle_t h) { return static_cast<MemoryFile*>(h)->bytes.size(); }
int MapProc(thandle_t, void**, toff_t*) { return 0; }
void UnmapProc(thandle_t, void*, toff_t) {}

int KeepError(TIFF*, void* user, const char* module, const char* format, va_list args) {
    auto* m = static_cast<MemoryFile*>(user);
    if (m->error.empty()) {
        char text[512];
        std::vsnprintf(text, sizeof text, format, args);
        m->error = (module && *module ? std::string(module) + ": " : std::string()) + text;
    }
    return 1;
}

int IgnoreWarning(TIFF*, void*, const char*, const char*, va_list) { return 1; }

struct CloseTiff {
    void operator()(TIFF* t) const { Tiff().Close(t); }
};

[[noreturn]] void Refuse(const MemoryFile& m, const std::string& problem) {
    throw SpectrumReadError{0, problem + (m.error.empty() ? "" : " (" + m.error + ")")};
}

/// One sample of the given format and size as a number.
double Sample(const unsigned char* p, int format, int bits) {
    auto get = [p](auto v) {
        std::memcpy(&v, p, sizeof v);
        return static_cast<double>(v);
    };
    if (format == SAMPLEFORMAT_IEEEFP) return bits == 32 ? get(float{}) : get(double{});
    if (format == SAMPLEFORMAT_INT)
        return bits == 8 ? get(std::int8_t{}) : bits == 16 ? get(std::int16_t{}) : get(std::int32_t{});
    return bits == 8 ? get(std::uint8_t{}) : bits == 16 ? get(std::uint16_t{}) : get(std::uint32_t{});
}

/// Adds the current directory's image to the frame (sized at the first image).
void AddImage(TIFF* t, MemoryFile& m, int number, SpectrumFrame& out) {
    const std::string where = "image " + std::to_string(number) + ": ";
    std::uint32_t width = 0, height = 0;
    std::uint16_t samples = 1, bits = 1, format = SAMPLEFORMAT_UINT;
    if (!Tiff().GetField(t, TIFFTAG_IMAGEWIDTH, &width) || !Tiff().GetField(t, TIFFTAG_IMAGELENGTH, &height))
        Refuse(m, where + "no ImageWidth or ImageLength");
    Tiff().GetFieldDefaulted(t, TIFFTAG_SAMPLESPERPIXEL, &samples);
    Tiff().GetFieldDefaulted(t, TIFFTAG_BITSPERSAMPLE, &bits);
    Tiff().GetFieldDefaulted(t, TIFFTAG_SAMPLEFORMAT, &format);
    if (samples != 1) Refuse(m, where + std::to_string(samples) + " samples per pixel (grey images are read)");
    const bool integer = format == SAMPLEFORMAT_UINT || format == SAMPLEFORMAT_INT;
    if (!((integer && (bits == 8 || bits == 16 || bits == 32)) ||
          (format == SAMPLEFORMAT_IEEEFP && (bits == 32 || bits == 64))))
        Refuse(m, where + std::to_string(bits) + "-bit samples of format " + std::to_string(format) +
                      " (8, 16 or 32-bit integers and 32 or 64-bit floats are read)");
    CheckFrameSize(height, width, where);
    if (out.rows == 0) {
        out = BlankFrame(static_cast<int>(height), static_cast<int>(width));
    } else if (out.rows != static_cast<int>(height) || out.columns != static_cast<int>(width)) {
        Refuse(m, where + std::to_string(width) + " x " + std::to_string(height) + " pixels, the first image has " +
                      std::to_string(out.columns) + " x " + std::to_string(out.rows) + " (a sum needs one size)");
    }
    const std::size_t bytes = bits / 8;
    if (Tiff().IsTiled(t)) {
        std::uint32_t tw = 0, th = 0;
        Tiff().GetField(t, TIFFTAG_TILEWIDTH, &tw);
        Tiff().GetField(t, TIFFTAG_TILELENGTH, &th);
        const tmsize_t size = Tiff().TileSize(t);
        // A tile larger than the largest frame is a damaged header: refuse it before its buffer.
        if (tw == 0 || th == 0 || std::size_t{tw} * th > static_cast<std::size_t>(kMaxFramePixels) ||
            size < static_cast<tmsize_t>(std::size_t{tw} * th * bytes))
            Refuse(m, where + "tiles of " + std::to_string(tw) + " x " + std::to_string(th) + " pixels in " +
                          std::to_string(size) + " bytes");
        std::vector<unsigned char> tile(static_cast<std::size_t>(size));
        for (std::uint32_t y0 = 0; y0 < height; y0 += th)
            for (std::uint32_t x0 = 0; x0 < width; x0 += tw) {
                if (Tiff().ReadTile(t, tile.data(), x0, y0, 0, 0) < 0)
                    Refuse(m, where + "the tile at " + std::to_string(x0) + ", " + std::to_string(y0) +
                                  " cannot be decoded");
                for (std::uint32_t y = y0; y < std::min(height, y0 + th); ++y)
                    for (std::uint32_t x = x0; x < std::min(width, x0 + tw); ++x)
                        out.At(static_cast<int>(y), static_cast<int>(x)) += static_cast<float>(
                            Sample(&tile[((y - y0) * std::size_t{tw} + (x - x0)) * bytes], format, bits));
            }
        return;
    }
    const tmsize_t size = Tiff().ScanlineSize(t);
    if (size < static_cast<tmsize_t>(width * bytes))
        Refuse(m, where + "scanlines of " + std::to_string(size) + " bytes for " + std::to_string(width) + " pixels");
    std::vector<unsigned char> line(static_cast<std::size_t>(size));
    for (std::uint32_t y = 0; y < height; ++y) {
        if (Tiff().ReadScanline(t, line.data(), y, 0) < 0)
            Refuse(m, where + "row " + std::to_string(y) + " cannot be decoded");
        for (std::uint32_t x = 0; x < width; ++x)
            out.At(static_cast<int>(y), static_cast<int>(x)) +=
                static_cast<float>(Sample(&line[x * bytes], format, bits));
    }
}

}  // namespace

SpectrumFrame ReadTiffFrame(std::string_view bytes, int image) {
    MemoryFile m{bytes, 0, {}};
    if (image < 0) Refuse(m, "image " + std::to_string(image) + " chosen");
    std::unique_ptr<TIFFOpenOptions, void (*)(TIFFOpenOptions*)> options(Tiff().OpenOptionsAlloc(),
                                                                         Tiff().OpenOptionsFree);
    // No single allocation of the library beyond what the largest frame needs.
    Tiff().OpenOptionsSetMaxSingleMemAlloc(options.get(), static_cast<tmsize_t>(kMaxFramePixels * sizeof(double)));
    Tiff().OpenOptionsSetErrorHandlerExtR(options.get(), KeepError, &m);
    Tiff().OpenOptionsSetWarningHandlerExtR(options.get(), IgnoreWarning, &m);
    std::unique_ptr<TIFF, CloseTiff> tiff(Tiff().ClientOpenExt("frame.tif", "rm", &m, ReadProc, WriteProc, SeekProc,
                                                               CloseProc, SizeProc, MapProc, UnmapProc, options.get()));
    if (!tiff) Refuse(m, "not a readable TIFF file");
    TIFF* t = tiff.get();
    SpectrumFrame out;
    int count = 0;
    do {
        if (++count > kMaxImages) Refuse(m, "more than " + std::to_string(kMaxImages) + " images");
        if (image == 0 || count == image) AddImage(t, m, count, out);
    } while ((image == 0 || count < image) && Tiff().ReadDirectory(t));
    if (count < image) Refuse(m, "image " + std::to_string(image) + " chosen, the file holds " + std::to_string(count));
    out.detail = image == 0 ? "sum of " + std::to_string(count) + " image(s)" : "image " + std::to_string(image);
    return out;
}

}  // namespace velmora::experiment
