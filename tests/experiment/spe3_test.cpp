#include "experiment/spe3.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "experiment/spectrum_files.h"
#include "experiment/spectrum_formats.h"
#include "support/scripted_dialogs.h"
#include "support/temp_dir.h"

namespace velmora::experiment {

namespace {

void Put(std::string& b, std::size_t at, std::uint64_t v, int n) {
    for (int k = 0; k < n; ++k) b[at + static_cast<std::size_t>(k)] = static_cast<char>((v >> (8 * k)) & 0xFF);
}

/// An SPE 3.0 file of `frames` frames of 3 x 2 uint16 pixels (or float32 with type 0): pixel
/// (row r, column c) of frame f is 100 f + 10 r + c + 1; the footer holds `wavelengths`.
std::string Spe(int frames, int type = 3, std::string_view wavelengths = "380.0,380.5,381.0",
                std::int64_t footerShift = 0) {
    const int width = 3, height = 2, size = type == 0 ? 4 : 2;
    std::string b(4100, '\0');
    Put(b, 42, width, 2);
    Put(b, 108, static_cast<std::uint64_t>(type), 2);
    Put(b, 656, height, 2);
    Put(b, 1446, static_cast<std::uint64_t>(frames), 4);
    for (int f = 0; f < frames; ++f)
        for (int r = 0; r < height; ++r)
            for (int c = 0; c < width; ++c) {
                const int v = 100 * f + 10 * r + c + 1;
                std::string pixel(static_cast<std::size_t>(size), '\0');
                if (type == 0) {
                    const float x = static_cast<float>(v);
                    std::uint32_t u;
                    std::memcpy(&u, &x, 4);
                    Put(pixel, 0, u, 4);
                } else {
                    Put(pixel, 0, static_cast<std::uint64_t>(v), 2);
                }
                b += pixel;
            }
    Put(b, 678, static_cast<std::uint64_t>(static_cast<std::int64_t>(b.size()) + footerShift), 8);
    b += "<SpeFormat version=\"3.0\"><Calibrations><WavelengthMapping><Wavelength xml:space=\"preserve\">" +
         std::string(wavelengths) + "</Wavelength></WavelengthMapping></Calibrations></SpeFormat>";
    return b;
}

}  // namespace

TEST(Spe3, RowsSummedFramesSummedOrChosen) {
    struct Case {
        std::string bytes;
        int frame;
        std::vector<double> y;
        int frames;
    } cases[] = {
        {Spe(1), 0, {12, 14, 16}, 1},  // rows 1,2,3 and 11,12,13
        {Spe(2), 0, {12 + 212, 14 + 214, 16 + 216}, 2},
        {Spe(2), 2, {212, 214, 216}, 2},
        {Spe(1, 0), 0, {12, 14, 16}, 1},  // float32 pixels
    };
    for (const Case& c : cases) {
        SpeInfo info;
        const SpectrumPoints p = ReadSpe3(c.bytes, c.frame, info);
        EXPECT_EQ(p.y, c.y);
        EXPECT_EQ(p.x, (std::vector<double>{380.0, 380.5, 381.0}));
        EXPECT_EQ(p.unit, DeclaredXUnit::Nanometre);
        EXPECT_EQ(info.frames, c.frames);
        EXPECT_EQ(info.width, 3);
        EXPECT_EQ(info.height, 2);
    }
}

TEST(Spe3, FilesThatDoNotFitNameTheByte) {
    std::string badType = Spe(1);
    badType[108] = 7;
    std::string tooManyFrames = Spe(1);
    tooManyFrames[1446] = 99;
    struct Case {
        std::string bytes;
        int frame;
        std::string_view problem;
    } cases[] = {
        {Spe(1).substr(0, 4000), 0, "byte 4000: the file ends inside the 4100-byte header"},
        {badType, 0, "byte 108: data type 7"},
        {tooManyFrames, 0, "byte 4100: 99 frames of 3 x 2 pixels do not fit"},
        {Spe(1), 2, "byte 1446: frame 2 chosen, the file has 1"},
        {Spe(1, 3, "380,381,382", -2), 0, "byte 678: the XML footer offset 4110 lies outside 4112.."},
        {Spe(1, 3, "380,381"), 0, "the <Wavelength> list holds 2 values for 3 pixel columns"},
        {Spe(1, 3, "380,x,382"), 0, "a wavelength that is not a number"},
    };
    for (const Case& c : cases) {
        SpeInfo info;
        try {
            ReadSpe3(c.bytes, c.frame, info);
            ADD_FAILURE() << "no error for " << c.problem;
        } catch (const SpectrumReadError& e) {
            EXPECT_NE(e.problem.find(c.problem), std::string::npos) << e.problem;
        }
    }
}

TEST(Spe3, LoadedWithItsName) {
    const testing::TempDir dir;
    ExperimentState exp;
    testing::ScriptedDialogs dialogs;
    EXPECT_TRUE(ReadSpectrumFile(exp, dir.Write("cam.spe", Spe(2)).string(), dialogs));
    EXPECT_NE(exp.ReadNotice.find("cam.spe: read as SPE 3.0, sum of 2 frame(s) of 3 x 2 pixels"), std::string::npos)
        << exp.ReadNotice;
    EXPECT_FLOAT_EQ(exp.ExpY(2), 100.0f);
    EXPECT_FALSE(ReadSpectrumFile(exp, dir.Write("cut.spe", Spe(2).substr(0, 4100)).string(), dialogs));
    EXPECT_NE(dialogs.messages.back().find("cut.spe (read as SPE 3.0): byte 4100: 2 frames"), std::string::npos)
        << dialogs.messages.back();
    // Two frames of float32 pixels near the top of their range: the sum exceeds single precision,
    // which the loaded spectrum holds, and is refused rather than compared as infinity.
    std::string bright = Spe(2, 0);
    const float top = 3e38f;
    std::uint32_t bits;
    std::memcpy(&bits, &top, 4);
    for (std::size_t k = 0; k < 12; ++k) Put(bright, 4100 + 4 * k, bits, 4);
    EXPECT_FALSE(ReadSpectrumFile(exp, dir.Write("bright.spe", bright).string(), dialogs));
    EXPECT_NE(dialogs.messages.back().find("bright.spe (read as SPE 3.0): the intensity 1.2"), std::string::npos)
        << dialogs.messages.back();
    EXPECT_NE(dialogs.messages.back().find("exceeds single precision"), std::string::npos);
}

}  // namespace velmora::experiment
