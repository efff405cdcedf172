#include "app/ClientApp.h"
#include "app/RequestBodies.h"
#include "app/SessionValues.h"

#include "CaptureServer.h"
#include "server/ServerFixture.h"
#include "server/SqliteStore.h"

#include "codec/SessionToken.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QThread>

#include <regex>

using namespace qb;
using qb::testing::CaptureServer;

namespace {

// Opens a token as the server does, with a token cipher of its own.
std::string OpenToken(const std::string& token)
{
    const CTokenSealer sealer;
    const auto opened = sealer.Unseal(token);
    return opened ? opened->stamp + "|" + opened->account : "(does not open)";
}

class ChannelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        app.SetAccount(kSharedAccount);
        app.SetStallSeconds(2);
        ASSERT_TRUE(app.CreateSession(ServerAddress{"127.0.0.1", capture.Port()}));
    }

    CaptureServer capture;
    CClientApp app;
};

// Turns the event loop until the request is done, as a window does.
class EventLoopWaiter : public IRequestWaiter {
public:
    void Wait(const std::function<bool()>& finished, std::atomic<bool>&) override
    {
        while (!finished())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
};

// A port nothing listens on any more.
int ClosedPort()
{
    CaptureServer gone;
    return gone.Port();
}

} // namespace

TEST_F(ChannelTest, ListingRequestIsExactlyTheForm)
{
    app.SetClock([] { return std::time_t{1700000042}; });
    ASSERT_TRUE(app.Post(kScriptDir, ListBody(app.MakeSessionToken(), "/Docs & Co=1")).Ok());
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
    app.SetAccount("");
    EXPECT_EQ(app.MakeSessionToken(), "");
    app.Post(kScriptDir, ListBody(app.MakeSessionToken(), ""));
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
        ScriptReply reply = app.Post(kScriptDir, "ID=&DIR=");
        EXPECT_EQ(reply.FirstLine(), row.first);
        EXPECT_EQ(reply.RemainingLines(), row.rest);
        EXPECT_EQ(reply.RemainingLines(), "\n"); // read once
    }
}

TEST_F(ChannelTest, OpenReplyKeepsRawBytes)
{
    capture.Reply(200, "OK 6\nab\r\ncd");
    const std::string body = OpenBody(app.MakeSessionToken(), "/a&b=c.rtf", "");
    ScriptReply reply = app.Post(kScriptOpen, body);
    ASSERT_TRUE(reply.Ok());
    EXPECT_EQ(ParseOpenStatus(reply.FirstLine()), 6);
    EXPECT_EQ(reply.ReadBytes(4), "ab\r\n");
    EXPECT_EQ(reply.ReadBytes(4096), "cd");
    EXPECT_EQ(capture.Next().body, body);
    EXPECT_EQ(body.substr(body.find("&FILE=")), "&FILE=/a&b=c.rtf&LOCK="); // raw, never escaped
}

TEST_F(ChannelTest, EachScriptJudgesItsOwnStatusLine)
{
    const struct {
        const char* script;
        const char* statusLine;
        ChannelError error;
    } rows[] = {
        {kScriptOpen, "OK 0", ChannelError::None},      {kScriptOpen, "OK -1", ChannelError::Refused},
        {kScriptOpen, "OK", ChannelError::Refused},     {kScriptDir, "OK 5", ChannelError::Refused},
        {kScriptRename, "OK", ChannelError::None},      {kScriptDelete, "OK ", ChannelError::Refused},
    };
    for (const auto& row : rows) {
        capture.Reply(200, std::string(row.statusLine) + "\n");
        const ScriptReply reply = app.Post(row.script, "ID=");
        EXPECT_EQ(reply.Error(), row.error) << row.script << " " << row.statusLine;
        EXPECT_EQ(reply.UserText(), row.error == ChannelError::None ? "" : std::string(row.statusLine) + "\n");
    }
}

