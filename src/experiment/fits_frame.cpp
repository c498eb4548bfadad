#include "experiment/fits_frame.h"

#include <fitsio.h>

#include <cctype>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "experiment/frame_library.h"
#include "experiment/spectrum_files.h"

namespace velmora::experiment {

namespace {

/// The functions of cfitsio this reader calls, bound when the first FITS frame is read.
struct Cfitsio {
    decltype(&ffomem) open_memfile;
    decltype(&ffclos) close_file;
    decltype(&ffgerr) get_errstatus;
    decltype(&ffgky) read_key;
    decltype(&ffghdt) get_hdu_type;
    decltype(&ffgipr) get_img_param;
    decltype(&ffmrhd) movrel_hdu;
    decltype(&ffghadll) get_hduaddrll;
    decltype(&ffgpxv) read_pix;
};

/// Opened once; a failed open is tried again at the next frame.
const Cfitsio& Fits() {
    static const Cfitsio api = [] {
        static const FrameLibrary lib(VELMORA_CFITSIO_SONAME, "libcfitsio.so", "reading a FITS frame");
        return Cfitsio{VELMORA_LIBRARY_FUNCTION(lib, ffomem), VELMORA_LIBRARY_FUNCTION(lib, ffclos),
                       VELMORA_LIBRARY_FUNCTION(lib, ffgerr), VELMORA_LIBRARY_FUNCTION(lib, ffgky),
                       VELMORA_LIBRARY_FUNCTION(lib, ffghdt), VELMORA_LIBRARY_FUNCTION(lib, ffgipr),
                       VELMORA_LIBRARY_FUNCTION(lib, ffmrhd), VELMORA_LIBRARY_FUNCTION(lib, ffghadll),
                       VELMORA_LIBRARY_FUNCTION(lib, ffgpxv)};
    }();
    return api;
}

/// The library's words for a status.
std::string Reason(int status) {
    char text[FLEN_STATUS] = {};
    Fits().get_errstatus(status, text);
    return std::string(text) + " (status " + std::to_string(status) + ")";
}

[[noreturn]] void Refuse(const std::string& problem) { throw SpectrumReadError{0, problem}; }

void Check(int status, const std::string& doing) {
    if (status != 0) Refuse(doing + ": " + Reason(status));
}

struct CloseFits {
    void operator()(fitsfile* f) const {
        int status = 0;
        Fits().close_file(f, &status);
    }
};

/// A keyword as a number; nullopt when the header lacks it.
bool NumberKey(fitsfile* f, const std::string& key, double& value) {
    int status = 0;
    Fits().read_key(f, TDOUBLE, key.c_str(), &value, nullptr, &status);
    if (status == KEY_NO_EXIST) return false;
    if (status != 0 || !std::isfinite(value)) Refuse("keyword " + key + " is not a finite number");
    return true;
}

std::string TextKey(fitsfile* f, const std::string& key) {
    int status = 0;
    char value[FLEN_VALUE] = {};
    Fits().read_key(f, TSTRING, key.c_str(), value, nullptr, &status);
    if (status != 0) return {};
    std::string s(value);
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

/// The linear calibration of axis n (1 or 2) over `count` pixels: true with x and its unit, or
/// false when CRVALn or CDELTn (CDn_n) is missing.
bool AxisCalibration(fitsfile* f, int n, int count, std::vector<double>& x, std::string& unit,
                     DeclaredXUnit& declared) {
    const std::string k = std::to_string(n);
    double crval = 0.0, cdelt = 0.0, crpix = 1.0;
    if (!NumberKey(f, "CRVAL" + k, crval)) return false;
    if (!NumberKey(f, "CDELT" + k, cdelt) && !NumberKey(f, "CD" + k + "_" + k, cdelt)) return false;
    NumberKey(f, "CRPIX" + k, crpix);
    if (cdelt == 0.0) Refuse("keyword CDELT" + k + " is 0 (the pixels of axis " + k + " would all lie at one x)");
    unit = TextKey(f, "CUNIT" + k);
    std::string ctype = TextKey(f, "CTYPE" + k);
    for (char& c : ctype) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    std::string u = unit;
    for (char& c : u) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    double factor = 1.0;
    declared = DeclaredXUnit::None;
    if (u.empty() && ctype.rfind("WAVE", 0) == 0) u = "m", unit = "m";
    if (u == "nm") {
        declared = DeclaredXUnit::Nanometre;
    } else if (u == "angstrom" || u == "a" || u == "aa") {
        declared = DeclaredXUnit::Angstrom;
    } else if (u == "m" && ctype.rfind("WAVE", 0) == 0) {
        declared = DeclaredXUnit::Nanometre, factor = 1e9;
    } else if (u == "um") {
        declared = DeclaredXUnit::Nanometre, factor = 1e3;
    } else if (u == "cm-1" || u == "1/cm" || u == "cm**-1" || u == "cm^-1") {
        declared = DeclaredXUnit::Wavenumber;
    }
    if (declared == DeclaredXUnit::Nanometre) unit = "nm";
    x.resize(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        x[static_cast<std::size_t>(i)] = factor * (crval + (i + 1 - crpix) * cdelt);
        if (!std::isfinite(x[static_cast<std::size_t>(i)])) Refuse("the calibration of axis " + k + " overflows");
    }
    return true;
}

}  // namespace

SpectrumFrame ReadFitsFrame(std::string_view bytes, int image) {
    if (bytes.size() < 2880) Refuse("shorter than one 2880-byte FITS block");
    // A read-only memory file. The library reads whole 2880-byte records, also the last one of a
    // file cut short: the copy it reads is padded with zeros to whole records.
    std::string padded(bytes);
    padded.resize((bytes.size() + 2 * 2880 - 1) / 2880 * 2880, '\0');
    void* buffer = padded.data();
    std::size_t size = padded.size();
    fitsfile* raw = nullptr;
    int status = 0;
    Fits().open_memfile(&raw, "frame.fits", READONLY, &buffer, &size, 0, nullptr, &status);
    if (status != 0) {
        if (raw) CloseFits()(raw);
        Refuse("not a readable FITS file: " + Reason(status));
    }
    std::unique_ptr<fitsfile, CloseFits> file(raw);
    fitsfile* f = file.get();

    // The first image HDU with at least two axes.
    int bitpix = 0, naxis = 0, hdu = 1;
    long naxes[9] = {};
    for (;; ++hdu) {
        int type = 0;
        Check(Fits().get_hdu_type(f, &type, &status), "HDU " + std::to_string(hdu));
        if (type == IMAGE_HDU) {
            Check(Fits().get_img_param(f, 9, &bitpix, &naxis, naxes, &status), "HDU " + std::to_string(hdu));
            if (naxis >= 2) break;
        }
        Fits().movrel_hdu(f, 1, nullptr, &status);
        if (status == END_OF_FILE) Refuse("no image with two or more axes (NAXIS >= 2)");
        Check(status, "moving to HDU " + std::to_string(hdu + 1));
    }
    if (naxis > 9) Refuse("NAXIS = " + std::to_string(naxis) + " (at most 3 axes are read)");
    for (int k = 3; k < naxis; ++k)
        if (naxes[k] != 1)
            Refuse("NAXIS" + std::to_string(k + 1) + " = " + std::to_string(naxes[k]) + " (at most 3 axes are read)");
    const std::string where = hdu > 1 ? "HDU " + std::to_string(hdu) + ", " : "";
    CheckFrameSize(naxes[1], naxes[0], where + "NAXIS2 x NAXIS1 = ");
    const long images = naxis >= 3 ? naxes[2] : 1;
    if (images < 1) Refuse(where + "NAXIS3 = " + std::to_string(images));
    if (image < 0 || image > images)
        Refuse(where + "image " + std::to_string(image) + " chosen, the file holds " + std::to_string(images));

    // The data must lie in the file: the library would not say so for a file in memory.
    LONGLONG headStart = 0, dataStart = 0, dataEnd = 0;
    Check(Fits().get_hduaddrll(f, &headStart, &dataStart, &dataEnd, &status), where + "the data unit");
    const unsigned long long needed = static_cast<unsigned long long>(std::abs(bitpix) / 8) *
                                      static_cast<unsigned long long>(naxes[0]) * naxes[1] * images;
    if (static_cast<unsigned long long>(dataStart) + needed > bytes.size())
        Refuse(where + "the data of " + std::to_string(needed) + " bytes from byte " + std::to_string(dataStart) +
               " end beyond the " + std::to_string(bytes.size()) + "-byte file");
    const int rows = static_cast<int>(naxes[1]), columns = static_cast<int>(naxes[0]);
    SpectrumFrame out = BlankFrame(rows, columns);
    std::vector<float> plane(static_cast<std::size_t>(rows) * columns);
    float blank = std::nanf("");
    for (long k = 1; k <= images; ++k) {
        if (image != 0 && k != image) continue;
        long first[3] = {1, 1, k};
        int anyBlank = 0;
        Fits().read_pix(f, TFLOAT, first, static_cast<LONGLONG>(plane.size()), &blank, plane.data(), &anyBlank,
                        &status);
        Check(status, where + "reading image " + std::to_string(k));
        for (std::size_t i = 0; i < plane.size(); ++i) out.pixels[i] += plane[i];
    }
    DeclaredXUnit declared = DeclaredXUnit::None, ignored = DeclaredXUnit::None;
    if (AxisCalibration(f, 1, columns, out.axis, out.axisUnitName, declared)) out.axisUnit = declared;
    std::vector<double> positions;
    if (AxisCalibration(f, 2, rows, positions, out.positionUnit, ignored)) out.positions = std::move(positions);
    out.detail = where +
                 (image == 0 ? "sum of " + std::to_string(images) + " image(s)"
                             : "image " + std::to_string(image) + " of " + std::to_string(images)) +
                 ", BITPIX " + std::to_string(bitpix) +
                 (out.axis.empty() ? ", no calibration of axis 1" : ", x in " + out.axisUnitName);
    return out;
}

}  // namespace velmora::experiment
