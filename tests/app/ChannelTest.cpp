#include "app/ClientApp.h"
#include "app/RequestBodies.h"
#include "app/SessionValues.h"

#include "CaptureServer.h"
#include "server/ServerFixture.h"

#include "codec/SessionToken.h"

#include <gtest/gtest.h>

using namespace qb;
using qb::testing::CaptureServer;

namespace {

class ChannelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        app.m_strAccount = kSharedAccount;
        app.m_strScriptBase = ScriptBase();
        ASSERT_TRUE(app.CreateSession(ServerAddress{"127.0.0.1", capture.Port()}));
        app.m_pSession->stallSeconds = 2;
    }

    std::string OpenToken(const std::string& token)
    {
        const auto opened = app.m_tokenSealer.Unseal(token);
        return opened ? opened->stamp + "|" + opened->account : "(does not open)";
    }

    CaptureServer capture;
    CClientApp app;
};

} // namespace

TEST_F(ChannelTest, ListingRequestIsExactlyTheForm)
{
    app.m_clock = [] { return std::time_t{1700000042}; };
    ASSERT_EQ(app.PostForm(kScriptDir, ListBody(app.MakeSessionToken(), "/Docs & Co=1")), 1);
    const auto request = capture.Next();
    EXPECT_EQ(request.requestLine, "POST /Buffer/Buffer0000/bin/qbdir.pl HTTP/1.1");
    EXPECT_EQ(request.Header("User-Agent"), "Quillbox Explorer");
    EXPECT_EQ(request.Header("Accept"), "*/*");
    EXPECT_EQ(request.Header("Pragma"), "no-cache");
    EXPECT_EQ(request.Header("Cache-Control"), "no-cache");
    EXPECT_EQ(request.Header("Connection"), "Keep-Alive");
    EXPECT_EQ(request.Header("Content-Type"), "application/x-www-form-urlencoded");
    EXPECT_EQ(request.Header("Content-Length"), std::to_string(request.body.size()));
    EXPECT_FALSE(request.HasHeader("Expect"));

    ASSERT_EQ(request.body.substr(0, 3), "ID=");
    const auto dir = request.body.find("&DIR=");
    ASSERT_NE(dir, std::string::npos);
    EXPECT_EQ(OpenToken(request.body.substr(3, dir - 3)), "0042|kiwi");
    EXPECT_EQ(request.body.substr(dir), "&DIR=/Docs & Co=1"); // raw, never escaped
}

TEST_F(ChannelTest, EmptyAccountSendsAnEmptyToken)
{
    app.m_strAccount.clear();
    EXPECT_EQ(app.MakeSessionToken(), "");
    app.PostForm(kScriptDir, ListBody(app.MakeSessionToken(), ""));
    EXPECT_EQ(capture.Next().body, "ID=&DIR=");
}

TEST_F(ChannelTest, RepliesAreReadAsLinesWithoutCarriageReturns)
{
    const struct {
        const char* reply;
        const char* first;
        const char* rest;
    } rows[] = {
        {"OK\r\nline 2\r\nline 3\r\n", "OK", "\nline 2\nline 3\n"},
        {"OK\nline 2\nline 3", "OK", "\nline 2\nline 3\n"},
        {"", "", "\n"},
        {"ERR\rOR: x\n", "ERROR: x", "\n"},
    };
    for (const auto& row : rows) {
        capture.Reply(200, row.reply);
        ASSERT_EQ(app.PostForm(kScriptDir, "ID=&DIR="), 1);
        std::string first;
        app.ReadReplyLine(first);
        EXPECT_EQ(first, row.first);
        EXPECT_EQ(app.ReadRemainingLines(), row.rest);
        app.CloseRequest();
        EXPECT_FALSE(app.m_pRequest);
        EXPECT_FALSE(app.m_pConnection);
    }
}

TEST_F(ChannelTest, OpenReplyKeepsRawBytes)
{
    capture.Reply(200, "OK 6\nab\r\ncd");
    ASSERT_EQ(app.PostForm(kScriptOpen, OpenBody(app.MakeSessionToken(), "/a&b=c.rtf", "")), 1);
    std::string first;
    app.ReadReplyLine(first);
    EXPECT_EQ(ParseOpenStatus(first), 6);
    EXPECT_EQ(app.ReadReplyBytes(4096), "ab\r\ncd");
    EXPECT_NE(capture.Next().body.find("&FILE=/a&b=c.rtf&LOCK="), std::string::npos);
}

TEST_F(ChannelTest, HttpStatusAndConnectionFailures)
{
    capture.Reply(404, "not here");
    EXPECT_EQ(app.PostForm(kScriptDir, "ID=&DIR="), -404);
    EXPECT_EQ(app.m_strLastError, "ERROR: Error code 404");

    CClientApp closed;
    closed.m_strScriptBase = ScriptBase();
    int freePort = 0;
    {
        CaptureServer gone;
        freePort = gone.Port();
    }
    closed.CreateSession(ServerAddress{"127.0.0.1", freePort});
    EXPECT_EQ(closed.PostForm(kScriptDir, "ID=&DIR="), -3);
    EXPECT_EQ(closed.m_strLastError, "ERROR: Please make sure Quillbox is allowed to access the Internet.");

    CClientApp noSession;
    noSession.m_strLastError = "unchanged";
    EXPECT_EQ(noSession.OpenScriptRequest("/x"), nullptr);
    EXPECT_EQ(noSession.PostForm(kScriptDir, "ID=&DIR="), -1);
    EXPECT_EQ(noSession.m_strLastError, "unchanged");
}

TEST_F(ChannelTest, AStalledServerIsAnOrdinaryFailure)
{
    capture.StaySilent();
    app.m_pSession->stallSeconds = 1;
    EXPECT_EQ(app.PostForm(kScriptDir, "ID=&DIR="), -3);
    EXPECT_EQ(app.m_strLastError, kErrorInternet);
}

