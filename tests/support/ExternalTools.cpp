#include "ExternalTools.h"

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace qb::testing {

bool Installed(const char* program)
{
    return std::system((std::string("command -v ") + program + " >/dev/null 2>&1").c_str()) == 0;
}

std::optional<std::string> CommandOutput(const std::string& command)
{
    struct Closer {
        void operator()(FILE* pipe) const { pclose(pipe); }
    };
    FILE* raw = popen(command.c_str(), "r");
    if (!raw)
        return std::nullopt;
    std::unique_ptr<FILE, Closer> pipe(raw);
    std::string output;
    char buffer[4096];
    while (const std::size_t read = std::fread(buffer, 1, sizeof buffer, pipe.get()))
        output.append(buffer, read);
    if (pclose(pipe.release()) != 0)
        return std::nullopt;
    return output;
}

std::string Squeeze(const std::string& text)
{
    std::string out;
    for (const char c : text) {
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f') {
            if (!out.empty() && out.back() != ' ')
                out += ' ';
        } else {
            out += c;
        }
    }
    while (!out.empty() && out.back() == ' ')
        out.pop_back();
    return out;
}

} // namespace qb::testing
