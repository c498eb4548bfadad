// The recent files of the File menu: the list kept in the settings, and opening without a dialog.
#include "program/recent_files.h"

#include <gtest/gtest.h>

#include "experiment/spectrum_files.h"
#include "support/scripted_chooser.h"
#include "support/scripted_dialogs.h"
#include "support/temp_dir.h"

namespace velmora::program {
namespace {

TEST(RecentFiles, NewestFirstOnceEachAndTenAtMost) {
    const RecentFile a{FileKind::OpenSpectra, "/d/a.dat"}, b{FileKind::OpenRotational, "/d/b.pop"},
        c{FileKind::OpenVibrational, "/d/c.vib"}, aAsPopulation{FileKind::OpenRotational, "/d/a.dat"};
    struct Case {
        std::vector<RecentFile> opened;
        std::vector<RecentFile> list;
    };
    const Case cases[] = {
        {{a}, {a}},
        {{a, b, c}, {c, b, a}},
        {{a, b, a}, {a, b}},                            // opened again: back to the top, once
        {{a, aAsPopulation}, {aAsPopulation, a}},       // the same path opened as another kind
        {{a, {FileKind::SaveTable, "/d/t.csv"}}, {a}},  // saved files are not recent files
        {{a, {FileKind::OpenSpectra, ""}}, {a}},
    };
    for (const Case& c : cases) {
        MemoryStore store;
        for (const RecentFile& f : c.opened) RememberRecentFile(store, f);
        EXPECT_EQ(ReadRecentFiles(store), c.list) << c.opened.size();
    }

    MemoryStore store;
    for (int i = 0; i < 12; ++i) RememberRecentFile(store, {FileKind::OpenSpectra, "/d/" + std::to_string(i)});
    const std::vector<RecentFile> list = ReadRecentFiles(store);
    ASSERT_EQ(list.size(), 10u);
    EXPECT_EQ(list.front().path, "/d/11");
    EXPECT_EQ(list.back().path, "/d/2");
    EXPECT_EQ(*store.Get("Files", "Recent1"), "spectrum|/d/11");
    ForgetRecentFile(store, list[3]);
    EXPECT_EQ(ReadRecentFiles(store).size(), 9u);
    // What another program version wrote and this one cannot read is skipped.
    store.Set("Files", "Recent10", "camera|/d/x.spe");
    store.Set("Files", "Recent9", "no bar");
    EXPECT_EQ(ReadRecentFiles(store).size(), 8u);

    EXPECT_EQ(RecentFileCaption({FileKind::OpenSpectra, "/d/R&D flame.dat"}, 10), "&0  R&&D flame.dat  (spectrum)");
    EXPECT_EQ(RecentFileCaption(b, 2), "&2  b.pop  (rotational distribution)");
}

TEST(RecentFiles, OpeningAFileOfTheListReadsItAsItsCommandDoes) {
    AppState app;
    testing::ScriptedDialogs dialogs;
    testing::CountingShell shell;
    app.dialogs = &dialogs;
    app.ui = &shell;
    experiment::InitExperimentArrays(app.exp);
    testing::TempDir dir;
    const std::string good = dir.Write("good.dat", "3000 1\n3001 5\n3002 2\n").string();
    const std::string bad = dir.Write("bad.dat", "3000 1\n3001 nan\n").string();

    EXPECT_TRUE(OpenFileOfKind(app, {FileKind::OpenSpectra, good}));
    EXPECT_EQ(app.exp.ExpCount, 1);
    EXPECT_FALSE(OpenFileOfKind(app, {FileKind::OpenSpectra, bad}));
    EXPECT_EQ(app.exp.ExpCount, 1);
    const std::size_t messages = dialogs.messages.size();
    EXPECT_FALSE(OpenFileOfKind(app, {FileKind::OpenSpectra, (dir.path() / "gone.dat").string()}));
    ASSERT_EQ(dialogs.messages.size(), messages + 1);
    EXPECT_NE(dialogs.messages.back().find("gone.dat: file not found"), std::string::npos) << dialogs.messages.back();

    // Through a menu command, the chooser keeps what was read.
    testing::ScriptedChooser inner;
    inner.paths = {good, bad};
    RecordingChooser chooser(inner);
    mnuOpenSpectra_Click(app, chooser);
    EXPECT_EQ(chooser.TakeOpened(app), (RecentFile{FileKind::OpenSpectra, good}));
    EXPECT_FALSE(chooser.TakeOpened(app));  // taken once
    mnuOpenSpectra_Click(app, chooser);
    EXPECT_FALSE(chooser.TakeOpened(app));  // not read: not a recent file
}

}  // namespace
}  // namespace velmora::program
