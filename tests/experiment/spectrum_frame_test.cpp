// Frames from every camera format: the same pixels, calibration and positions whatever the
// file; stacks; malformed files refused with the file and the reason; the corrections.
#include "experiment/spectrum_frame.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <functional>
#include <stdexcept>

#include "common/errors.h"
#include "experiment/frame_corrections.h"
#include "experiment/frame_library.h"
#include "experiment/spectrum_files.h"
#include "frame_encoders.h"
#include "support/temp_dir.h"

namespace velmora::experiment {

namespace {

using testing::Card;
using testing::FrameImage;

/// 3 rows × 4 columns, pixel (r, c) = 100 r + 10 c + 1 (+ 1000 k in image k), x 380..381.5 nm.
FrameImage Sample(int images = 1) {
    FrameImage f;
    f.rows = 3, f.columns = 4;
    f.axis = {380.0, 380.5, 381.0, 381.5};
    for (int k = 0; k < images; ++k) {
        std::vector<float> p;
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 4; ++c) p.push_back(static_cast<float>(1000 * k + 100 * r + 10 * c + 1));
        f.images.push_back(p);
    }
    return f;
}

const std::vector<std::string> kCalibration = {
    Card("CTYPE1", "'WAVE    '"), Card("CUNIT1", "'nm      '"), Card("CRVAL1", "380.0"), Card("CDELT1", "0.5"),
    Card("CRPIX1", "1"),          Card("CRVAL2", "2.0"),        Card("CDELT2", "0.25"),  Card("CUNIT2", "'mm      '")};

/// Sets the value of a tag of the first directory of a TIFF file written by testing::Tiff.
std::string PatchTiff(std::string b, int tag, std::uint32_t value) {
    std::size_t ifd = 0;
    for (int k = 0; k < 4; ++k) ifd |= static_cast<std::size_t>(static_cast<unsigned char>(b[4 + k])) << (8 * k);
    const int n = static_cast<unsigned char>(b[ifd]);
    for (int e = 0; e < n; ++e) {
        const std::size_t at = ifd + 2 + 12 * static_cast<std::size_t>(e);
        if (static_cast<unsigned char>(b[at]) + 256 * static_cast<unsigned char>(b[at + 1]) == tag)
            testing::PutLittle(b, at + 8, value, b[at + 2] == 3 ? 2 : 4);
    }
    return b;
}

}  // namespace

TEST(SpectrumFrame, EveryFormatGivesTheSamePixelsWithItsCalibration) {
    const FrameImage f = Sample();
    struct Case {
        std::string name, bytes;
        bool calibrated;  ///< the file gives x
        DeclaredXUnit unit;
        std::vector<double> positions;
    } cases[] = {
        {"cam.fits", testing::Fits(f, -32, kCalibration), true, DeclaredXUnit::Nanometre, {2.0, 2.25, 2.5}},
        {"counts.fits", testing::Fits(f, 16), false, DeclaredXUnit::None, {0, 1, 2}},
        {"cam.tif", testing::Tiff(f), false, DeclaredXUnit::None, {0, 1, 2}},
        {"float.tiff", testing::Tiff(f, true), false, DeclaredXUnit::None, {0, 1, 2}},
        {"cam.spe", testing::Spe(f), true, DeclaredXUnit::Nanometre, {0, 1, 2}},
        {"tracks.asc", testing::AndorAscii(f), true, DeclaredXUnit::None, {0, 1, 2}},
        {"matrix.csv", testing::MatrixCsv(f, {-1.5, 0.0, 1.5}), true, DeclaredXUnit::None, {-1.5, 0.0, 1.5}},
    };
    const testing::TempDir dir;
    for (const Case& c : cases) {
        const SpectrumFrame frame = ReadFrameFile(dir.Write(c.name, c.bytes).string());
        ASSERT_EQ(frame.rows, 3) << c.name;
        ASSERT_EQ(frame.columns, 4) << c.name;
        EXPECT_EQ(frame.pixels, f.images[0]) << c.name;
        EXPECT_EQ(frame.axisUnit, c.unit) << c.name;
        EXPECT_EQ(frame.positions, c.positions) << c.name;
        if (c.calibrated) {
            ASSERT_EQ(frame.axis.size(), 4u) << c.name;
            for (int k = 0; k < 4; ++k)
                EXPECT_NEAR(frame.axis[static_cast<std::size_t>(k)], f.axis[static_cast<std::size_t>(k)], 1e-9)
                    << c.name;
        } else {
            EXPECT_TRUE(frame.axis.empty()) << c.name;
        }
        EXPECT_NE(frame.detail.find("3 x 4 pixels"), std::string::npos) << frame.detail;
    }
    EXPECT_EQ(ReadFrameFile(dir.Write("cal.fits", testing::Fits(f, -32, kCalibration)).string()).positionUnit, "mm");
}

