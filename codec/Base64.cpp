#include "Base64.h"

#include <algorithm>
#include <array>

namespace qb {
namespace {

constexpr std::array<std::int8_t, 256> MakeDecodeTable()
{
    std::array<std::int8_t, 256> table{};
    table.fill(-1);
    for (std::size_t i = 0; i < kBase64Alphabet.size(); ++i)
        table[static_cast<unsigned char>(kBase64Alphabet[i])] = static_cast<std::int8_t>(i);
    return table;
}

constexpr auto kDecode = MakeDecodeTable();

} // namespace

std::string EncodeBase64(ByteView data, std::size_t lineLength)
{
    const std::size_t n = data.size();
    const std::size_t total = 4 * ((n + 2) / 3) + 1;
    std::string plain(total, '=');
    char* out = plain.data();
    const char* alphabet = kBase64Alphabet.data();
    std::size_t i = 0;
    for (; i + 3 <= n; i += 3, out += 4) {
        const unsigned b0 = data[i], b1 = data[i + 1], b2 = data[i + 2];
        out[0] = alphabet[b0 >> 2];
        out[1] = alphabet[((b0 & 3) << 4) | (b1 >> 4)];
        out[2] = alphabet[((b1 & 15) << 2) | (b2 >> 6)];
        out[3] = alphabet[b2 & 63];
    }
    // The pads and the closing terminator are already in place.
    if (n - i == 1) {
        const unsigned b0 = data[i];
        out[0] = alphabet[b0 >> 2];
        out[1] = alphabet[(b0 & 3) << 4];
    } else if (n - i == 2) {
        const unsigned b0 = data[i], b1 = data[i + 1];
        out[0] = alphabet[b0 >> 2];
        out[1] = alphabet[((b0 & 3) << 4) | (b1 >> 4)];
        out[2] = alphabet[(b1 & 15) << 2];
    }

    if (lineLength == 0)
        return plain;
    std::string lines(total + total / lineLength, '\n');
    char* to = lines.data();
    for (std::size_t pos = 0; pos < total; pos += lineLength) {
        const std::size_t run = std::min(lineLength, total - pos);
        std::copy_n(plain.data() + pos, run, to);
        to += run + 1; // the LF after a complete run is already there
    }
    return lines;
}

Bytes DecodeBase64(std::string_view text)
{
    Bytes out;
    out.reserve(text.size() / 4 * 3 + 2);
    unsigned group = 0;
    int count = 0;
    for (const char ch : text) {
        if (ch == '\0' || ch == '=')
            break;
        const int value = kDecode[static_cast<unsigned char>(ch)];
        if (value < 0)
            continue;
        group = (group << 6) | static_cast<unsigned>(value);
        if (++count == 4) {
            out.push_back(static_cast<std::uint8_t>(group >> 16));
            out.push_back(static_cast<std::uint8_t>(group >> 8));
            out.push_back(static_cast<std::uint8_t>(group));
            group = 0;
            count = 0;
        }
    }
    if (count == 2) {
        out.push_back(static_cast<std::uint8_t>(group >> 4));
    } else if (count == 3) {
        out.push_back(static_cast<std::uint8_t>(group >> 10));
        out.push_back(static_cast<std::uint8_t>(group >> 2));
    }
    return out;
}

bool IsBase64Text(std::string_view text)
{
    for (const char ch : text) {
        if (ch == '\0' || ch == '=')
            break;
        if (kDecode[static_cast<unsigned char>(ch)] < 0 && ch != '\n' && ch != '\r' && ch != ' ' && ch != '\t')
            return false;
    }
    return true;
}

} // namespace qb
