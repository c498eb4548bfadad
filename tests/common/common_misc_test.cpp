#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstring>
#include <string>
#include <vector>

#include "common/bounded_array.h"
#include "common/canvas.h"
#include "common/errors.h"
#include "common/file_kind.h"
#include "common/numerics.h"
#include "common/text_writer.h"
#include "support/file_error.h"
#include "support/temp_dir.h"

namespace velmora {

using ::testing::AllOf;
using ::testing::HasSubstr;

TEST(BoundedArray, ExplicitLowerBounds) {
    Array3<float> a;
    a.Resize(1, 5, 0, 24, 0, 10);
    EXPECT_EQ(a.Lo(0), 1);
    EXPECT_EQ(a.Hi(1), 24);
    a(5, 24, 10) = 3.0f;
    a(1, 0, 0) = 1.0f;
    EXPECT_EQ(a(5, 24, 10), 3.0f);
    EXPECT_EQ(a(1, 0, 0), 1.0f);
    EXPECT_EQ(a.Size(), 5u * 25u * 11u);
    EXPECT_FALSE(a.Contains(0, 0, 0));
    EXPECT_TRUE(a.Contains(1, 0, 0));
    // ValueAt reads an element, and a place outside the bounds as empty.
    EXPECT_EQ(a.ValueAt(5, 24, 10), 3.0f);
    EXPECT_EQ(a.ValueAt(6, 24, 10), 0.0f);
    EXPECT_EQ(a.ValueAt(1, -1, 0), 0.0f);
    Array1<std::string> names;
    names.Resize(1, 2);
    names(2) = "OH";
    EXPECT_EQ(names.ValueAt(2), "OH");
    EXPECT_EQ(names.ValueAt(3), "");
    Array1<float> g;
    g.Resize(0, 3000);
    g(3000) = 7.0f;
    g.ResizePreserve(3500);
    EXPECT_EQ(g(3000), 7.0f);
    EXPECT_EQ(g(3500), 0.0f);
}

TEST(AirIndex, EdlenInDoublePrecisionAndItsExactInverse) {
    // sigma = 3.333 per micrometre; n - 1 = 2.91e-4 for standard air.
    EXPECT_NEAR(AirIndex(3000.0), 1.000291, 1e-6);
    EXPECT_EQ(AirIndex(0.0), 1.0);
    // Visible: n - 1 near 2.78e-4 at 6000 Å (standard tables).
    EXPECT_NEAR(AirIndex(6000.0) - 1.0, 2.77e-4, 0.02e-4);
    // Air wavelengths 0.01 mÅ apart stay apart (a single-precision index moved them in 0.4 mÅ
    // steps), and air -> vacuum -> air returns every one to the rounding of a double.
    double previous = 0.0;
    for (int i = 0; i <= 200; ++i) {
        const double air = 3089.0 + 1e-5 * i;
        const double vacuum = ConvertAxisValue(air, 2, 1);
        EXPECT_NEAR(vacuum / AirIndex(vacuum), air, 4e-16 * air) << air;
        EXPECT_NEAR(ConvertAxisValue(vacuum, 1, 2), air, 4e-16 * air) << air;
        EXPECT_NEAR(ConvertAxisValue(air / 10.0, 5, 4), vacuum / 10.0, 4e-16 * vacuum) << air;
        if (i > 0) {
            EXPECT_NEAR(vacuum - previous, 1e-5 * AirIndex(vacuum), 1e-9);
        }
        previous = vacuum;
    }
}

TEST(AxisUnits, OneLineInEveryUnit) {
    // A line at 3090.0 Å in vacuum: 1E8 / 3090 = 32362.46 cm-1. Edlén at sigma^2 = (1 / 0.309 um)^2
    // = 10.47329 um-2: n - 1 = 1E-8 (8342.13 + 2406030 / 119.52671 + 15997 / 28.42671) = 2.90345E-4,
    // so in standard air it lies at 3090 / 1.000290345 = 3089.1030 Å = 308.91030 nm.
    const double nu = 1E8 / 3090.0;
    const struct {
        int units;
        double x, tolerance;
    } cases[] = {{1, 3090.0, 1e-9}, {2, 3089.1030, 2e-4}, {3, 32362.46, 0.01}, {4, 309.0, 1e-10}, {5, 308.91030, 2e-5}};
    for (const auto& c : cases) {
        EXPECT_NEAR(WavenumberToAxis(nu, c.units), c.x, c.tolerance) << c.units;
        EXPECT_NEAR(AxisToWavenumber(c.x, c.units), nu, 2e-3) << c.units;  // n taken at the air wavelength
        for (const auto& to : cases)
            EXPECT_NEAR(ConvertAxisValue(c.x, c.units, to.units), to.x, to.tolerance + 2e-3 * to.x / nu)
                << c.units << " to " << to.units;
    }
    EXPECT_EQ(AxisToWavenumber(0.0, 5), 0.0);  // a wavelength of 0 has no wavenumber
}

TEST(FindIndex, BracketsTheValue) {
    Array1<float> x;
    x.Resize(0, 9);
    for (int i = 0; i <= 9; ++i) x(i) = static_cast<float>(i * 10);
    EXPECT_EQ(FindIndex(x, 35.0f, 0, 9), 3);
    EXPECT_EQ(FindIndex(x, 30.0f, 0, 9), 2);  // x <= X(mid) moves hi down
    EXPECT_EQ(FindIndex(x, 0.0f, 0, 9), 0);
    EXPECT_EQ(FindIndex(x, 95.0f, 1, 9), 8);
    EXPECT_EQ(FindIndex(x, 50.0f, 4, 5), 4);
}

TEST(RegularizedGammaP, ClosedFormsAndTheIntegralOfItsDefinition) {
    // P(1, x) = 1 - exp(-x); P(1/2, x) = erf(sqrt x): both sides of the series/fraction split.
    for (double x : {0.01, 0.3, 1.0, 1.6, 4.0, 12.0, 40.0}) {
        EXPECT_NEAR(RegularizedGammaP(1.0, x), 1.0 - std::exp(-x), 1e-13) << x;
        EXPECT_NEAR(RegularizedGammaP(0.5, x), std::erf(std::sqrt(x)), 1e-13) << x;
    }
    // P(5/3, x) by the midpoint rule on t^(2/3) e^(-t) / Γ(5/3), in u = t^(1/3) (smooth integrand).
    for (double x : {0.2, 2.0, 3.5, 9.0}) {
        const int n = 200000;
        const double top = std::cbrt(x);
        double sum = 0.0;
        for (int i = 0; i < n; ++i) {
            const double u = (i + 0.5) * top / n, t = u * u * u;
            sum += std::pow(t, 2.0 / 3.0) * std::exp(-t) * 3.0 * u * u * top / n;
        }
        EXPECT_NEAR(RegularizedGammaP(5.0 / 3.0, x), sum / std::tgamma(5.0 / 3.0), 1e-9) << x;
    }
    EXPECT_EQ(RegularizedGammaP(2.0, 0.0), 0.0);
}

TEST(GaussianDeviate, MeanZeroUnitVarianceAndSpareValue) {
    GaussianDeviate g(7);
    EXPECT_FALSE(g.HasSpare());
    g.Next();
    EXPECT_TRUE(g.HasSpare());
    g.Next();
    EXPECT_FALSE(g.HasSpare());
    double sum = 0, sum2 = 0;
    const int n = 200000;
    for (int i = 0; i < n; ++i) {
        const double d = g.Next();
        sum += d;
        sum2 += d * d;
    }
    EXPECT_NEAR(sum / n, 0.0, 0.01);
    EXPECT_NEAR(sum2 / n, 1.0, 0.01);
}

TEST(AtomicTextWriter, CrLfAndReplaceOnlyWhenComplete) {
    testing::TempDir dir;
    const auto target = dir.Write("table.csv", "old contents");
    {
        AtomicTextWriter w(target);
        w.WriteLine("RADICAL: OH");
        w.Write("1");
        // Not committed: the old file stays and no temporary file is left behind.
    }
    EXPECT_EQ(testing::ReadFile(target), "old contents");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), std::filesystem::directory_iterator{}), 1);
    {
        AtomicTextWriter w(target);
        w.WriteLine("RADICAL: OH");
        w.WriteLine("2");
        w.Commit();
    }
    EXPECT_EQ(testing::ReadFile(target), "RADICAL: OH\r\n2\r\n");
}