TEST(SpectrumFrame, StacksGiveTheChosenImageOrTheirSum) {
    const FrameImage f = Sample(2);
    std::vector<float> sum;
    for (std::size_t i = 0; i < f.images[0].size(); ++i) sum.push_back(f.images[0][i] + f.images[1][i]);
    const testing::TempDir dir;
    for (const auto& [name, bytes] :
         {std::pair{"cube.fits", testing::Fits(f)}, std::pair{"stack.tif", testing::Tiff(f)},
          std::pair{"series.spe", testing::Spe(f, 3)}}) {
        const std::string path = dir.Write(name, bytes).string();
        EXPECT_EQ(ReadFrameFile(path, 2).pixels, f.images[1]) << name;
        EXPECT_EQ(ReadFrameFile(path, 1).pixels, f.images[0]) << name;
        EXPECT_EQ(ReadFrameFile(path, 0).pixels, sum) << name;
        try {
            ReadFrameFile(path, 3);
            ADD_FAILURE() << name << ": image 3 of 2 read";
        } catch (const FileError& e) {
            EXPECT_NE(std::string(e.what()).find("3 chosen"), std::string::npos) << e.what();
        }
    }
}

TEST(SpectrumFrame, MalformedFilesAreRefusedWithTheFileAndTheReason) {
    const FrameImage f = Sample();
    std::string huge = testing::Fits(f);
    huge.replace(huge.find("NAXIS1  ="), 80, Card("NAXIS1", "100000"));
    huge.replace(huge.find("NAXIS2  ="), 80, Card("NAXIS2", "100000"));
    std::string oneAxis = testing::Fits(f);
    oneAxis.replace(oneAxis.find("NAXIS   ="), 80, Card("NAXIS", "1"));
    oneAxis.replace(oneAxis.find("NAXIS2  ="), 80, Card("COMMENT", ""));
    std::string badCalibration = testing::Fits(f, -32, {Card("CRVAL1", "380"), Card("CDELT1", "'x'")});
    std::string spe = testing::Spe(f);
    testing::PutLittle(spe, 1446, 500, 4);
    struct Case {
        std::string name, bytes, problem;
    } cases[] = {
        {"huge.fits", huge, "100000 rows of 100000 pixels: larger than"},
        {"cut.fits", testing::Fits(f).substr(0, 2880),
         "the data of 48 bytes from byte 2880 end beyond the 2880-byte file"},
        {"line.fits", oneAxis, "no image with two or more axes"},
        {"badcal.fits", badCalibration, "keyword CDELT1 is not a finite number"},
        {"rgb.tif", PatchTiff(testing::Tiff(f), 277, 3), "3 samples per pixel"},
        {"wide.tif", PatchTiff(testing::Tiff(f), 256, 70000), "larger than"},
        {"bits.tif", PatchTiff(testing::Tiff(f), 258, 12), "12-bit samples"},
        {"cut.tif", testing::Tiff(f).substr(0, 6), "not a readable TIFF file"},
        {"many.spe", spe, "500 frames of 4 x 3 pixels do not fit"},
        {"plain.csv", "a,b\n1,2\n", "not a frame"},
        {"ragged.csv", ",1,2\n0,5\n", "line 2: 2 fields where the first line has 3"},
        {"words.csv", ",1,2\n0,5,abc\n", "line 2: column 2: \"abc\" is not a number"},
        {"nox.csv", ",1,nan\n0,5,6\n", "line 1: x of column 2"},
        {"binary.asc", std::string("380 1\n381\0 2\n", 12), "binary data at byte"},
    };
    const testing::TempDir dir;
    for (const Case& c : cases) {
        const std::string path = dir.Write(c.name, c.bytes).string();
        try {
            ReadFrameFile(path);
            ADD_FAILURE() << c.name << " was read";
        } catch (const FileError& e) {
            const std::string what = e.what();
            EXPECT_EQ(what.rfind(path, 0), 0u) << what;
            EXPECT_NE(what.find(c.problem), std::string::npos) << what;
        }
    }
    const std::string fifo = (dir / "pipe.fits").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    for (const auto& [path, problem] :
         {std::pair{fifo, "not a regular file"}, std::pair{dir.path().string(), "is a folder"},
          std::pair{(dir / "none.fits").string(), "file not found"}}) {
        try {
            ReadFrameFile(path);
            ADD_FAILURE() << path << " was read";
        } catch (const FileError& e) {
            EXPECT_NE(std::string(e.what()).find(problem), std::string::npos) << e.what();
        }
    }
}

TEST(FrameLibrary, AMissingLibraryOrFunctionIsNamedWithWhatNeedsIt) {
    struct Case {
        std::string soname, function, problem;
    } cases[] = {
        {"libvelmora-absent.so.1", "", "reading a FITS frame needs the shared library libvelmora-absent.so.1"},
        {"libm.so.6", "velmora_absent", "reading a FITS frame needs function velmora_absent of libm.so.6"},
    };
    for (const Case& c : cases) {
        try {
            const FrameLibrary lib(c.soname, "", "reading a FITS frame");
            lib.Get<void (*)()>(c.function.c_str());
            ADD_FAILURE() << c.soname << " " << c.function << " was bound";
        } catch (const SpectrumReadError& e) {
            EXPECT_NE(e.problem.find(c.problem), std::string::npos) << e.problem;
        }
    }
    // The development name stands in when the library of the build is not installed.
    const FrameLibrary m("libvelmora-absent.so.1", "libm.so.6", "a test");
    EXPECT_EQ(m.Get<double (*)(double)>("sqrt")(2.25), 1.5);
}

