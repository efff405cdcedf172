#pragma once
// A real notes server on a free loopback port with a fresh database (SQLite, or PostgreSQL
// with QUILLBOX_TEST_DB=postgresql), and a raw-body client.

#include "server/NotesServer.h"

#include "TempDir.h"
#include "TestDatabase.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

namespace qb::testing {

std::string Token(const std::string& account);

struct HttpReply {
    int status = 0; // 0 when the connection failed
    std::string body;
};

// Posts a body as it stands to a script or any path.
HttpReply PostRaw(int port, const std::string& path, const std::string& body);
HttpReply GetRaw(int port, const std::string& path);

class ServerTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    void StartServer(server::ServiceOptions service = {}, server::ServerOptions http = {});

    // Posts "ID=" + token(account) + rest to bin/<script>.
    std::string Post(const std::string& script, const std::string& rest, const std::string& account = "kiwi");
    std::string List(const std::string& dir, const std::string& account = "kiwi");
    std::string Save(const std::string& dir, const std::string& file, const std::string& data,
                     const std::string& lockPart = "0", const std::string& account = "kiwi");
    std::string Open(const std::string& file, const std::string& lock = "", const std::string& account = "kiwi");

    TempDir m_dir;
    std::string m_db; // what --db would name; made on the first start
    std::int64_t m_now = 1700000000;
    std::unique_ptr<server::INoteStore> m_store;
    std::unique_ptr<server::NotesService> m_service;
    std::unique_ptr<server::NotesServer> m_server;
    int m_port = -1;
};

// Names of a listing reply, one per entry line, in reply order.
std::vector<std::string> Names(const std::string& listing);

} // namespace qb::testing
