#include "program/recent_files.h"

#include <algorithm>
#include <filesystem>

#include "common/file_kind.h"

namespace velmora::program {

namespace {

constexpr const char* kSection = "Files";

struct KindName {
    FileKind kind;
    const char* name;
};
constexpr KindName kKinds[] = {{FileKind::OpenSpectra, "spectrum"},
                               {FileKind::OpenRotational, "rotational"},
                               {FileKind::OpenVibrational, "vibrational"}};

const char* NameOf(FileKind kind) {
    for (const KindName& k : kKinds)
        if (k.kind == kind) return k.name;
    return nullptr;
}

std::string Key(int i) { return "Recent" + std::to_string(i); }

void Write(KeyValueStore& store, const std::vector<RecentFile>& files) {
    for (int i = 1; i <= kRecentFiles; ++i) {
        const std::size_t k = static_cast<std::size_t>(i - 1);
        store.Set(kSection, Key(i), k < files.size() ? NameOf(files[k].kind) + std::string("|") + files[k].path : "");
    }
}

/// A chooser that answers every dialog with one path.
class FixedChooser final : public FileChooser {
public:
    explicit FixedChooser(std::string path) : path_(std::move(path)) {}
    std::string Choose(FileDialogSpec&) override { return path_; }

private:
    std::string path_;
};

bool IsOpenKind(FileKind kind) { return NameOf(kind) != nullptr; }

bool SpectrumListed(const AppState& app, const std::string& path) {
    return std::any_of(app.exp.ExpFiles.begin(), app.exp.ExpFiles.end(),
                       [&](const ExpFile& f) { return f.Path == path; });
}

}  // namespace

std::vector<RecentFile> ReadRecentFiles(const KeyValueStore& store) {
    std::vector<RecentFile> files;
    for (int i = 1; i <= kRecentFiles; ++i) {
        const std::optional<std::string> value = store.Get(kSection, Key(i));
        if (!value) continue;
        const std::size_t bar = value->find('|');
        if (bar == std::string::npos || bar + 1 >= value->size()) continue;
        const std::string name = value->substr(0, bar);
        for (const KindName& k : kKinds)
            if (name == k.name) files.push_back({k.kind, value->substr(bar + 1)});
    }
    return files;
}

void RememberRecentFile(KeyValueStore& store, const RecentFile& file) {
    if (file.path.empty() || !IsOpenKind(file.kind)) return;
    std::vector<RecentFile> files = ReadRecentFiles(store);
    files.erase(std::remove(files.begin(), files.end(), file), files.end());
    files.insert(files.begin(), file);
    if (files.size() > static_cast<std::size_t>(kRecentFiles)) files.resize(kRecentFiles);
    Write(store, files);
}

void ForgetRecentFile(KeyValueStore& store, const RecentFile& file) {
    std::vector<RecentFile> files = ReadRecentFiles(store);
    files.erase(std::remove(files.begin(), files.end(), file), files.end());
    Write(store, files);
}

std::string RecentFileCaption(const RecentFile& file, int number) {
    const std::string name = std::filesystem::path(file.path).filename().string();
    const char* kind = file.kind == FileKind::OpenSpectra      ? "spectrum"
                       : file.kind == FileKind::OpenRotational ? "rotational distribution"
                                                               : "vibrational distribution";
    // "&&" shows one ampersand in a menu; the number is the entry's accelerator (10 as 0).
    std::string shown;
    for (const char ch : name) shown += ch == '&' ? std::string("&&") : std::string(1, ch);
    return "&" + std::to_string(number % 10) + "  " + shown + "  (" + kind + ")";
}

bool OpenFileOfKind(AppState& app, const RecentFile& file) {
    if (const std::string problem = UnreadableFileProblem(file.path); !problem.empty()) {
        app.dialogs->ShowMessage(file.path + ": " + problem);
        return false;
    }
    FixedChooser chooser(file.path);
    switch (file.kind) {
        case FileKind::OpenSpectra: {
            const int before = app.exp.ExpCount;
            mnuOpenSpectra_Click(app, chooser);
            return app.exp.ExpCount > before;
        }
        case FileKind::OpenRotational:
            return mnuOpenPopulation_Click(app, chooser);
        case FileKind::OpenVibrational:
            return mnuOpenVibrationalPopulation_Click(app, chooser);
        default:
            return false;
    }
}

std::string RecordingChooser::Choose(FileDialogSpec& spec) {
    std::string path = inner_.Choose(spec);
    if (IsOpenKind(spec.kind) && !path.empty()) chosen_ = RecentFile{spec.kind, path};
    return path;
}

std::optional<RecentFile> RecordingChooser::TakeOpened(const AppState& app) {
    std::optional<RecentFile> file;
    std::swap(file, chosen_);
    if (!file) return std::nullopt;
    const bool read = file->kind == FileKind::OpenSpectra ? SpectrumListed(app, file->path)
                                                          : UnreadableFileProblem(file->path).empty();
    return read ? file : std::nullopt;
}

}  // namespace velmora::program
