#include "NoteFixture.h"

#include "note/NoteOpener.h"
#include "note/NoteSaver.h"

#include "app/SessionValues.h"
#include "codec/Note.h"
#include "rtf/RtfWriter.h"

#include <QSignalSpy>
#include <QTextCursor>
#include <QTextDocument>

#include <fstream>

namespace qb::testing {
namespace {

constexpr const char* kKey = "secret";
constexpr const char* kKeyName = "kn";
constexpr const char* kMe = "me";
constexpr const char* kOther = "other";

const std::vector<std::string> kStatuses(const std::string& title)
{
    return {"Streaming...", "Compressing...", "Encrypting...", "Saving...", title};
}

void Type(CNoteDocument& document, const QString& text)
{
    QTextCursor cursor(&document.Document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(text);
}

struct NameCase {
    const char* what;
    std::set<std::string> listing;
    std::deque<std::optional<std::string>> typed;
    std::vector<bool> asks; // "already exists" shown on each showing
    std::optional<std::string> saved; // none: nothing is saved
};

TEST_F(NoteTest, NewNoteIsNamedKeyedAndStored)
{
    const std::vector<NameCase> cases = {
        {"typed name gets .rtf", {}, {"memo"}, {false}, "memo.rtf"},
        {"the ending counts in lower case only", {}, {"memo.RTF"}, {false}, "memo.RTF.rtf"},
        {"a shown name asks again", {"memo.rtf"}, {"memo", "memo2.rtf"}, {false, true}, "memo2.rtf"},
        {"cancelled", {}, {std::nullopt}, {false}, std::nullopt},
        {"cancelled after a shown name", {"memo.rtf"}, {"memo", std::nullopt}, {false, true}, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FreshServer();
        auto app = MakeApp();
        ScriptedWindow window;
        window.names = c.typed;
        window.newKeys = {std::make_pair(std::string(kKeyName), std::string(kKey))};
        ScriptedHost host;
        host.listing = c.listing;
        CNoteDocument document;
        document.SetRemotePath("", "");
        Type(document, "Hello");
        QSignalSpy saved(&document, &CNoteDocument::saved);
        QSignalSpy modified(&document, &CNoteDocument::modifiedChanged);

        const NoteOutcome outcome = SaveNote(*app, document, false, window, host);

        EXPECT_EQ(window.nameAsks, c.asks);
        if (c.saved) {
            ASSERT_TRUE(outcome.has_value());
            EXPECT_EQ(PlainOf(Stored("/" + *c.saved), kKey), "Hello");
            EXPECT_EQ(document.NoteName(), *c.saved);
            EXPECT_FALSE(document.IsModified());
            EXPECT_EQ(saved.count(), 1);
            ASSERT_EQ(modified.count(), 1);
            EXPECT_EQ(modified.front().front().toBool(), false);
            EXPECT_EQ(host.refreshes, 1);
            EXPECT_EQ(app->KeyHolder().SaveKeyName(), kKeyName);
            EXPECT_EQ(window.statuses, kStatuses(*c.saved));
            ASSERT_GE(window.progress.size(), 3u);
            EXPECT_EQ(window.progress[0], std::make_pair(0, 200));
            EXPECT_EQ(window.progress[1], std::make_pair(200, 200));
            EXPECT_EQ(window.progress[2], std::make_pair(1, 0));
            EXPECT_EQ(window.progressHidden, 1);
        } else {
            ASSERT_FALSE(outcome.has_value());
            EXPECT_EQ(outcome.error().kind, NoteFailureKind::Cancelled);
            EXPECT_EQ(outcome.error().message.toStdString(), "");
            EXPECT_EQ(window.newKeyAsks, 0);
            EXPECT_TRUE(Names(List("")).empty());
            EXPECT_EQ(document.NoteName(), "");
            EXPECT_TRUE(document.IsModified());
            EXPECT_EQ(saved.count(), 0);
        }
    }
}

TEST_F(NoteTest, SaveWithoutKeyIsRefusedAndSendsNothing)
{
    ScriptedWindow window;
    window.names = {"memo"};
    window.newKeys = {std::nullopt};
    ScriptedHost host;
    CNoteDocument document;
    Type(document, "Hello");

    const NoteOutcome outcome = SaveNote(*m_app, document, false, window, host);

    ASSERT_FALSE(outcome.has_value());
    EXPECT_EQ(outcome.error().kind, NoteFailureKind::NoKey);
    EXPECT_EQ(outcome.error().message.toStdString(), "Files cannot be saved to this server without encryption.\t");
    EXPECT_EQ(window.newKeyAsks, 1);
    EXPECT_TRUE(window.statuses.empty());
    EXPECT_TRUE(Names(List("")).empty());
    EXPECT_EQ(document.NoteName(), "");
    EXPECT_TRUE(document.IsModified());
}

TEST_F(NoteTest, SharedAccountLimitCountsTransportCharacters)
{
    EXPECT_FALSE(ExceedsAccountLimit(kSharedAccount, 10000));
    EXPECT_TRUE(ExceedsAccountLimit(kSharedAccount, 10001));
    EXPECT_FALSE(ExceedsAccountLimit("own account", 10001));

    // Note texts grow in steps (whole cipher blocks, then Base64 and line feeds): find the
    // longest text the limit takes and the shortest it refuses, and save both.
    const std::string letters = ScatteredText(40000);
    const auto lengthOf = [&](std::size_t n) { return NoteText(letters.substr(0, n), kKey, kKeyName).size(); };
    std::size_t n = 1000;
    while (lengthOf(n) <= kSharedAccountNoteLimit)
        n += 64;
    n -= 64;
    while (lengthOf(n + 1) <= kSharedAccountNoteLimit)
        ++n;
    ASSERT_LE(lengthOf(n), 10000u);
    ASSERT_GT(lengthOf(n + 1), 10000u);

    m_app->KeyHolder().SetSaveKey(kKeyName, kKey);
    ScriptedWindow window;
    ScriptedHost host;
    CNoteDocument document;
    document.SetRemotePath("", "big.rtf");
    document.Document().setPlainText(QString::fromStdString(letters.substr(0, n)));
    ASSERT_TRUE(SaveNote(*m_app, document, false, window, host).has_value());
    const std::string kept = Stored("/big.rtf");
    EXPECT_EQ(kept.size(), lengthOf(n));

    document.Document().setPlainText(QString::fromStdString(letters.substr(0, n + 1)));
    window = ScriptedWindow();
    const NoteOutcome refused = SaveNote(*m_app, document, false, window, host);
    ASSERT_FALSE(refused.has_value());
    EXPECT_EQ(refused.error().kind, NoteFailureKind::OverAccountLimit);
    EXPECT_EQ(refused.error().message.toStdString(), "Due to the large volume, demo account file size is limited.\t\t");
    EXPECT_EQ(window.statuses,
              (std::vector<std::string>{"Streaming...", "Compressing...", "Encrypting...", "big.rtf"}));
    EXPECT_EQ(window.progressHidden, 1);
    EXPECT_EQ(Stored("/big.rtf"), kept);
    EXPECT_TRUE(document.IsModified());
}

TEST_F(NoteTest, RefusedSaveKeepsDocumentAndServerAsTheyWere)
{
    const std::string stored = NoteText("first words", kKey, kKeyName);
    Seed("/n.rtf", stored);
    m_app->KeyHolder().SetOpenKey(kKey);
    m_app->KeyHolder().SetSaveKey(kKeyName, kKey);
    ScriptedWindow window;
    ScriptedHost host;
    CNoteDocument document;
    ASSERT_TRUE(OpenRemoteNote(*m_app, document, "/n.rtf", "", window, host).has_value());
    ASSERT_TRUE(LockableBy("/n.rtf", kOther));
    Type(document, " and more");
    QSignalSpy saved(&document, &CNoteDocument::saved);

    const NoteOutcome outcome = SaveNote(*m_app, document, false, window, host);

    ASSERT_FALSE(outcome.has_value());
    EXPECT_EQ(outcome.error().kind, NoteFailureKind::Channel);
    EXPECT_EQ(outcome.error().message.toStdString(),
              "ERROR: This note is open exclusively on another computer. Nothing was saved.\n");
    EXPECT_TRUE(document.IsModified());
    EXPECT_EQ(document.Document().toPlainText(), "first words and more");
    EXPECT_EQ(document.NoteName(), "/n.rtf");
    EXPECT_EQ(saved.count(), 0);
    EXPECT_EQ(host.refreshes, 0);
    EXPECT_EQ(Stored("/n.rtf"), stored);
}

TEST_F(NoteTest, SaveKeepsOrReleasesTheLock)
{
    Seed("/n.rtf", NoteText("first words", kKey, kKeyName));
    m_app->KeyHolder().SetOpenKey(kKey);
    m_app->KeyHolder().SetSaveKey(kKeyName, kKey);
    ScriptedWindow window;
    ScriptedHost host;
    CNoteDocument document;
    ASSERT_TRUE(OpenRemoteNote(*m_app, document, "/n.rtf", kMe, window, host).has_value());

    Type(document, ", kept");
    ASSERT_TRUE(SaveNote(*m_app, document, false, window, host).has_value());
    EXPECT_EQ(PlainOf(Stored("/n.rtf"), kKey), "first words, kept");
    EXPECT_EQ(document.LockValue(), kMe);
    EXPECT_FALSE(LockableBy("/n.rtf", kOther));

    Type(document, ", released");
    ASSERT_TRUE(SaveNote(*m_app, document, true, window, host).has_value());
    EXPECT_EQ(PlainOf(Stored("/n.rtf"), kKey), "first words, kept, released");
    EXPECT_EQ(document.LockValue(), "");
    EXPECT_TRUE(LockableBy("/n.rtf", kOther));
}

TEST_F(NoteTest, LocalFileSavedOnceBecomesThatRemoteNote)
{
    const auto rtfPath = m_dir.path / "local.rtf";
    QTextDocument source;
    source.setPlainText("From disk");
    std::ofstream(rtfPath) << rtf::ToRtf(source).rtf;

    for (const bool shown : {false, true}) {
        SCOPED_TRACE(shown ? "the listing shows the file's name" : "a free name");
        FreshServer();
        auto app = MakeApp();
        app->KeyHolder().SetSaveKey(kKeyName, kKey);
        ScriptedWindow window;
        window.names = {"renamed"};
        ScriptedHost host;
        if (shown)
            host.listing = {"local.rtf"};
        CNoteDocument document;
        ASSERT_TRUE(OpenLocalNote(document, QString::fromStdString(rtfPath.string()), "").has_value());
        Type(document, ", edited");

        ASSERT_TRUE(SaveNote(*app, document, false, window, host).has_value());
        const std::string name = shown ? "renamed.rtf" : "local.rtf";
        EXPECT_EQ(window.nameAsks, shown ? std::vector<bool>{true} : std::vector<bool>{});
        EXPECT_EQ(PlainOf(Stored("/" + name), kKey), "From disk, edited");
        EXPECT_EQ(document.NoteName(), name);
        EXPECT_FALSE(document.IsLocal());

        // Its own name is in the listing now; the next save goes to the same note.
        host.listing.insert(name);
        Type(document, " again");
        ASSERT_TRUE(SaveNote(*app, document, false, window, host).has_value());
        EXPECT_EQ(window.nameAsks.size(), shown ? 1u : 0u);
        EXPECT_EQ(PlainOf(Stored("/" + name), kKey), "From disk, edited again");
        EXPECT_EQ(Names(List("")), std::vector<std::string>{name});
    }
}

TEST_F(NoteTest, ALocalFileWhoseNameBreaksTheRuleIsNamedAgain)
{
    // Saved under its own name, every save would be refused and the note could not be kept.
    const auto rtfPath = m_dir.path / "plans|2026.rtf";
    QTextDocument source;
    source.setPlainText("From disk");
    std::ofstream(rtfPath) << rtf::ToRtf(source).rtf;
    m_app->KeyHolder().SetSaveKey(kKeyName, kKey);
    ScriptedWindow window;
    window.names = {"plans 2026"};
    ScriptedHost host;
    CNoteDocument document;
    ASSERT_TRUE(OpenLocalNote(document, QString::fromStdString(rtfPath.string()), "").has_value());
    ASSERT_EQ(document.NoteName(), "plans|2026.rtf");

    ASSERT_TRUE(SaveNote(*m_app, document, false, window, host).has_value());
    EXPECT_EQ(window.nameAsks, std::vector<bool>{false});
    EXPECT_EQ(document.NoteName(), "plans 2026.rtf");
    EXPECT_EQ(PlainOf(Stored("/plans 2026.rtf"), kKey), "From disk");
}

} // namespace
} // namespace qb::testing
