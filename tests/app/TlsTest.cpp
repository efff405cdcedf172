#include "app/ClientApp.h"
#include "app/RequestBodies.h"
#include "app/SessionValues.h"
#include "app/Settings.h"

#include "TlsFront.h"
#include "server/ServerFixture.h"

#include <gtest/gtest.h>

using namespace qb;
using qb::testing::TlsFront;

TEST(ServerSetting, SchemesHostsAndPorts)
{
    const struct {
        const char* text;
        std::optional<std::string> url; // nothing: refused
    } rows[] = {
        {"127.0.0.1:8080", "http://127.0.0.1:8080"},
        {"notes.example", "http://notes.example:80"},
        {"http://notes.example", "http://notes.example:80"},
        {"HTTP://notes.example:81/", "http://notes.example:81"},
        {"https://notes.example", "https://notes.example:443"},
        {"https://notes.example:8443", "https://notes.example:8443"},
        {"https://[::1]:8443", "https://[::1]:8443"},
        {"https://", std::nullopt},
        {"https://notes.example/qb", std::nullopt},
        {"ftp://notes.example", std::nullopt},
        {"https://notes.example:0", std::nullopt},
        {"https://user@notes.example", std::nullopt},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        const auto parsed = ParseServerAddress(row.text);
        EXPECT_EQ(parsed ? std::optional(ServerUrl(*parsed)) : std::nullopt, row.url);
    }
}

namespace {

// The notes server behind a TLS front, and a client whose Quillbox.ini names a CA file.
class TlsChannelTest : public qb::testing::ServerTest {
protected:
    void SetUp() override
    {
        ServerTest::SetUp();
        front = std::make_unique<TlsFront>(m_port);
        ASSERT_NE(front->Port(), 0) << front->Error();
        app.SetAccount(kSharedAccount);
        app.SetStallSeconds(10);
    }

    void Connect(const std::string& caFile)
    {
        const std::string ini = (m_dir.path / "Quillbox.ini").string();
        ASSERT_TRUE(WriteSettingString("CaFile", caFile, ini));
        app.SetIniPath(ini);
        const auto server = ParseServerAddress("https://localhost:" + std::to_string(front->Port()));
        ASSERT_TRUE(server);
        ASSERT_TRUE(app.CreateSession(*server));
    }

    std::unique_ptr<TlsFront> front;
    CClientApp app;
};

} // namespace

TEST_F(TlsChannelTest, ListingAndSaveWorkThroughTheFront)
{
    Connect(front->AuthorityFile());
    auto saved = app.PostStreamed(kScriptSave, SavePrefix(app.MakeSessionToken(), "", "/Over TLS", "", false),
                                  "QkFTRTY0", {});
    ASSERT_TRUE(saved.Ok()) << saved.UserText() << " " << saved.Detail();
    auto listed = app.Post(kScriptDir, ListBody(app.MakeSessionToken(), ""));
    ASSERT_TRUE(listed.Ok()) << listed.UserText() << " " << listed.Detail();
    EXPECT_EQ(qb::testing::Names(listed.FirstLine() + listed.RemainingLines()),
              std::vector<std::string>{"Over TLS"});
}

TEST_F(TlsChannelTest, AnUntrustedCertificateIsRefusedWithItsOwnMessage)
{
    const struct {
        const char* why;
        std::string caFile;
    } rows[] = {
        {"another authority", front->StrangerAuthorityFile()},
        {"no such file", (m_dir.path / "missing.pem").string()},
        {"system store only", ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.why);
        Connect(row.caFile);
        const auto reply = app.Post(kScriptDir, ListBody(app.MakeSessionToken(), ""));
        EXPECT_EQ(reply.Error(), ChannelError::Certificate);
        EXPECT_EQ(reply.UserText(),
                  "ERROR: The server's certificate could not be verified, so nothing was sent. If the server uses "
                  "a private certificate authority, name its certificate file in CaFile= in Quillbox.ini.");
        EXPECT_EQ(reply.Status(), 0);
    }
    // Nothing reached the server along the way.
    EXPECT_EQ(List(""), "OK\n");
}

TEST_F(TlsChannelTest, PlainHttpToTheTlsPortIsNoFallback)
{
    ASSERT_TRUE(app.CreateSession(ServerAddress{"127.0.0.1", front->Port(), false}));
    const auto reply = app.Post(kScriptDir, ListBody(app.MakeSessionToken(), ""));
    EXPECT_FALSE(reply.Ok());
    EXPECT_EQ(reply.Status(), 400); // nginx's answer to plain HTTP on a TLS port
}
