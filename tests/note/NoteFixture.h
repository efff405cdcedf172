#pragma once
// The note flows against a real notes server: a window and a host that answer from
// scripts and record what they were asked and shown, and helpers that seed notes on the
// server and read back what it holds.

#include "note/NoteDocument.h"
#include "note/NoteHost.h"
#include "note/NoteWindow.h"

#include "app/ClientApp.h"
#include "server/ServerFixture.h"

#include <deque>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace qb::testing {

// The lock identity of the clients MakeApp makes.
inline constexpr const char* kTestIdentity = "me";

using ProgressSteps = std::vector<std::pair<int, int>>;

// An empty script answers "cancel", so an unexpected question shows as a cancellation.
class ScriptedWindow : public INoteWindow {
public:
    std::optional<SecretText> AskOpenKey(const std::string& keyName) override;
    std::optional<TypedKey> AskNewKey() override;
    std::optional<std::string> AskNewName(bool nameExists) override;
    void ShowDecryptFailure(const QString& source) override { decryptFailures.push_back(source.toStdString()); }
    void SetStatus(const QString& title) override { statuses.push_back(title.toStdString()); }
    void ShowProgress(int position, int range) override { progress.emplace_back(position, range); }
    void HideProgress() override { ++progressHidden; }

    std::deque<std::optional<std::string>> openKeys;
    std::deque<std::optional<std::pair<std::string, std::string>>> newKeys; // name, key
    std::deque<std::optional<std::string>> names;

    std::vector<std::string> askedKeyNames;
    int newKeyAsks = 0;
    std::vector<bool> nameAsks; // nameExists of each file name dialog
    std::vector<std::string> decryptFailures;
    std::vector<std::string> statuses;
    ProgressSteps progress;
    int progressHidden = 0;
};

class ScriptedHost : public INoteHost {
public:
    bool NameExists(const std::string& name) const override { return listing.count(name) > 0; }
    void RefreshListing() override { ++refreshes; }
    void ShowProgress(int position, int range) override { progress.emplace_back(position, range); }
    void HideProgress() override { ++progressHidden; }

    std::set<std::string> listing;
    int refreshes = 0;
    ProgressSteps progress;
    int progressHidden = 0;
};

// Note text as the client stores it: the plain text as RTF, packed and sealed.
std::string NoteText(const std::string& plain, const std::string& key, const std::string& keyName);
// The same for bytes that are not RTF.
std::string RawNoteText(const std::string& bytes, const std::string& key, const std::string& keyName);
// The plain text of note text opened with the key; "<not opened>" when it does not open.
std::string PlainOf(const std::string& noteText, const std::string& key);
// Letters and spaces that compress only so far, the same for every seed.
std::string ScatteredText(std::size_t length, unsigned seed = 1);

class NoteTest : public ServerTest {
protected:
    void SetUp() override;
    // A server over a new, empty database.
    void FreshServer();

    // A client on the shared account against this server, with its own key holder and the
    // lock identity kTestIdentity.
    std::unique_ptr<CClientApp> MakeApp(int port = -1);
    void Seed(const std::string& path, const std::string& noteText);
    // What the server holds at path ("" when it holds nothing there).
    std::string Stored(const std::string& path);
    // Whether an exclusive open by that identity is granted (it takes the lock).
    bool LockableBy(const std::string& path, const std::string& identity);

    std::unique_ptr<CClientApp> m_app;
};

} // namespace qb::testing
