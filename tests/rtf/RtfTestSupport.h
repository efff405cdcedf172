#pragma once
// Small helpers to read RTF and look at the document that comes out.

#include "rtf/RtfReader.h"

#include <QSize>
#include <QTextCharFormat>
#include <QTextDocument>

#include <memory>
#include <string>
#include <vector>

namespace qb::testing {

struct ReadDocument {
    std::unique_ptr<QTextDocument> doc = std::make_unique<QTextDocument>();
    rtf::ReadStatus status = rtf::ReadStatus::Ok;
    // The text with paragraphs as "\n", every other character as it is.
    std::string Text() const { return doc->toRawText().replace(QChar::ParagraphSeparator, QLatin1Char('\n')).toStdString(); }
    // The character format at the first character of needle; fails the test when absent.
    QTextCharFormat FormatOf(const std::string& needle) const;
    QTextBlockFormat BlockOf(const std::string& needle) const;
    std::vector<std::string> Blocks() const; // top-level paragraphs' text, in order
};

ReadDocument Read(const std::string& rtf);
// Wraps a body in a minimal header: "{\rtf1\ansi\deff0{\fonttbl{\f0 Arial;}} BODY}".
std::string Rtf(const std::string& body, const std::string& fonts = "{\\f0 Arial;}");
std::string Hex(const QByteArray& bytes);
// A red picture of the given size, encoded in format ("PNG", "JPEG", "BMP").
QByteArray EncodedImage(const char* format, QSize size = QSize(4, 3));
std::string ReadFile(const std::string& path);

} // namespace qb::testing
