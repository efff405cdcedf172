// Envelope text from the server: read it (key name included), then open it with a held key.
// Reading with and without a holder agrees.

#include "FuzzKeys.h"
#include "FuzzSupport.h"

#include "codec/CipherEnvelope.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace qb;
    const std::string_view text = fuzz::Text(data, size);
    CCipherEnvelope holder;
    holder.SetOpenKey(fuzz::kKeyText);
    const auto read = holder.ReadEnvelope(text);
    const auto decoded = DecodeEnvelope(text);
    fuzz::Require(read.has_value() == decoded.has_value(), "both readers agree");
    if (!read)
        return 0;
    fuzz::Require(*read == decoded->bytes && holder.LastKeyName() == decoded->keyName, "both readers agree");
    fuzz::Require(holder.LastKeyName().size() <= kKeyNameMax, "a key name is at most 15 characters");
    if (const auto opened = holder.OpenEnvelope(*read))
        fuzz::Require(opened->size() < read->size(), "a document is shorter than its envelope");
    // The decoded bytes straight from the input as well: no text decoding in the way.
    static_cast<void>(holder.OpenEnvelope(ByteView(data, size)));
    return 0;
}
