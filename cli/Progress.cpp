#include "Progress.h"

#include <cstdio>

namespace qb::cli {
namespace {

constexpr int kBarWidth = 24;
constexpr auto kRedraw = std::chrono::milliseconds(100);

std::string ByteText(std::uint64_t bytes)
{
    char text[32];
    if (bytes < 1000 * 1000)
        std::snprintf(text, sizeof text, "%.1f KB", static_cast<double>(bytes) / 1000.0);
    else
        std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / 1e6);
    return text;
}

} // namespace

CProgress::CProgress(std::ostream& err, bool shown, std::string noun, std::size_t totalItems,
                     std::uint64_t totalBytes)
    : m_err(err), m_shown(shown), m_noun(std::move(noun)), m_total(totalItems), m_totalBytes(totalBytes),
      m_start(std::chrono::steady_clock::now()), m_drawn(m_start)
{
    Draw(true);
}

CProgress::~CProgress()
{
    if (m_shown) {
        Draw(true);
        m_err << "\n";
        m_err.flush();
    }
}

std::string CProgress::Format(std::size_t done, std::size_t total, std::uint64_t bytes, std::uint64_t totalBytes,
                              double seconds, const std::string& noun)
{
    const int filled = total == 0 ? kBarWidth : static_cast<int>(done * kBarWidth / total);
    std::string line = "[" + std::string(static_cast<std::size_t>(filled), '#')
        + std::string(static_cast<std::size_t>(kBarWidth - filled), '-') + "]  " + std::to_string(done) + "/"
        + std::to_string(total) + " " + noun + "  " + ByteText(bytes) + " of " + ByteText(totalBytes);
    if (seconds > 0) {
        char rate[64];
        std::snprintf(rate, sizeof rate, "  %.0f %s/s  %s/s", static_cast<double>(done) / seconds, noun.c_str(),
                      ByteText(static_cast<std::uint64_t>(static_cast<double>(bytes) / seconds)).c_str());
        line += rate;
    }
    return line;
}

void CProgress::Step(std::uint64_t bytes)
{
    ++m_done;
    m_bytes += bytes;
    Draw(false);
}

void CProgress::Line(const std::string& text)
{
    Clear();
    m_err << text << "\n";
    Draw(true);
}

void CProgress::Draw(bool force)
{
    if (!m_shown)
        return;
    const auto now = std::chrono::steady_clock::now();
    if (!force && now - m_drawn < kRedraw)
        return;
    m_drawn = now;
    const double seconds = std::chrono::duration<double>(now - m_start).count();
    m_err << "\r\033[K" << Format(m_done, m_total, m_bytes, m_totalBytes, seconds, m_noun);
    m_err.flush();
    m_onScreen = true;
}

void CProgress::Clear()
{
    if (m_onScreen) {
        m_err << "\r\033[K";
        m_onScreen = false;
    }
}

} // namespace qb::cli