TEST(SpectrumFrame, MatrixCsvWrittenIsReadBackWithItsGaps) {
    SpectrumFrame f = BlankFrame(2, 3);
    f.axis = {3060.25, 3060.5, 3060.75};
    f.positions = {-0.5, 0.5};
    f.pixels = {1.5f, std::nanf(""), 3.0f, -4.0f, 5.0e6f, 6.0f};
    const testing::TempDir dir;
    const std::string path = (dir / "written.csv").string();
    WriteMatrixCsv(path, f);
    const SpectrumFrame g = ReadFrameFile(path);
    EXPECT_EQ(g.axis, f.axis);
    EXPECT_EQ(g.positions, f.positions);
    for (std::size_t i = 0; i < f.pixels.size(); ++i)
        EXPECT_TRUE(g.pixels[i] == f.pixels[i] || (std::isnan(g.pixels[i]) && std::isnan(f.pixels[i]))) << i;
    // Tabs between the fields and decimal commas.
    const SpectrumFrame h = ReadFrameFile(dir.Write("comma.txt", "\t306,5\t307,5\r\n1,5\t2\t3,25\r\n").string());
    EXPECT_EQ(h.axis, (std::vector<double>{306.5, 307.5}));
    EXPECT_EQ(h.positions, (std::vector<double>{1.5}));
    EXPECT_EQ(h.pixels, (std::vector<float>{2.0f, 3.25f}));
}

TEST(FrameCorrections, DarkResponseRowsAndBins) {
    SpectrumFrame f = BlankFrame(7, 2);
    for (int r = 0; r < 7; ++r) f.At(r, 0) = 10.0f * (r + 1), f.At(r, 1) = 20.0f * (r + 1);
    f.source = "frame";
    SpectrumFrame dark = BlankFrame(1, 2);
    dark.pixels = {1.0f, 2.0f};
    SubtractDark(f, dark);
    EXPECT_EQ(f.At(6, 0), 69.0f);
    EXPECT_EQ(f.At(6, 1), 138.0f);
    SpectrumFrame response = BlankFrame(1, 2);
    response.pixels = {1.0f, 3.0f};  // mean 2: the first column doubled, the second × 2/3
    DivideResponse(f, response);
    EXPECT_FLOAT_EQ(f.At(6, 0), 138.0f);
    EXPECT_FLOAT_EQ(f.At(6, 1), 92.0f);

    const SpectrumFrame binned = SelectRows(f, 2, 7, 4);  // rows 2..5 and 6..7
    ASSERT_EQ(binned.rows, 2);
    EXPECT_EQ(binned.positions, (std::vector<double>{2.5, 5.5}));
    EXPECT_FLOAT_EQ(binned.At(0, 0), (19 + 29 + 39 + 49) * 2.0f / 4);
    EXPECT_FLOAT_EQ(binned.At(1, 0), (59 + 69) * 2.0f / 2);

    SpectrumFrame wrong = BlankFrame(3, 2);
    wrong.source = "dark.fits";
    SpectrumFrame zero = BlankFrame(1, 2);
    zero.source = "flat.fits";
    const std::pair<std::function<void()>, std::string> refused[] = {
        {[&] { SubtractDark(f, wrong); }, "dark.fits: the dark frame of 3 x 2 pixels does not fit the frame of 7 x 2"},
        {[&] { DivideResponse(f, zero); }, "flat.fits: the response at row 1, column 1 is not a number above 0"},
        {[&] { SelectRows(f, 3, 9, 1); }, "rows 3..9: frame has rows 1..7"},
        {[&] { SelectRows(f, 1, 0, 0); }, "binning by 0 rows"},
    };
    for (const auto& [call, problem] : refused) {
        try {
            call();
            ADD_FAILURE() << "accepted: " << problem;
        } catch (const std::exception& e) {
            EXPECT_NE(std::string(e.what()).find(problem), std::string::npos) << e.what();
        }
    }
}

TEST(FrameAxisFile, OneValuePerLineAfterAHeading) {
    const testing::TempDir dir;
    EXPECT_EQ(
        ReadAxisFile(
            dir.Write("axis.txt", "wavelength (nm)\n# calibration of 3 June\n306.1\n306.2 5\n\n306.3\n").string()),
        (std::vector<double>{306.1, 306.2, 306.3}));
    for (const auto& [text, problem] : {std::pair{"306.1\nx\n", "line 2: \"x\" does not start"},
                                        std::pair{"306.1\ninf\n", "line 2"}, std::pair{"heading only\n", "no value"}}) {
        try {
            ReadAxisFile(dir.Write("bad.txt", text).string());
            ADD_FAILURE() << text;
        } catch (const FileError& e) {
            EXPECT_NE(std::string(e.what()).find(problem), std::string::npos) << e.what();
        }
    }
}

}  // namespace velmora::experiment
