#include "KeyInput.h"

#include <cstdio>
#include <memory>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace qb::cli {
namespace {

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
using File = std::unique_ptr<std::FILE, FileCloser>;

// One line, byte by byte from an unbuffered stream: the key is only ever in wiped storage.
SecretText ReadLine(std::FILE* in)
{
    SecretText line;
    int c;
    while ((c = std::fgetc(in)) != EOF && c != '\n')
        line.Append(static_cast<char>(c));
    while (!line.Empty() && line.Back() == '\r')
        line.PopBack();
    return line;
}

} // namespace

std::optional<SecretText> ReadKeyFile(const std::string& path, std::string& error)
{
    File in(std::fopen(path.c_str(), "rb"));
    if (!in) {
        error = "cannot read the key file " + path;
        return std::nullopt;
    }
    std::setvbuf(in.get(), nullptr, _IONBF, 0);
    SecretText key = ReadLine(in.get());
    if (key.Empty()) {
        error = "the key file " + path + " holds no key";
        return std::nullopt;
    }
    return key;
}

std::optional<SecretText> AskKey(const std::string& prompt, std::string& error)
{
    File tty(std::fopen("/dev/tty", "r+"));
    if (!tty) {
        error = "no terminal to ask for the key: use --key-file";
        return std::nullopt;
    }
    std::setvbuf(tty.get(), nullptr, _IONBF, 0);
    std::fputs(prompt.c_str(), tty.get());
    SecretText key;
    {
        EchoOff quiet(fileno(tty.get()));
        key = ReadLine(tty.get());
    }
    std::fputs("\n", tty.get());
    if (key.Empty()) {
        error = "no key was typed";
        return std::nullopt;
    }
    return key;
}

} // namespace qb::cli
