// The HTTP front under clients that misbehave: bodies cut short, trickled or stalled,
// over-long requests, too many connections, a second server on the same address.

#include "RawHttp.h"
#include "ServerFixture.h"
#include "ServerProcess.h"

#include <unistd.h>

#include <cstdio>
#include <thread>

using namespace qb::testing;
using namespace std::chrono_literals;

namespace {

const std::string kSavePath = "/Buffer/Buffer0000/bin/qbsave.pl";
const std::string kListPath = "/Buffer/Buffer0000/bin/qbdir.pl";
constexpr auto kDeadline = 600ms;
// What a busy 2-core machine may add to a deadline before the connection is seen closed.
constexpr auto kSlack = 2500ms;

class FrontTest : public ServerTest {
protected:
    void SetUp() override
    {
        qb::server::ServerOptions http;
        http.headerTimeout = kDeadline;
        http.bodyTimeout = kDeadline;
        http.idleTimeout = kDeadline;
        StartServer({}, http);
    }

    // The note as the service reads it, past the HTTP front.
    std::string StoredNote()
    {
        return m_service->Handle(*qb::server::FindScript("qbopen.pl"), "ID=" + Token("kiwi") + "&FILE=/n.rtf&LOCK=")
            .text;
    }

    std::string SaveBody(const std::string& data) { return "ID=" + Token("kiwi") + "&DIR=&FILE=n.rtf&LOCK=0&DATA=" + data; }
};

// The request up to and with the blank line that ends its header.
std::string HeadOf(const std::string& request)
{
    return request.substr(0, request.find("\r\n\r\n") + 4);
}

std::string Hex(std::size_t n)
{
    char text[32];
    std::snprintf(text, sizeof text, "%zx", n);
    return text;
}

} // namespace

TEST_F(FrontTest, IncompleteBodiesNeverReachTheService)
{
    ASSERT_EQ(Save("", "n.rtf", "T3JpZ2luYWw="), "OK\n");
    const std::string before = StoredNote();
    ASSERT_EQ(before, "OK 12\nT3JpZ2luYWw=");

    // A 3000-byte note whose first bytes alone make a well-formed save.
    const std::string whole = SaveBody("QUJD" + std::string(2996, 'A'));
    const std::string part = SaveBody("QUJD");
    const std::string lengthHead = HeadOf(PostRequest(kSavePath, whole));
    const std::string chunkedHead = "POST " + kSavePath + " HTTP/1.1\r\nHost: 127.0.0.1\r\nTransfer-Encoding: chunked\r\n\r\n";
    const std::string chunk = Hex(part.size()) + "\r\n" + part + "\r\n"; // and no last chunk
    const struct {
        const char* name;
        std::string sent;
        bool thenClose; // else stall with the connection open
    } cases[] = {
        {"short body, then close", lengthHead + part, true},
        {"short body, then stall", lengthHead + part, false},
        {"unterminated chunked body, then close", chunkedHead + chunk, true},
        {"unterminated chunked body, then stall", chunkedHead + chunk, false},
    };
    for (const auto& c : cases) {
        RawConnection connection(m_port);
        ASSERT_TRUE(connection.Connected());
        ASSERT_TRUE(connection.Send(c.sent)) << c.name;
        if (c.thenClose)
            connection.ShutdownWrite();
        const auto received = connection.ReadUntilClosed(10s);
        EXPECT_TRUE(received.closed) << c.name;
        EXPECT_EQ(received.bytes, "") << c.name; // no reply at all, so no "OK"
        if (!c.thenClose) {
            EXPECT_LT(received.waited, kDeadline + kSlack) << c.name;
        }
        EXPECT_EQ(StoredNote(), before) << c.name;
    }
    // The whole body, sent the same ways, is saved.
    RawConnection connection(m_port);
    ASSERT_TRUE(connection.Send(chunkedHead + Hex(whole.size()) + "\r\n" + whole + "\r\n0\r\n\r\n"));
    const auto reply = connection.ReadReply(10s);
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->status, 200);
    EXPECT_EQ(reply->body, "OK\n");
    EXPECT_EQ(StoredNote(), "OK 3000\nQUJD" + std::string(2996, 'A'));
}

TEST_F(FrontTest, DeadlinesAreTotalNotPerRead)
{
    const std::string request = PostRequest(kListPath, "ID=" + Token("kiwi") + "&DIR=");
    const struct {
        const char* name;
        std::string first; // sent at once
        std::string trickled; // then one byte every 50 ms, as long as the connection lasts
    } cases[] = {
        {"silent connection", "", ""},
        {"header trickled", "", request},
        {"body trickled", HeadOf(PostRequest(kSavePath, std::string(3000, 'A'))), std::string(3000, 'A')},
        {"idle after a reply", request, ""},
    };
    for (const auto& c : cases) {
        RawConnection connection(m_port);
        ASSERT_TRUE(connection.Connected());
        std::string replies;
        if (!c.first.empty()) {
            ASSERT_TRUE(connection.Send(c.first));
            if (c.trickled.empty()) {
                const auto reply = connection.ReadReply(10s);
                ASSERT_TRUE(reply) << c.name;
                EXPECT_EQ(reply->body, "OK\n") << c.name;
            }
        }
        const auto start = std::chrono::steady_clock::now();
        bool closed = false;
        for (std::size_t i = 0; !closed && std::chrono::steady_clock::now() - start < 10s; ++i) {
            if (i < c.trickled.size() && !connection.Send(c.trickled.substr(i, 1)))
                break;
            const auto received = connection.ReadUntilClosed(50ms);
            replies += received.bytes;
            closed = received.closed;
        }
        const auto waited = std::chrono::steady_clock::now() - start;
        EXPECT_EQ(replies, "") << c.name;
        EXPECT_GE(waited, kDeadline - 100ms) << c.name;
        EXPECT_LT(waited, kDeadline + kSlack) << c.name;
    }
}