/// Files of a folder, by name.
std::vector<std::string> FilesIn(const std::filesystem::path& dir) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(AtomicTextWriter, UnwritableOrUnnamedPlaceIsAnError) {
    testing::TempDir dir;
    EXPECT_THROW(AtomicTextWriter(dir / "missing-folder" / "x.mod"), FileError);
    EXPECT_THAT(testing::FileErrorMessage([&] { AtomicTextWriter w(dir.path()); }), HasSubstr("is a folder"));
    EXPECT_EQ(testing::FileErrorMessage([&] { AtomicTextWriter w(""); }), "no file name");
}

TEST(AtomicTextWriter, AWriteFailureInTheMiddleLeavesTheOldFile) {
    // A disk that takes 100 bytes, then reports itself full, as a real full disk does mid-file.
    testing::TempDir dir;
    const auto target = dir.Write("spectrum.dat", "good");
    std::size_t taken = 0;
    auto fullAfter100 = [&](int fd, const char* data, std::size_t size) -> long {
        const std::size_t n = std::min(size, 100 - taken);
        if (n == 0) {
            errno = ENOSPC;
            return -1;
        }
        taken += n;
        return ::write(fd, data, n);
    };
    const std::string message = testing::FileErrorMessage([&] {
        AtomicTextWriter w(target, fullAfter100);
        for (int i = 0; i < 200; ++i) w.WriteLine("3064.5000 ,    12.5000");
        w.Commit();
    });
    EXPECT_THAT(message, AllOf(HasSubstr(target.string()), HasSubstr("not saved"), HasSubstr(std::strerror(ENOSPC))));
    EXPECT_EQ(taken, 100u);
    EXPECT_EQ(testing::ReadFile(target), "good");
    EXPECT_EQ(FilesIn(dir.path()), std::vector<std::string>{"spectrum.dat"});
}

