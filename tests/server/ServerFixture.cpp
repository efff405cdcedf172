#include "ServerFixture.h"

#include "codec/SessionToken.h"

#include "RawHttp.h"

namespace qb::testing {

std::string Token(const std::string& account)
{
    return CTokenSealer().Seal(FormatTokenText(std::time(nullptr), account));
}

namespace {

HttpReply Exchange(int port, const std::string& request)
{
    RawConnection connection(port);
    if (!connection.Connected() || !connection.Send(request))
        return {};
    const auto reply = connection.ReadReply(std::chrono::seconds(10));
    return reply ? HttpReply{reply->status, reply->body} : HttpReply{};
}

} // namespace

HttpReply PostRaw(int port, const std::string& path, const std::string& body)
{
    return Exchange(port, PostRequest(path, body, "Connection: close\r\n"));
}

HttpReply GetRaw(int port, const std::string& path)
{
    return Exchange(port, "GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n");
}

void ServerTest::SetUp()
{
    StartServer();
}

void ServerTest::TearDown()
{
    m_server.reset();
    m_service.reset();
    m_store.reset();
}

void ServerTest::StartServer(server::ServiceOptions service, server::ServerOptions http)
{
    m_server.reset();
    m_service.reset();
    m_store.reset();
    if (m_db.empty())
        m_db = FreshDatabase(m_dir);
    m_store = OpenTestStore(m_db, 2);
    m_service = std::make_unique<server::NotesService>(*m_store, service, [this] { return m_now; });
    http.port = 0;
    http.log = false;
    m_server = std::make_unique<server::NotesServer>(*m_service, http);
    m_port = m_server->Start();
    ASSERT_GT(m_port, 0);
}

std::string ServerTest::Post(const std::string& script, const std::string& rest, const std::string& account)
{
    const HttpReply reply = PostRaw(m_port, "/Buffer/Buffer0000/bin/" + script, "ID=" + Token(account) + rest);
    EXPECT_EQ(reply.status, 200) << script;
    return reply.body;
}

std::string ServerTest::List(const std::string& dir, const std::string& account)
{
    return Post("qbdir.pl", "&DIR=" + dir, account);
}

std::string ServerTest::Save(const std::string& dir, const std::string& file, const std::string& data,
                             const std::string& lockPart, const std::string& account)
{
    return Post("qbsave.pl", "&DIR=" + dir + "&FILE=" + file + "&LOCK=" + lockPart + "&DATA=" + data, account);
}

std::string ServerTest::Open(const std::string& file, const std::string& lock, const std::string& account)
{
    return Post("qbopen.pl", "&FILE=" + file + "&LOCK=" + lock, account);
}

std::vector<std::string> Names(const std::string& listing)
{
    std::vector<std::string> names;
    std::size_t start = listing.find('\n');
    while (start != std::string::npos && start + 1 < listing.size()) {
        const std::size_t end = listing.find('\n', start + 1);
        const std::string line = listing.substr(start + 1, end - start - 1);
        names.push_back(line.substr(line.rfind('|') + 1));
        start = end;
    }
    return names;
}

} // namespace qb::testing