TEST_F(ChannelTest, StreamedSaveSendsPiecesOf4096)
{
    const std::string text(10000, 'Q');
    const std::string prefix = SavePrefix("TOKEN", "/A", "n&=.rtf", "HOST", false);
    EXPECT_EQ(prefix, "ID=TOKEN&DIR=/A&FILE=n&=.rtf&LOCK=HOST0&DATA=");
    std::vector<std::pair<int, int>> calls;
    EXPECT_EQ(app.PostStreamed(kScriptSave, prefix, text, [&](int position, int range) {
        calls.emplace_back(position, range);
    }), 1);
    EXPECT_EQ(calls, (std::vector<std::pair<int, int>>{{1, 2}, {2, 2}, {3, 2}}));
    const auto request = capture.Next();
    EXPECT_EQ(request.requestLine, "POST /Buffer/Buffer0000/bin/qbsave.pl HTTP/1.1");
    EXPECT_EQ(request.body, prefix + text);
    EXPECT_EQ(request.Header("Content-Length"), std::to_string(prefix.size() + text.size()));
    EXPECT_FALSE(request.HasHeader("Content-Type"));
    EXPECT_FALSE(request.HasHeader("Cache-Control"));
    EXPECT_FALSE(request.HasHeader("Expect"));
    EXPECT_FALSE(app.m_pRequest); // closed after the reply
}

TEST_F(ChannelTest, StreamedSaveReportsTheServersWords)
{
    capture.Reply(200, "OK \nmore\n");
    EXPECT_EQ(app.PostStreamed(kScriptSave, "ID=&DATA=", "QQ", {}), 0);
    EXPECT_EQ(app.m_strLastError, "OK \nmore\n");
    capture.Reply(500, "ERROR: broken\n");
    EXPECT_EQ(app.PostStreamed(kScriptSave, "ID=&DATA=", "QQ", {}), 0);
    EXPECT_EQ(app.m_strLastError, "ERROR: broken\n");
    capture.Reply(502, "");
    EXPECT_EQ(app.PostStreamed(kScriptSave, "ID=&DATA=", "QQ", {}), 0);
    EXPECT_EQ(app.m_strLastError, "ERROR: Error code 502"); // an empty reply keeps the status text
    EXPECT_EQ(SavePrefix("T", "", "/x", "", true), "ID=T&DIR=&FILE=/x&LOCK=&UNLOCK=1&DATA=");
}

TEST(StatusLine, OpenStatusRules)
{
    const struct {
        const char* line;
        std::optional<long long> count;
    } rows[] = {
        {"OK 0", 0}, {"OK 12 extra", 12}, {"OK12", 12}, {"OK +3", 3}, {"OK -1", std::nullopt},
        {"OK", std::nullopt}, {"ok 5", std::nullopt}, {" OK 5", std::nullopt}, {"OK x", std::nullopt},
        {"OK 99999999999", std::nullopt},
    };
    for (const auto& row : rows)
        EXPECT_EQ(ParseOpenStatus(row.line), row.count) << row.line;
    EXPECT_TRUE(IsOkStatus("OK"));
    EXPECT_EQ(CClientApp::InternetErrorText("Timeout was reached \r\n"), "Timeout was reached.");
    EXPECT_EQ(CClientApp::InternetErrorText(""), "Unknown error.");
    for (const char* line : {"OK ", "ok", "OK\r", " OK", "OKAY", ""})
        EXPECT_FALSE(IsOkStatus(line)) << line;
}

TEST(RequestBodies, NameListsEndEveryNameWithLineFeed)
{
    EXPECT_EQ(DeleteBody("T", "/Docs", {"a.rtf", "b.rtf"}), "ID=T&DIR=/Docs&LIST=a.rtf\nb.rtf\n");
    EXPECT_EQ(PasteBody("T", "/B", "/A", {"x.rtf"}), "ID=T&DIR=/B&FROMDIR=/A&FILELIST=x.rtf\n");
    EXPECT_EQ(RenameBody("T", "", "a&b", "c=d"), "ID=T&DIR=&FROM=a&b&TO=c=d");
    EXPECT_EQ(NewFolderBody("T", ""), "ID=T&DIR=");
    EXPECT_EQ(UnlockBody("T", "/n.rtf", "HOST"), "ID=T&FILE=/n.rtf&LOCK=HOST");
}

TEST(RealServer, ChannelListsTheTopFolderOfAFreshServer)
{
    qb::testing::TempDir dir;
    qb::server::SqliteStore store((dir.path / "notes.db").string(), 2);
    qb::server::NotesService service(store, {});
    qb::server::ServerOptions options;
    options.port = 0;
    options.log = false;
    qb::server::NotesServer server(service, options);
    const int port = server.Start();
    ASSERT_GT(port, 0);

    CClientApp app;
    app.m_strAccount = kSharedAccount;
    app.m_strScriptBase = ScriptBase();
    app.CreateSession(ServerAddress{"127.0.0.1", port});
    ASSERT_EQ(app.PostForm(kScriptNewDir, NewFolderBody(app.MakeSessionToken(), "")), 1);
    app.CloseRequest();
    ASSERT_EQ(app.PostForm(kScriptDir, ListBody(app.MakeSessionToken(), "")), 1);
    std::string line;
    app.ReadReplyLine(line);
    EXPECT_EQ(line, "OK");
    ASSERT_TRUE(app.ReadReplyLine(line));
    EXPECT_EQ(line.substr(0, 4), "1|0|");
    EXPECT_EQ(line.substr(line.rfind('|') + 1), "New Folder");
    EXPECT_FALSE(app.ReadReplyLine(line));
}