TEST_F(ServerTest, OverLongRequestsAreRefusedBeforeTheirBodyIsRead)
{
    qb::server::ServerOptions http;
    http.maxBodyBytes = 4096;
    StartServer({}, http);
    const std::string big = "ID=" + Token("kiwi") + "&DIR=&FILE=x&LOCK=0&DATA=" + std::string(100000, 'A');
    const std::string declared = PostRequest(kSavePath, big);
    const std::string chunked = "POST " + kSavePath + " HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: chunked\r\n\r\n" +
                                Hex(big.size()) + "\r\n" + big + "\r\n0\r\n\r\n";
    const struct {
        const char* name;
        std::string sent;
    } cases[] = {
        {"declared length, no body sent", HeadOf(declared)},
        {"declared length, body sent", declared},
        {"expecting 100-continue", HeadOf(PostRequest(kSavePath, big, "Expect: 100-continue\r\n"))},
        {"chunked body", chunked},
    };
    for (const auto& c : cases) {
        RawConnection connection(m_port);
        ASSERT_TRUE(connection.Send(c.sent)) << c.name;
        const auto reply = connection.ReadReply(10s);
        ASSERT_TRUE(reply) << c.name;
        EXPECT_EQ(reply->status, 200) << c.name;
        EXPECT_EQ(reply->body, "ERROR: The request is too large for the server.\n") << c.name;
        EXPECT_EQ(reply->Header("connection"), "close") << c.name;
        EXPECT_TRUE(connection.ReadUntilClosed(10s).closed) << c.name;
    }
    EXPECT_EQ(List(""), "OK\n");
}

TEST_F(ServerTest, KeepAlivePipeliningAndContinue)
{
    RawConnection connection(m_port);
    const std::string list = PostRequest(kListPath, "ID=" + Token("kiwi") + "&DIR=");
    ASSERT_TRUE(connection.Send(list + list)); // two requests in one write
    for (int i = 0; i < 2; ++i) {
        const auto reply = connection.ReadReply(10s);
        ASSERT_TRUE(reply) << i;
        EXPECT_EQ(reply->body, "OK\n");
        EXPECT_EQ(reply->Header("content-type"), "text/plain; charset=utf-8");
        EXPECT_EQ(reply->Header("cache-control"), "no-cache");
    }
    // A client waiting for "100 Continue" gets it before it sends the body.
    const std::string body = "ID=" + Token("kiwi") + "&DIR=&FILE=c.rtf&LOCK=0&DATA=QUJD=";
    const std::string request = PostRequest(kSavePath, body, "Expect: 100-continue\r\n");
    ASSERT_TRUE(connection.Send(HeadOf(request)));
    const auto interim = connection.ReadReply(10s);
    ASSERT_TRUE(interim);
    EXPECT_EQ(interim->status, 100);
    ASSERT_TRUE(connection.Send(body));
    const auto saved = connection.ReadReply(10s);
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->body, "OK\n");
}

TEST_F(ServerTest, ConnectionsPastTheCapAreAnswered503)
{
    qb::server::ServerOptions http;
    http.maxConnections = 3;
    StartServer({}, http);
    std::vector<std::unique_ptr<RawConnection>> held;
    for (int i = 0; i < 3; ++i)
        held.push_back(std::make_unique<RawConnection>(m_port));
    const auto until = [](auto condition) {
        const auto limit = std::chrono::steady_clock::now() + 10s;
        while (!condition() && std::chrono::steady_clock::now() < limit)
            std::this_thread::sleep_for(5ms);
        return condition();
    };
    ASSERT_TRUE(until([&] { return m_server->OpenConnections() == 3; }));

    RawConnection extra(m_port);
    const auto refused = extra.ReadReply(10s);
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->status, 503);
    EXPECT_EQ(refused->body, "ERROR: The server is busy. Please try again shortly.\n");
    EXPECT_EQ(refused->Header("connection"), "close");
    EXPECT_TRUE(extra.ReadUntilClosed(10s).closed);

    held.pop_back();
    ASSERT_TRUE(until([&] { return m_server->OpenConnections() == 2; }));
    EXPECT_EQ(List(""), "OK\n");
}

TEST_F(ServerTest, ASecondServerOnATakenAddressDoesNotStart)
{
    qb::server::ServerOptions http;
    http.port = m_port;
    http.log = false;
    qb::server::NotesServer second(*m_service, http);
    EXPECT_EQ(second.Start(), -1);
    EXPECT_EQ(second.Error(), "the address is already in use");

    const auto [output, status] = RunServer("--listen 127.0.0.1:" + std::to_string(m_port) + " --db '"
                                            + (m_dir.path / "other.db").string() + "'");
    EXPECT_EQ(output, "quillbox-server: cannot listen on 127.0.0.1:" + std::to_string(m_port) +
                          ": the address is already in use\n");
    EXPECT_EQ(status, 1);
    EXPECT_EQ(List(""), "OK\n"); // the first one serves on
}

TEST_F(ServerTest, TheUserGuideNamesTheServingProcess)
{
    RawConnection connection(m_port);
    ASSERT_TRUE(connection.Send("GET /UserGuide.htm HTTP/1.1\r\nHost: x\r\n\r\n"));
    const auto reply = connection.ReadReply(10s);
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->status, 200);
    EXPECT_EQ(reply->Header("content-type"), "text/html; charset=utf-8");
    EXPECT_EQ(reply->Header("x-quillbox-pid"), std::to_string(::getpid()));
}
