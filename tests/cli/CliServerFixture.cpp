#include "CliServerFixture.h"

#include "cli/CommandTable.h"
#include "cli/NoteFiles.h"
#include "app/Reply.h"
#include "codec/Note.h"
#include "rtf/RtfWriter.h"

#include <QImage>
#include <QTextCursor>
#include <QTextDocument>
#include <QUrl>

#include <algorithm>
#include <fstream>
#include <sstream>

namespace qb::testing {

void CliServerTest::SetUp()
{
    ServerTest::SetUp();
}

CliRun CliServerTest::Cli(std::vector<std::string> words)
{
    for (const auto& command : cli::CommandTable()) {
        const bool named = std::find(words.begin(), words.end(), "--server") != words.end()
            || std::find(words.begin(), words.end(), "--ini") != words.end();
        if (!words.empty() && command.name == words.front() && command.remote && !named) {
            words.insert(words.begin() + 1, {"--server", "127.0.0.1:" + std::to_string(m_port)});
            break;
        }
    }
    std::ostringstream out, err;
    cli::Environment env;
    env.out = &out;
    env.err = &err;
    CliRun run;
    run.status = cli::Run(words, env);
    run.out = out.str();
    run.err = err.str();
    return run;
}

std::string CliServerTest::KeyFile(const std::string& key)
{
    const auto path = m_dir.path / ("key-" + key);
    WriteLocal(path, key + "\n");
    return path.string();
}

void CliServerTest::WriteLocal(const std::filesystem::path& path, const std::string& data)
{
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << data;
}

void CliServerTest::SeedRtf(const std::string& path, const std::string& rtf, const std::string& key,
                            const std::string& keyName)
{
    const std::string folder = path.substr(0, path.rfind('/'));
    if (!folder.empty()) {
        ASSERT_EQ(Cli({"mkdir", "-p", folder}).status, 0) << folder;
    }
    const auto text = WrapNote(AsBytes(rtf), key, keyName);
    ASSERT_TRUE(text);
    ASSERT_EQ(Save("", path, *text), "OK\n") << path;
}

std::string CliServerTest::Stored(const std::string& path)
{
    const std::string reply = Open(path);
    const auto lineEnd = reply.find('\n');
    if (lineEnd == std::string::npos || !ParseOpenStatus(reply.substr(0, lineEnd)))
        return {};
    return reply.substr(lineEnd + 1);
}

std::vector<std::string> CliServerTest::ServerNames(const std::string& dir)
{
    return Names(List(dir));
}

std::map<std::string, std::string> FilesUnder(const std::filesystem::path& root)
{
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        if (!entry.is_regular_file())
            continue;
        std::ifstream in(entry.path(), std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        files[std::filesystem::relative(entry.path(), root).string()] = bytes.str();
    }
    return files;
}

std::string DocumentRtf(const std::string& text, bool withPicture)
{
    QTextDocument document;
    QTextCursor cursor(&document);
    cursor.insertText(QString::fromStdString(text));
    if (withPicture) {
        QImage image(8, 6, QImage::Format_RGB32);
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x)
                image.setPixel(x, y, qRgb(x * 30, y * 40, 120));
        }
        document.addResource(QTextDocument::ImageResource, QUrl(QStringLiteral("picture")), image);
        cursor.insertImage(QStringLiteral("picture"));
    }
    return rtf::ToRtf(document).rtf;
}

std::string PlainText(const std::string& noteText, const std::string& key)
{
    const auto rtf = OpenNote(noteText, key);
    if (!rtf)
        return "<not opened>";
    return cli::RtfToText(AsText(*rtf)).value_or("<not opened>");
}

std::string VariedText(std::size_t length, unsigned seed)
{
    static const char* const kWords[] = {"quill", "box", "note", "folder", "key", "river", "stone", "amber",
                                         "window", "paper", "lantern", "orbit", "meadow", "signal", "copper"};
    std::string text;
    std::uint64_t state = seed * 2654435761u + 1;
    while (text.size() < length) {
        state = state * 6364136223846793005u + 1442695040888963407u;
        text += kWords[(state >> 33) % 15];
        text += (state >> 20) % 7 == 0 ? ". " : " ";
    }
    text.resize(length);
    return text;
}

} // namespace qb::testing