// Every way a request ends, for the form post and the streamed save: the kind, the whole
// text the user is shown, the HTTP status and the platform's detail.
TEST(ChannelErrors, EveryKindWithItsTextAndStatus)
{
    enum class Peer { Replying, Silent, Closed, Reset, NoSession };
    const char* const kCurlWords = "(curl's words)"; // any text of curl's, never the user text
    const struct {
        const char* name;
        Peer peer;
        int status;
        const char* body;
        ChannelError formError;
        const char* formText;
        ChannelError saveError;
        const char* saveText;
        long replyStatus;
        const char* detail;
    } rows[] = {
        {"accepted", Peer::Replying, 200, "OK\nmore\n", ChannelError::None, "", ChannelError::None, "", 200, ""},
        {"refused", Peer::Replying, 200, "ERROR: x\r\nsecond\n", ChannelError::Refused, "ERROR: x\nsecond\n",
         ChannelError::Refused, "ERROR: x\nsecond\n", 200, ""},
        {"empty reply", Peer::Replying, 200, "", ChannelError::Refused, "\n", ChannelError::Refused, "\n", 200, ""},
        {"not found", Peer::Replying, 404, "not here", ChannelError::HttpStatus, "ERROR: Error code 404",
         ChannelError::Refused, "not here\n", 404, ""},
        {"server error with words", Peer::Replying, 500, "ERROR: broken\n", ChannelError::HttpStatus,
         "ERROR: Error code 500", ChannelError::Refused, "ERROR: broken\n", 500, ""},
        {"half a body, then OK", Peer::Replying, 400, "OK", ChannelError::HttpStatus, "ERROR: Error code 400",
         ChannelError::HttpStatus, "ERROR: Error code 400", 400, ""},
        {"other success status", Peer::Replying, 201, "OK\n", ChannelError::HttpStatus, "ERROR: Error code 201",
         ChannelError::HttpStatus, "ERROR: Error code 201", 201, ""},
        {"empty refused status", Peer::Replying, 502, "", ChannelError::HttpStatus, "ERROR: Error code 502",
         ChannelError::HttpStatus, "ERROR: Error code 502", 502, ""},
        {"nobody listening", Peer::Closed, 0, "", ChannelError::CannotConnect, "ERROR: Cannot connect to the server.",
         ChannelError::CannotConnect, "ERROR: Cannot connect to the server.", 0, kCurlWords},
        {"accepted, never answers", Peer::Silent, 0, "", ChannelError::TimedOut, "ERROR: Server not responding.",
         ChannelError::TimedOut, "ERROR: Server not responding.", 0, "Nothing moved for 1 seconds."},
        {"connection reset", Peer::Reset, 0, "", ChannelError::Platform,
         "ERROR: Please make sure Quillbox is allowed to access the Internet.", ChannelError::Platform,
         "ERROR: Please make sure Quillbox is allowed to access the Internet.", 0, kCurlWords},
        {"no session", Peer::NoSession, 0, "", ChannelError::NoSession, "", ChannelError::NoSession, "", 0, ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        CaptureServer server;
        server.Reply(row.status, row.body);
        if (row.peer == Peer::Silent)
            server.StaySilent();
        if (row.peer == Peer::Reset)
            server.ResetEach();
        CClientApp app;
        app.SetStallSeconds(1);
        if (row.peer != Peer::NoSession) {
            const int port = row.peer == Peer::Closed ? ClosedPort() : server.Port();
            ASSERT_TRUE(app.CreateSession(ServerAddress{"127.0.0.1", port}));
        }

        const auto check = [&](const ScriptReply& reply, ChannelError error, const std::string& text) {
            EXPECT_EQ(reply.Error(), error);
            EXPECT_EQ(reply.Ok(), error == ChannelError::None);
            EXPECT_EQ(reply.UserText(), text);
            EXPECT_EQ(reply.Status(), row.replyStatus);
            if (row.detail == kCurlWords) {
                EXPECT_FALSE(reply.Detail().empty());
                EXPECT_EQ(reply.Detail().back(), '.');
                EXPECT_NE(reply.Detail(), text);
            } else {
                EXPECT_EQ(reply.Detail(), row.detail);
            }
        };
        // On the caller's thread, as the command-line tool runs requests, and on a thread
        // of their own with the window's event loop waiting.
        EventLoopWaiter waiter;
        for (IRequestWaiter* used : {static_cast<IRequestWaiter*>(nullptr), static_cast<IRequestWaiter*>(&waiter)}) {
            SCOPED_TRACE(used ? "own thread" : "caller's thread");
            app.SetWaiter(used);
            SCOPED_TRACE("form post");
            check(app.Post(kScriptDir, "ID=&DIR="), row.formError, row.formText);
            SCOPED_TRACE("streamed save");
            check(app.PostStreamed(kScriptSave, "ID=&DATA=", "QQ", {}), row.saveError, row.saveText);
        }
    }
}

TEST_F(ChannelTest, StreamedSaveSendsPiecesOf4096)
{
    const std::string text(10000, 'Q');
    const std::string prefix = SavePrefix("TOKEN", "/A", "n&=.rtf", "HOST", false);
    EXPECT_EQ(prefix, "ID=TOKEN&DIR=/A&FILE=n&=.rtf&LOCK=HOST0&DATA=");
    std::vector<std::pair<int, int>> calls;
    EXPECT_TRUE(app.PostStreamed(kScriptSave, prefix, text, [&](int position, int range) {
        calls.emplace_back(position, range);
    }).Ok());
    EXPECT_EQ(calls, (std::vector<std::pair<int, int>>{{1, 2}, {2, 2}, {3, 2}}));
    const auto request = capture.Next();
    EXPECT_EQ(request.requestLine, "POST /Buffer/Buffer0000/bin/qbsave.pl HTTP/1.1");
    EXPECT_EQ(request.body, prefix + text);
    EXPECT_EQ(request.Header("Content-Length"), std::to_string(prefix.size() + text.size()));
    EXPECT_FALSE(request.HasHeader("Content-Type"));
    EXPECT_FALSE(request.HasHeader("Cache-Control"));
    EXPECT_FALSE(request.HasHeader("Expect"));
    EXPECT_EQ(SavePrefix("T", "", "/x", "", true), "ID=T&DIR=&FILE=/x&LOCK=&UNLOCK=1&DATA=");
}

TEST_F(ChannelTest, OnItsOwnThreadASaveReportsEveryPieceOnTheCallersThread)
{
    EventLoopWaiter waiter;
    app.SetWaiter(&waiter);
    std::vector<std::pair<int, int>> calls;
    bool elsewhere = false;
    EXPECT_TRUE(app.PostStreamed(kScriptSave, "ID=&DATA=", std::string(10000, 'Q'), [&](int position, int range) {
        calls.emplace_back(position, range);
        elsewhere = elsewhere || QThread::currentThread() != QCoreApplication::instance()->thread();
    }).Ok());
    EXPECT_EQ(calls, (std::vector<std::pair<int, int>>{{1, 2}, {2, 2}, {3, 2}}));
    EXPECT_FALSE(elsewhere);
    EXPECT_EQ(capture.Next().body, "ID=&DATA=" + std::string(10000, 'Q'));
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
    EXPECT_EQ(InternetErrorText("Timeout was reached \r\n"), "Timeout was reached.");
    EXPECT_EQ(InternetErrorText(""), "Unknown error.");
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
    app.SetAccount(kSharedAccount);
    ASSERT_TRUE(app.CreateSession(ServerAddress{"127.0.0.1", port}));
    ASSERT_TRUE(app.Post(kScriptNewDir, NewFolderBody(app.MakeSessionToken(), "")).Ok());
    ScriptReply reply = app.Post(kScriptDir, ListBody(app.MakeSessionToken(), ""));
    ASSERT_TRUE(reply.Ok());
    EXPECT_EQ(reply.FirstLine(), "OK");
    std::string line;
    ASSERT_TRUE(reply.ReadLine(line));
    EXPECT_TRUE(std::regex_match(line, std::regex(R"(1\|0\|[0-9]+\|New Folder)"))) << line;
    EXPECT_FALSE(reply.ReadLine(line));
}
