#pragma once
// quillbox-cli against a real notes server on a free port: run a command line in-process and
// keep its exit status and what it wrote; seed notes the way the editor stores them.

#include "server/ServerFixture.h"

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace qb::testing {

struct CliRun {
    int status = -1;
    std::string out;
    std::string err;
};

class CliServerTest : public ServerTest {
protected:
    void SetUp() override;

    // Server commands are sent to this test's server unless they name one (--server, --ini).
    CliRun Cli(std::vector<std::string> words);
    // A key file under the test's folder, named after the key.
    std::string KeyFile(const std::string& key);
    std::filesystem::path Local(const std::string& name) const { return m_dir.path / name; }
    void WriteLocal(const std::filesystem::path& path, const std::string& data);

    // What an editor would store: the RTF sealed under the key and its name.
    void SeedRtf(const std::string& path, const std::string& rtf, const std::string& key, const std::string& keyName);
    // What the server holds at path ("" when it holds nothing there).
    std::string Stored(const std::string& path);
    // Names in the server's listing of dir, in its order.
    std::vector<std::string> ServerNames(const std::string& dir);
};

// Every regular file under root by its path relative to root, with its bytes.
std::map<std::string, std::string> FilesUnder(const std::filesystem::path& root);
// RTF of a small document holding the text and, when asked, a picture.
std::string DocumentRtf(const std::string& text, bool withPicture);
// The plain text of note text opened with the key, as get --text prints it; "<not opened>"
// when it does not open.
std::string PlainText(const std::string& noteText, const std::string& key);
// Words that compress only so far, different for each seed.
std::string VariedText(std::size_t length, unsigned seed);

} // namespace qb::testing
