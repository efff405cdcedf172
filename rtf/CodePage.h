#pragma once
// Decodes the 8-bit text of RTF through Windows code pages, single- and double-byte,
// with glibc's iconv. Each single-byte page is turned into a 256-entry table once.

#include <QString>

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>

namespace qb::rtf {

// The code page of a font's \fcharset; 0 when the charset means "the document's".
int CodePageOfCharset(int charset);
bool IsDoubleByteCodePage(int codePage);
bool IsLeadByte(int codePage, unsigned char byte);

class CodePageDecoder {
public:
    CodePageDecoder();
    ~CodePageDecoder();
    CodePageDecoder(const CodePageDecoder&) = delete;
    CodePageDecoder& operator=(const CodePageDecoder&) = delete;

    // Appends the text of one byte (single-byte pages) to out.
    void AppendByte(int codePage, unsigned char byte, QString& out);
    // Appends the text of a lead and trail byte of a double-byte page.
    void AppendPair(int codePage, unsigned char lead, unsigned char trail, QString& out);
    // One byte of code page 1252, or -1 when the character is not in it: for the writer.
    static int Cp1252Byte(char16_t ch);

private:
    struct Table;
    const Table& TableFor(int codePage);
    std::unordered_map<int, std::unique_ptr<Table>> m_tables;
    std::unordered_map<int, void*> m_converters; // iconv_t per double-byte page
};

} // namespace qb::rtf
