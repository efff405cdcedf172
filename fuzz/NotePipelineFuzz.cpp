// A note the way the editor opens it: read the envelope text, open it with the key, unpack
// the document and read its RTF. The first byte picks what the rest is, so that the deeper
// steps are reached without the fuzzer having to guess a key:
//   0: note text from the server;
//   1: a packed block, sealed here with the key, then opened as note text;
//   2: an RTF document, stored as a note here; it must open unchanged.

#include "FuzzGui.h"
#include "FuzzKeys.h"
#include "FuzzSupport.h"

#include "codec/Note.h"
#include "rtf/RtfReader.h"

#include <QTextDocument>

namespace {

using qb::fuzz::kKeyName;
using qb::fuzz::kKeyText;

void ReadDocument(const qb::Bytes& rtf)
{
    QTextDocument document;
    static_cast<void>(qb::rtf::ReadRtf(qb::AsText(rtf), document));
}

void OpenAndRead(std::string_view text)
{
    if (const auto document = qb::OpenNote(text, kKeyText))
        ReadDocument(*document);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    qb::fuzz::StartGuiApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace qb;
    if (size == 0)
        return 0;
    const ByteView rest(data + 1, size - 1);
    switch (data[0] % 3) {
    case 0: OpenAndRead(AsText(rest)); break;
    case 1: {
        CCipherEnvelope holder;
        holder.SetSaveKey(kKeyName, kKeyText);
        if (const auto text = holder.Wrap(rest))
            OpenAndRead(*text);
        break;
    }
    default: {
        const auto text = WrapNote(rest, kKeyText, kKeyName);
        if (!text)
            break;
        const auto document = OpenNote(*text, kKeyText);
        fuzz::Require(document.has_value() && *document == Bytes(rest.begin(), rest.end()),
                      "a stored note opens unchanged");
        ReadDocument(*document);
        break;
    }
    }
    return 0;
}
