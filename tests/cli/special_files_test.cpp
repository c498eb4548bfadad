// Every reader of the command line refuses a named pipe or a device given in a file's place
// (reading one would block for ever or stream without end) and names it: the database, the
// spectra of compare, fit and boltzmann, the spectral response, the measured instrument
// function and the detection filter.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "cli_fixture.h"
#include "support/temp_dir.h"

namespace velmora::cli {
namespace {

TEST(CliSpecialFiles, EveryReaderRefusesANamedPipeAndADevice) {
    testing::TempDir dir;
    const std::string fifo = (dir / "pipe.txt").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::string data = VELMORA_DATA_DIR;
    const std::vector<std::string> oh = {"--data", data, "--entry", "1", "--start", "3060", "--end", "3130"};
    const std::string out = (dir / "out.mod").string();
    const std::string good = dir.Write("oh.txt", "3080 1\n3081 3\n3082 2\n3083 5\n").string();
    // A database folder whose catalogue is the special file.
    testing::TempDir folder;
    struct Reader {
        const char* name;
        std::vector<std::string> args;  ///< with "@" where the special file goes
    };
    const Reader readers[] = {
        {"catalogue", {"systems", "--data", "@"}},
        {"compare spectrum", {"compare", "--spectrum", "@"}},
        {"spectral response", {"compare", "--spectrum", good, "--response", "@"}},
        {"instrument function", {"simulate", "--out", out, "--lineshape", "file", "--slit", "@"}},
        {"detection filter", {"simulate", "--out", out, "--kind", "lif", "--filter", "@"}},
        {"fit spectrum", {"fit", "--spectrum", "@"}},
        {"boltzmann spectrum", {"boltzmann", "--spectrum", "@"}},
    };
    for (const auto& [special, kind] : {std::pair<std::string, std::string>{fifo, "(a named pipe)"},
                                        std::pair<std::string, std::string>{"/dev/zero", "(a device)"}}) {
        std::filesystem::remove(folder / "VELMORA.SYS");
        std::filesystem::create_symlink(special, folder / "VELMORA.SYS");
        for (const Reader& r : readers) {
            std::vector<std::string> args = r.args;
            for (std::string& a : args)
                if (a == "@") a = std::string(r.name) == "catalogue" ? folder.path().string() : special;
            if (std::string(r.name) != "catalogue") args.insert(args.end(), oh.begin(), oh.end());
            const Result result = RunCli(args);
            EXPECT_EQ(result.code, 1) << r.name << " " << kind;
            EXPECT_NE(result.err.find("is not a regular file " + kind), std::string::npos)
                << r.name << ": " << result.err;
        }
    }
}

}  // namespace
}  // namespace velmora::cli
