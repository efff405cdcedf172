// Base64 decoding of any text: never fails, never grows, and what it yields encodes and
// decodes back unchanged.

#include "FuzzSupport.h"

#include "codec/Base64.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace qb;
    const std::string_view text = fuzz::Text(data, size);
    const Bytes decoded = DecodeBase64(text);
    fuzz::Require(decoded.size() <= size, "decoding never yields more bytes than characters");
    static_cast<void>(IsBase64Text(text));
    const std::string encoded = EncodeBase64(decoded, 72);
    fuzz::Require(IsBase64Text(encoded), "encoder output is Base64 text");
    fuzz::Require(DecodeBase64(encoded) == decoded, "decoded bytes survive a round trip");
    return 0;
}
