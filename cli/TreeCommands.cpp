// Whole trees between the server and a local folder: export (each note as RTF, or as its
// envelope) and import (RTF and text files into encrypted notes). Both first walk the tree,
// so the progress line knows the total, then move one note per request. A file appears under
// its own name only once it is whole, and what is already there is skipped, so a second run
// of an interrupted export finishes it.

#include "CommandTable.h"
#include "KeyRing.h"
#include "LocalFiles.h"
#include "NoteFiles.h"
#include "Prefetch.h"
#include "Progress.h"
#include "RemoteOps.h"

#include "app/AsciiCase.h"
#include "app/ClientApp.h"
#include "codec/Note.h"

#include <algorithm>
#include <deque>
#include <filesystem>
#include <map>
#include <ostream>
#include <set>

namespace fs = std::filesystem;

namespace qb::cli {
namespace {

// Requests in flight while an export writes: the server answers them side by side.
constexpr int kFetchConnections = 4;
constexpr std::size_t kFetchAhead = 64;

bool ShowProgress(const Context& c)
{
    return c.env.errIsTerminal && !c.args.Has("--quiet");
}

struct RemoteNote {
    std::string path;
    fs::path localDir;
    std::string name;
    std::uint64_t size = 0;
};

// Removes what an interrupted run left half written in a folder.
void SweepTemporaries(const fs::path& dir)
{
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(dir, error)) {
        if (entry.is_regular_file(error) && IsTemporaryName(entry.path().filename().string()))
            fs::remove(entry.path(), error);
    }
}

int Export(Context& c)
{
    const std::string root = RemotePathOf(c.args.operands[0]);
    const fs::path localRoot = c.args.operands[1];
    const bool raw = c.args.Has("--raw");
    int failures = 0;
    auto failed = [&](const std::string& what) {
        c.Error(what);
        ++failures;
    };

    std::string error;
    std::optional<CKeyRing> ring;
    if (!raw) {
        ring = KeyRingFor(c, error);
        if (!ring) {
            c.Error(error);
            return kExitFailed;
        }
    }

    // The walk: every folder listed once, in the server's order.
    std::vector<RemoteNote> notes;
    std::vector<fs::path> folders;
    std::uint64_t totalBytes = 0;
    std::deque<std::pair<std::string, fs::path>> pending{{root, localRoot}};
    while (!pending.empty()) {
        auto [dir, local] = std::move(pending.front());
        pending.pop_front();
        const auto listing = c.tree->List(dir);
        if (!listing) {
            failed(Shown(dir) + ": " + OneLine(listing.error()));
            if (dir == root)
                return kExitFailed;
            continue;
        }
        std::error_code made;
        fs::create_directories(local, made);
        if (made) {
            failed("cannot make the folder " + local.string() + ": " + made.message());
            continue;
        }
        folders.push_back(local);
        for (const ListedEntry& entry : *listing) {
            if (entry.isFolder) {
                pending.emplace_back(ChildPath(dir, entry.name), local / entry.name);
            } else {
                notes.push_back({ChildPath(dir, entry.name), local, entry.name, static_cast<std::uint64_t>(std::max(entry.size, 0))});
                totalBytes += notes.back().size;
            }
        }
    }

    CProgress progress(c.Err(), ShowProgress(c), "notes", notes.size(), totalBytes);
    // What an earlier run wrote is not fetched again.
    std::vector<const RemoteNote*> missing;
    for (const RemoteNote& note : notes) {
        std::error_code ignored;
        const std::string name = ExportNameFor(note.name, raw);
        if (fs::exists(note.localDir / name, ignored))
            progress.Step(note.size);
        else
            missing.push_back(&note);
    }
    std::vector<std::string> paths;
    for (const RemoteNote* note : missing)
        paths.push_back(note->path);
    CPrefetch prefetch(std::move(paths), c.server, *c.app, kFetchConnections, kFetchAhead);
    for (std::size_t i = 0; i < missing.size(); ++i) {
        const RemoteNote& note = *missing[i];
        const fs::path asRtf = note.localDir / ExportNameFor(note.name, false);
        const fs::path asEnvelope = note.localDir / ExportNameFor(note.name, true);
        std::error_code ignored;
        auto text = prefetch.Take(i);
        if (!text) {
            progress.Line("quillbox-cli: " + Shown(note.path) + ": " + OneLine(text.error()));
            ++failures;
            progress.Step(note.size);
            continue;
        }
        bool written = true;
        if (raw) {
            written = WriteWhole(asEnvelope, *text, error);
        } else {
            std::string why;
            if (const auto envelope = ReadNote(*text); !envelope) {
                why = std::string(Describe(envelope.error()));
            } else if (auto opened = ring->Open(*envelope); !opened) {
                why = opened.error();
            } else {
                written = WriteWhole(asRtf, AsText(*opened), error);
                SecureWipe(opened->data(), opened->size());
                if (written)
                    fs::remove(asEnvelope, ignored); // kept from a run that lacked its key
            }
            if (!why.empty()) {
                written = WriteWhole(asEnvelope, *text, error);
                if (written)
                    progress.Line("quillbox-cli: warning: " + Shown(note.path) + ": " + why + "; kept encrypted as "
                                  + asEnvelope.string());
            }
        }
        if (!written) {
            progress.Line("quillbox-cli: " + Shown(note.path) + ": " + error);
            ++failures;
        }
        progress.Step(text->size());
    }
    for (const fs::path& folder : folders)
        SweepTemporaries(folder);
    return failures ? kExitFailed : kExitDone;
}

struct LocalFile {
    fs::path path;
    std::string remoteDir;
    std::string noteName;
    LocalKind kind = LocalKind::Other;
    std::uint64_t size = 0;
};

struct LocalFolder {
    fs::path path;
    std::string remotePath;
};

// Folders before what they hold, entries of a folder in name order.
void WalkLocal(const fs::path& dir, const std::string& remote, std::vector<LocalFolder>& folders,
               std::vector<LocalFile>& files, std::vector<std::string>& problems)
{
    std::error_code error;
    std::vector<fs::directory_entry> entries;
    for (const auto& entry : fs::directory_iterator(dir, error))
        entries.push_back(entry);
    if (error) {
        problems.push_back("cannot read the folder " + dir.string() + ": " + error.message());
        return;
    }
    std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) { return a.path() < b.path(); });
    for (const auto& entry : entries) {
        const std::string name = entry.path().filename().string();
        if (entry.is_directory(error)) {
            folders.push_back({entry.path(), ChildPath(remote, name)});
            WalkLocal(entry.path(), ChildPath(remote, name), folders, files, problems);
        } else if (entry.is_regular_file(error) && !IsTemporaryName(name)) {
            const LocalKind kind = KindOfFileName(name);
            files.push_back({entry.path(), remote, NoteNameFor(name, kind), kind, entry.file_size(error)});
        }
    }
}

