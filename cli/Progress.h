#pragma once
// The progress line of export and import on standard error: items done of total, bytes and
// rate, redrawn at most ten times a second. Off when standard error is no terminal or -q was
// given; messages still go out, one line each.

#include <chrono>
#include <cstdint>
#include <ostream>
#include <string>

namespace qb::cli {

class CProgress {
public:
    CProgress(std::ostream& err, bool shown, std::string noun, std::size_t totalItems, std::uint64_t totalBytes);
    ~CProgress();
    CProgress(const CProgress&) = delete;
    CProgress& operator=(const CProgress&) = delete;

    void Step(std::uint64_t bytes);
    // One line (a warning, a skipped item, a failure) printed above the bar.
    void Line(const std::string& text);

    // "[###---]  12/100 notes  1.2 MB of 9.0 MB  340 notes/s  3.4 MB/s": for tests and the bar.
    static std::string Format(std::size_t done, std::size_t total, std::uint64_t bytes, std::uint64_t totalBytes,
                              double seconds, const std::string& noun);

private:
    void Draw(bool force);
    void Clear();

    std::ostream& m_err;
    bool m_shown;
    std::string m_noun;
    std::size_t m_total;
    std::uint64_t m_totalBytes;
    std::size_t m_done = 0;
    std::uint64_t m_bytes = 0;
    std::chrono::steady_clock::time_point m_start;
    std::chrono::steady_clock::time_point m_drawn;
    bool m_onScreen = false;
};

} // namespace qb::cli
