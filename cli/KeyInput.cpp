#include "KeyInput.h"

#include <cstdio>
#include <fstream>
#include <memory>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace qb::cli {
namespace {

void StripLineEnd(std::string& line)
{
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back();
}

// Restores the terminal's echo however the prompt ends.
class EchoOff {
public:
    explicit EchoOff(int fd) : m_fd(fd)
    {
        if (tcgetattr(fd, &m_saved) == 0) {
            termios quiet = m_saved;
            quiet.c_lflag &= static_cast<tcflag_t>(~ECHO);
            m_active = tcsetattr(fd, TCSAFLUSH, &quiet) == 0;
        }
    }
    ~EchoOff()
    {
        if (m_active)
            tcsetattr(m_fd, TCSAFLUSH, &m_saved);
    }
    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;

private:
    int m_fd;
    termios m_saved{};
    bool m_active = false;
};

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

} // namespace

std::optional<std::string> ReadKeyFile(const std::string& path, std::string& error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot read the key file " + path;
        return std::nullopt;
    }
    std::string key;
    std::getline(in, key);
    StripLineEnd(key);
    if (key.empty()) {
        error = "the key file " + path + " holds no key";
        return std::nullopt;
    }
    return key;
}

std::optional<std::string> AskKey(const std::string& prompt, std::string& error)
{
    std::unique_ptr<std::FILE, FileCloser> tty(std::fopen("/dev/tty", "r+"));
    if (!tty) {
        error = "no terminal to ask for the key: use --key-file";
        return std::nullopt;
    }
    std::fputs(prompt.c_str(), tty.get());
    std::fflush(tty.get());
    std::string key;
    {
        EchoOff quiet(fileno(tty.get()));
        int c;
        while ((c = std::fgetc(tty.get())) != EOF && c != '\n')
            key += static_cast<char>(c);
    }
    std::fputs("\n", tty.get());
    StripLineEnd(key);
    if (key.empty()) {
        error = "no key was typed";
        return std::nullopt;
    }
    return key;
}

} // namespace qb::cli
