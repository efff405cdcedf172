// Any bytes as RTF: the reader gives the best document it can. What it reads is written
// back and read again, so the writer meets every document the reader can make, and must
// keep its text.

#include "FuzzGui.h"
#include "FuzzSupport.h"

#include "rtf/RtfReader.h"
#include "rtf/RtfWriter.h"

#include <QTextDocument>

#include <string>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    qb::fuzz::StartGuiApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace qb;
    QTextDocument document;
    const rtf::ReadStatus status = rtf::ReadRtf(fuzz::Text(data, size), document);
    if (status == rtf::ReadStatus::NotRtf) {
        fuzz::Require(document.isEmpty(), "a refused input leaves the document empty");
        return 0;
    }
    std::string written;
    const auto result = rtf::WriteRtf(document, [&](std::string_view piece) {
        written += piece;
        return true;
    });
    fuzz::Require(result.sinkAccepted, "the sink took every piece");
    QTextDocument again;
    fuzz::Require(rtf::ReadRtf(written, again) == rtf::ReadStatus::Ok, "written RTF reads back whole");
    fuzz::Require(again.toPlainText() == document.toPlainText(), "written RTF keeps the text");
    return 0;
}
