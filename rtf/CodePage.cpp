#include "CodePage.h"

#include <array>
#include <string>

#include <iconv.h>

namespace qb::rtf {
namespace {

std::string IconvName(int codePage)
{
    switch (codePage) {
    case 10000: return "MACINTOSH";
    case 1361: return "JOHAB";
    case 20127: return "ASCII";
    case 28591: return "ISO-8859-1";
    case 65001: return "UTF-8";
    default: return "CP" + std::to_string(codePage);
    }
}

// One character of a code page through iconv; U+FFFD when it has none.
QString Convert(iconv_t cd, const char* bytes, std::size_t length)
{
    char16_t out[4] = {};
    char* in = const_cast<char*>(bytes);
    std::size_t inLeft = length;
    char* to = reinterpret_cast<char*>(out);
    std::size_t outLeft = sizeof out;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &in, &inLeft, &to, &outLeft) == static_cast<std::size_t>(-1) || inLeft != 0)
        return QString(QChar(0xFFFD));
    return QString(reinterpret_cast<const QChar*>(out), static_cast<qsizetype>((sizeof out - outLeft) / 2));
}

iconv_t Open(int codePage)
{
    return iconv_open("UTF-16LE", IconvName(codePage).c_str());
}

} // namespace

int CodePageOfCharset(int charset)
{
    switch (charset) {
    case 0: return 0; // ANSI: the document's code page
    case 1: return 0; // default
    case 2: return 1252; // symbol fonts: bytes shown as they are
    case 77: return 10000;
    case 128: return 932;
    case 129: return 949;
    case 130: return 1361;
    case 134: return 936;
    case 136: return 950;
    case 161: return 1253;
    case 162: return 1254;
    case 163: return 1258;
    case 177: return 1255;
    case 178: return 1256;
    case 186: return 1257;
    case 204: return 1251;
    case 222: return 874;
    case 238: return 1250;
    case 254: return 437;
    case 255: return 850;
    default: return 0;
    }
}

bool IsDoubleByteCodePage(int codePage)
{
    return codePage == 932 || codePage == 936 || codePage == 949 || codePage == 950 || codePage == 1361;
}

bool IsLeadByte(int codePage, unsigned char b)
{
    switch (codePage) {
    case 932: return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
    case 936:
    case 949:
    case 950: return b >= 0x81 && b <= 0xFE;
    case 1361: return (b >= 0x84 && b <= 0xD3) || (b >= 0xD8 && b <= 0xDE) || (b >= 0xE0 && b <= 0xF9);
    default: return false;
    }
}

struct CodePageDecoder::Table {
    std::array<char16_t, 256> chars{};
};

CodePageDecoder::CodePageDecoder() = default;

CodePageDecoder::~CodePageDecoder()
{
    for (auto& [page, cd] : m_converters) {
        if (cd != reinterpret_cast<void*>(-1))
            iconv_close(static_cast<iconv_t>(cd));
    }
}

const CodePageDecoder::Table& CodePageDecoder::TableFor(int codePage)
{
    auto it = m_tables.find(codePage);
    if (it != m_tables.end())
        return *it->second;
    auto table = std::make_unique<Table>();
    const iconv_t cd = Open(codePage);
    for (int b = 0; b < 256; ++b) {
        table->chars[static_cast<std::size_t>(b)] = static_cast<char16_t>(b); // Latin-1 when iconv has no page
        if (b >= 0x80 && cd != reinterpret_cast<iconv_t>(-1)) {
            const char byte = static_cast<char>(b);
            const QString text = Convert(cd, &byte, 1);
            table->chars[static_cast<std::size_t>(b)] = text.isEmpty() ? u'\uFFFD' : text[0].unicode();
        }
    }
    if (cd != reinterpret_cast<iconv_t>(-1))
        iconv_close(cd);
    return *m_tables.emplace(codePage, std::move(table)).first->second;
}

void CodePageDecoder::AppendByte(int codePage, unsigned char byte, QString& out)
{
    if (byte < 0x80) {
        out += QChar(byte);
        return;
    }
    out += QChar(TableFor(codePage).chars[byte]);
}

void CodePageDecoder::AppendPair(int codePage, unsigned char lead, unsigned char trail, QString& out)
{
    auto it = m_converters.find(codePage);
    if (it == m_converters.end())
        it = m_converters.emplace(codePage, reinterpret_cast<void*>(Open(codePage))).first;
    if (it->second == reinterpret_cast<void*>(-1)) {
        out += QChar(0xFFFD);
        return;
    }
    const char bytes[2] = {static_cast<char>(lead), static_cast<char>(trail)};
    out += Convert(static_cast<iconv_t>(it->second), bytes, 2);
}

int CodePageDecoder::Cp1252Byte(char16_t ch)
{
    if (ch < 0x80 || (ch >= 0xA0 && ch <= 0xFF))
        return ch;
    // The 0x80-0x9F row of code page 1252.
    static constexpr char16_t kRow[32] = {0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                          0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0, 0x017D, 0,
                                          0, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                          0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E, 0x0178};
    for (int i = 0; i < 32; ++i) {
        if (kRow[i] == ch)
            return 0x80 + i;
    }
    return -1;
}

} // namespace qb::rtf