int Import(Context& c)
{
    const fs::path localRoot = c.args.operands[0];
    const std::string root = RemotePathOf(c.args.operands[1]);
    const std::string keyName = c.args.Value("--name");
    const bool overwrite = c.args.Has("--overwrite");
    std::error_code error;
    if (!fs::is_directory(localRoot, error)) {
        c.Error(localRoot.string() + " is not a folder");
        return kExitFailed;
    }
    std::vector<LocalFolder> folders;
    std::vector<LocalFile> files;
    std::vector<std::string> problems;
    WalkLocal(localRoot, root, folders, files, problems);
    for (const std::string& problem : problems)
        c.Error(problem);
    int failures = static_cast<int>(problems.size());

    const bool sealing = std::any_of(files.begin(), files.end(), [](const LocalFile& file) {
        return file.kind == LocalKind::Rtf || file.kind == LocalKind::Text;
    });
    std::optional<SecretText> key;
    if (sealing) {
        if (keyName.empty()) {
            c.Error("import needs --name KEYNAME: notes are stored only encrypted");
            return kExitUsage;
        }
        std::string why;
        auto ring = KeyRingFor(c, why);
        if (ring)
            key = ring->KeyFor(keyName, why);
        if (!key) {
            c.Error(why);
            return kExitFailed;
        }
    }

    // The names each remote folder holds, listed once; a folder made here starts empty.
    std::map<std::string, std::vector<std::string>> held;
    auto namesIn = [&](const std::string& dir) -> std::vector<std::string>* {
        auto found = held.find(dir);
        if (found != held.end())
            return &found->second;
        const auto listing = c.tree->List(dir);
        if (!listing)
            return nullptr;
        auto& names = held[dir];
        for (const ListedEntry& entry : *listing)
            names.push_back(entry.name);
        return &names;
    };
    auto holds = [](const std::vector<std::string>& names, const std::string& name) {
        return std::any_of(names.begin(), names.end(), [&](const std::string& n) { return EqualsNoCase(n, name); });
    };

    if (auto made = MakeFolder(*c.tree, root, true); !made) {
        c.Error(Shown(root) + ": " + OneLine(made.error()));
        return kExitFailed;
    }
    std::set<std::string> unmade; // folders that could not be made: their files are not tried
    for (const LocalFolder& folder : folders) {
        const std::string parent = *ParentPath(folder.remotePath);
        auto* names = unmade.count(parent) ? nullptr : namesIn(parent);
        if (names && holds(*names, LeafName(folder.remotePath)))
            continue;
        auto made = names ? MakeFolder(*c.tree, folder.remotePath, false)
                          : RemoteResult<void>(Fail(RemoteFailure{"its folder could not be made", false}));
        if (!made) {
            c.Error(Shown(folder.remotePath) + ": " + OneLine(made.error()));
            ++failures;
            unmade.insert(folder.remotePath);
            continue;
        }
        names->push_back(LeafName(folder.remotePath));
        held[folder.remotePath] = {};
    }

    std::uint64_t totalBytes = 0;
    for (const LocalFile& file : files)
        totalBytes += file.size;
    CProgress progress(c.Err(), ShowProgress(c), "files", files.size(), totalBytes);
    for (const LocalFile& file : files) {
        const std::string path = ChildPath(file.remoteDir, file.noteName);
        auto report = [&](const std::string& why) {
            progress.Line("quillbox-cli: " + file.path.string() + ": " + why);
            ++failures;
        };
        auto* names = unmade.count(file.remoteDir) ? nullptr : namesIn(file.remoteDir);
        if (file.kind == LocalKind::Other) {
            progress.Line("skipped " + file.path.string() + ": neither RTF nor text");
        } else if (!names) {
            report("the folder " + Shown(file.remoteDir) + " cannot be listed");
        } else if (holds(*names, file.noteName) && !overwrite) {
            progress.Line("skipped " + file.path.string() + ": " + Shown(path) + " exists");
        } else {
            std::string why;
            const auto bytes = ReadInput(file.path.string(), why);
            Result<std::string, std::string> text = Fail(why);
            if (bytes && file.kind == LocalKind::Envelope) {
                if (const auto note = ReadNote(*bytes); !note)
                    text = Fail(std::string(Describe(note.error())));
                else
                    text = WithinAccountLimit(*bytes, c.app->Account());
            } else if (bytes) {
                text = SealLocal(file.kind, *bytes, keyName, key->View(), c.app->Account());
            }
            if (!text) {
                report(text.error());
            } else if (auto stored = c.tree->Store(file.remoteDir, file.noteName, *text); !stored) {
                report(Shown(path) + ": " + OneLine(stored.error()));
            } else if (!holds(*names, file.noteName)) {
                names->push_back(file.noteName);
            }
        }
        progress.Step(file.size);
    }
    return failures ? kExitFailed : kExitDone;
}

} // namespace

void AddTreeCommands(std::vector<CommandSpec>& table)
{
    table.push_back({"export", "export REMOTE LOCALDIR [--raw] [--key-file FILE]... [-q]",
                     ServerOptions({kKeyFileOption, kQuietOption, {"--raw", "", false, false}}), 2, 2, true, false,
                     Export});
    table.push_back({"import", "import LOCALDIR REMOTE --name KEYNAME [--key-file FILE] [--overwrite] [-q]",
                     ServerOptions({kKeyFileOption, kNameOption, kQuietOption, {"--overwrite", "", false, false}}), 2, 2,
                     true, true, Import});
}

} // namespace qb::cli
