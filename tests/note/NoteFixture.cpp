#include "NoteFixture.h"

#include "app/Reply.h"
#include "app/SessionValues.h"
#include "codec/Note.h"
#include "rtf/RtfReader.h"
#include "rtf/RtfWriter.h"

#include <QTextDocument>

namespace qb::testing {
namespace {

template <class T>
std::optional<T> Next(std::deque<std::optional<T>>& script)
{
    if (script.empty())
        return std::nullopt;
    auto answer = std::move(script.front());
    script.pop_front();
    return answer;
}

} // namespace

std::optional<SecretText> ScriptedWindow::AskOpenKey(const std::string& keyName)
{
    askedKeyNames.push_back(keyName);
    const auto key = Next(openKeys);
    return key ? std::optional<SecretText>(SecretText(*key)) : std::nullopt;
}

std::optional<TypedKey> ScriptedWindow::AskNewKey()
{
    ++newKeyAsks;
    const auto key = Next(newKeys);
    if (!key)
        return std::nullopt;
    return TypedKey{key->first, SecretText(key->second)};
}

std::optional<std::string> ScriptedWindow::AskNewName(bool nameExists)
{
    nameAsks.push_back(nameExists);
    return Next(names);
}

std::string NoteText(const std::string& plain, const std::string& key, const std::string& keyName)
{
    QTextDocument document;
    document.setPlainText(QString::fromStdString(plain));
    return RawNoteText(rtf::ToRtf(document).rtf, key, keyName);
}

std::string RawNoteText(const std::string& bytes, const std::string& key, const std::string& keyName)
{
    auto text = WrapNote(AsBytes(bytes), key, keyName);
    EXPECT_TRUE(text.has_value());
    return text ? *text : std::string();
}

std::string PlainOf(const std::string& noteText, const std::string& key)
{
    const auto rtf = OpenNote(noteText, key);
    if (!rtf)
        return "<not opened>";
    QTextDocument document;
    if (rtf::ReadRtf(AsText(*rtf), document) == rtf::ReadStatus::NotRtf)
        return "<not opened>";
    return document.toPlainText().toStdString();
}

std::string ScatteredText(std::size_t length, unsigned seed)
{
    std::string text;
    unsigned state = seed;
    for (std::size_t i = 0; i < length; ++i) {
        state = state * 1103515245u + 12345u;
        const unsigned pick = (state >> 16) % 27;
        text += pick == 26 ? ' ' : static_cast<char>('a' + pick);
    }
    return text;
}

void NoteTest::SetUp()
{
    ServerTest::SetUp();
    m_app = MakeApp();
}

void NoteTest::FreshServer()
{
    m_server.reset();
    m_service.reset();
    m_store.reset();
    for (const auto& entry : std::filesystem::directory_iterator(m_dir.path)) {
        if (entry.path().filename().string().starts_with("notes.db"))
            std::filesystem::remove(entry.path());
    }
    StartServer();
}

std::unique_ptr<CClientApp> NoteTest::MakeApp(int port)
{
    auto app = std::make_unique<CClientApp>();
    app->SetAccount(kSharedAccount);
    app->SetIniPath((m_dir.path / "Quillbox.ini").string());
    app->SetIdentity(kTestIdentity);
    EXPECT_TRUE(app->CreateSession(ServerAddress{"127.0.0.1", port < 0 ? m_port : port}));
    return app;
}

void NoteTest::Seed(const std::string& path, const std::string& noteText)
{
    ASSERT_EQ(Save("", path, noteText), "OK\n") << path;
}

std::string NoteTest::Stored(const std::string& path)
{
    const std::string reply = Open(path);
    const auto lineEnd = reply.find('\n');
    if (lineEnd == std::string::npos || !ParseOpenStatus(reply.substr(0, lineEnd)))
        return {};
    return reply.substr(lineEnd + 1);
}

bool NoteTest::LockableBy(const std::string& path, const std::string& identity)
{
    return Open(path, identity).starts_with("OK ");
}

} // namespace qb::testing
