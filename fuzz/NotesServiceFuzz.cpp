// Requests through the whole notes service, on a SQLite store in a temporary folder. Each
// input is one or more requests separated by "#REQ"; a request's first byte picks the
// script (low four bits) and whether the rest is the whole body (bit 0x80) or follows a
// valid session field for the shared account. Every input starts from the same small tree.

#include "FuzzSupport.h"

#include "codec/SessionToken.h"
#include "server/NotesService.h"
#include "server/RequestBody.h"
#include "server/SqliteStore.h"

#include <sqlite3.h>

#include <array>
#include <filesystem>
#include <string>

namespace {

using namespace qb::server;

constexpr std::array<const char*, 9> kScripts = {"qbdir.pl",    "qbopen.pl",   "qbsave.pl",
                                                 "qbunlock.pl", "qbnewdir.pl", "qbrename.pl",
                                                 "qbdelete.pl", "qbcopy.pl",   "qbmove.pl"};
constexpr std::string_view kSeparator = "#REQ";

struct Fixture {
    std::filesystem::path dir;
    std::string db;
    std::unique_ptr<SqliteStore> store;
    sqlite3* side = nullptr; // empties the tree between inputs
    std::string session;

    Fixture()
    {
        const char* shm = "/dev/shm";
        std::string pattern = (std::filesystem::is_directory(shm) ? std::string(shm) : std::filesystem::temp_directory_path().string())
                              + "/quillbox-fuzz-XXXXXX";
        qb::fuzz::Require(mkdtemp(pattern.data()) != nullptr, "a temporary folder");
        dir = pattern;
        db = (dir / "notes.db").string();
        SqliteStoreOptions options;
        options.connections = 1;
        options.reserveBytes = 0;
        store = std::make_unique<SqliteStore>(db, options);
        qb::fuzz::Require(sqlite3_open(db.c_str(), &side) == SQLITE_OK, "a side connection");
        sqlite3_exec(side, "PRAGMA synchronous=OFF", nullptr, nullptr, nullptr);
        session = "ID=" + qb::CTokenSealer().Seal(qb::FormatTokenText(1700000000, "kiwi"));
    }
    ~Fixture()
    {
        sqlite3_close(side);
        store.reset();
        std::error_code ignored;
        std::filesystem::remove_all(dir, ignored);
    }
};

Fixture& Shared()
{
    static Fixture fixture;
    return fixture;
}

Reply Post(NotesService& service, int script, std::string_view body)
{
    const Script* found = FindScript(kScripts[static_cast<std::size_t>(script) % kScripts.size()]);
    qb::fuzz::Require(found != nullptr, "every script is known");
    Reply reply = service.Handle(*found, body);
    qb::fuzz::Require(reply.failure.empty(), "no request makes the storage fail");
    qb::fuzz::Require(reply.ok ? reply.text.rfind("OK", 0) == 0 : reply.text.rfind("ERROR: ", 0) == 0,
                      "a reply is OK or a refusal");
    return reply;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Fixture& fixture = Shared();
    sqlite3_exec(fixture.side, "DELETE FROM nodes", nullptr, nullptr, nullptr);
    // A fresh service for a fresh tree: its listing cache starts empty too.
    NotesService service(*fixture.store, ServiceOptions{}, [] { return std::int64_t{1700000000}; });
    Post(service, 4, fixture.session + "&DIR=");
    Post(service, 2, fixture.session + "&DIR=&FILE=/a.rtf&LOCK=0&DATA=note text");
    Post(service, 2, fixture.session + "&DIR=&FILE=/New Folder/b.rtf&LOCK=0&DATA=more text");

    std::string_view input = qb::fuzz::Text(data, size);
    while (!input.empty()) {
        const std::size_t end = input.find(kSeparator);
        const std::string_view request = input.substr(0, end);
        input = end == std::string_view::npos ? std::string_view() : input.substr(end + kSeparator.size());
        if (request.empty())
            continue;
        const auto selector = static_cast<std::uint8_t>(request[0]);
        const std::string_view rest = request.substr(1);
        Post(service, selector & 0x0f, (selector & 0x80) ? std::string(rest) : fixture.session + std::string(rest));
    }
    return 0;
}