TEST(AtomicTextWriter, ReplacingKeepsPermissionsLinksAndLongNames) {
    namespace fs = std::filesystem;
    testing::TempDir dir;
    auto save = [](const fs::path& p, const std::string& text) {
        AtomicTextWriter w(p);
        w.Write(text);
        w.Commit();
    };
    const auto target = dir.Write("table.csv", "old");
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    save(target, "new");
    EXPECT_EQ(fs::status(target).permissions(), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);

    // Through a symbolic link: the file it names is replaced, the link stays a link.
    fs::create_symlink("table.csv", dir / "latest.csv");
    save(dir / "latest.csv", "through the link");
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(dir / "latest.csv")));
    EXPECT_EQ(testing::ReadFile(target), "through the link");

    // A 250-byte name is legal; its temporary file must be one too.
    const auto longName = dir / (std::string(246, 'x') + ".mod");
    save(longName, "long");
    EXPECT_EQ(testing::ReadFile(longName), "long");
    EXPECT_EQ(FilesIn(dir.path()).size(), 3u);

    // A file of two hard links: rewritten in place, both names show the new content (shorter
    // than the old), no temporary file stays.
    fs::create_hard_link(longName, dir / "second-name.mod");
    save(dir / "second-name.mod", "new, and longer than before");
    save(longName, "short");
    EXPECT_EQ(testing::ReadFile(dir / "second-name.mod"), "short");
    EXPECT_EQ(fs::hard_link_count(longName), 2u);
    EXPECT_EQ(FilesIn(dir.path()).size(), 4u);
}

TEST(RegularFile, AFileChangedWhileReadOrTooLargeIsRefused) {
    testing::TempDir dir;
    const auto path = dir.Write("growing.dat", std::string(1000, 'a'));
    EXPECT_EQ(ReadFileText(path).size(), 1000u);
    EXPECT_THAT(testing::FileErrorMessage([&] { ReadFileText(path, 999); }),
                HasSubstr("growing.dat: is larger than 999 bytes (1000 bytes)"));
    // Truncated, then extended, while the reader holds it open.
    for (const std::size_t size : {std::size_t{400}, std::size_t{1600}}) {
        dir.Write("growing.dat", std::string(1000, 'a'));
        RegularFile file(path);
        char chunk[100];
        file.Read(chunk, sizeof chunk);
        dir.Write("growing.dat", std::string(size, 'b'));
        while (file.Read(chunk, sizeof chunk) > 0) {
        }
        EXPECT_THAT(testing::FileErrorMessage([&] { file.CheckUnchanged(); }),
                    HasSubstr("growing.dat: changed while it was read"))
            << size;
    }
    // A file replaced by another under its name is read as it was when opened: consistent.
    RegularFile file(path);
    std::filesystem::rename(dir.Write("other.dat", "other"), path);
    std::string text(file.Size(), '\0');
    text.resize(file.Read(text.data(), text.size()));
    EXPECT_EQ(text, std::string(1600, 'b'));
    file.CheckUnchanged();
}

/// Exit status of `body` run in a child process (which it must end with _exit or a signal).
template <typename Body>
int InChild(Body body) {
    const pid_t child = fork();
    if (child == 0) body();
    int status = 0;
    waitpid(child, &status, 0);
    return status;
}

TEST(AtomicTextWriter, KilledWritersLeaveNoDebrisAndProtectedFilesAreRefused) {
    testing::TempDir dir;
    const auto target = dir.Write("sim.mod", "old");
    const int killed = InChild([&] {
        AtomicTextWriter w(target);
        w.Write("half a spectrum");
        raise(SIGKILL);
    });
    ASSERT_TRUE(WIFSIGNALED(killed));
    ASSERT_EQ(FilesIn(dir.path()).size(), 2u);  // the target and the killed writer's temporary file
    // The next writer removes it; a live writer's temporary file stays.
    AtomicTextWriter live(target);
    AtomicTextWriter next(target);
    next.Write("new");
    next.Commit();
    EXPECT_EQ(testing::ReadFile(target), "new");
    EXPECT_EQ(FilesIn(dir.path()), (std::vector<std::string>{"sim.mod", live.TemporaryPath().filename().string()}));

    // Root may write anything: the check runs in a child that has given up root.
    std::filesystem::permissions(target, std::filesystem::perms::owner_read | std::filesystem::perms::others_read);
    std::filesystem::permissions(dir.path(), std::filesystem::perms::all);
    const int refused = InChild([&] {
        if (geteuid() == 0 && setuid(65534) != 0) _exit(3);
        try {
            AtomicTextWriter w(target);
        } catch (const FileError& e) {
            _exit(std::string(e.what()) == target.string() + ": is write-protected (Permission denied)" ? 0 : 2);
        }
        _exit(1);
    });
    EXPECT_TRUE(WIFEXITED(refused) && WEXITSTATUS(refused) == 0) << refused;
    EXPECT_EQ(testing::ReadFile(target), "new");
}

}  // namespace velmora

namespace velmora {
namespace {

TEST(ContrastRatio, PublishedValuesAndTheLeastTintThatReachesARatio) {
    // Relative-luminance contrast: black on white 21:1, pure red on white 4.0:1, the grey
    // #767676 on white 4.54:1 (the darkest grey passing 4.5:1), a colour on itself 1:1.
    const Rgb white{255, 255, 255}, black{0, 0, 0};
    EXPECT_NEAR(ContrastRatio(black, white), 21.0, 1e-9);
    EXPECT_NEAR(ContrastRatio(white, black), 21.0, 1e-9);
    EXPECT_NEAR(ContrastRatio({255, 0, 0}, white), 4.0, 0.01);
    EXPECT_NEAR(ContrastRatio({0x76, 0x76, 0x76}, white), 4.54, 0.01);
    EXPECT_NEAR(ContrastRatio({128, 0, 128}, {128, 0, 128}), 1.0, 1e-12);

    struct Case {
        Rgb color, background;
    };
    const Case cases[] = {{{128, 0, 128}, black}, {{0, 0, 128}, black},    {{0, 128, 0}, black},
                          {{0, 0, 255}, black},   {{255, 255, 0}, white},  {{0, 255, 255}, white},
                          {{255, 0, 255}, black}, {{128, 128, 128}, black}};
    for (const Case& k : cases) {
        const Rgb r = ReadableOn(k.color, k.background, 4.5);
        SCOPED_TRACE(std::to_string(k.color.r) + "," + std::to_string(k.color.g) + "," + std::to_string(k.color.b));
        EXPECT_GE(ContrastRatio(r, k.background), 4.5);
        if (ContrastRatio(k.color, k.background) >= 4.5) {
            EXPECT_EQ(r, k.color);
            continue;
        }
        // Mixed towards white on black, towards black on white: each component moves the same
        // fraction of its way, so that equal components stay equal and the order of the three
        // (the hue) is kept; one step less along each component falls short of the ratio.
        const int target = k.background == black ? 255 : 0;
        const auto fraction = [&](std::uint8_t from, std::uint8_t to) {
            return from == target ? -1.0 : (to - from) / static_cast<double>(target - from);
        };
        const double t = fraction(k.color.r, r.r) >= 0 ? fraction(k.color.r, r.r) : fraction(k.color.g, r.g);
        // (each component rounds to a whole number: half a unit of its way, twice).
        for (auto [from, to] : {std::pair{k.color.r, r.r}, std::pair{k.color.g, r.g}, std::pair{k.color.b, r.b}}) {
            if (from != target) {
                EXPECT_NEAR(fraction(from, to), t, 1.0 / 127.0);
            }
        }
        const auto back = [&](std::uint8_t v) {
            return static_cast<std::uint8_t>(v == target ? v : (target == 255 ? v - 2 : v + 2));
        };
        EXPECT_LT(ContrastRatio({back(r.r), back(r.g), back(r.b)}, k.background), 4.5);
    }
}

}  // namespace
}  // namespace velmora
