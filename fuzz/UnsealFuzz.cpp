// Unsealing any bytes with a fixed key: refused or opened, and what opens seals and
// unseals back to the same plaintext.

#include "FuzzKeys.h"
#include "FuzzSupport.h"

#include "codec/BlockSealer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace qb;
    static const CAesCipher cipher = fuzz::MakeCipher(8);
    const CBlockSealer sealer(&cipher);
    const auto opened = sealer.Unseal(ByteView(data, size));
    if (!opened)
        return 0;
    fuzz::Require(opened->size() <= size, "a plaintext is never longer than its sealed buffer");
    const auto again = sealer.Seal(*opened);
    fuzz::Require(again.has_value(), "what unseals seals again");
    const auto back = sealer.Unseal(*again);
    fuzz::Require(back.has_value() && *back == *opened, "a resealed plaintext opens unchanged");
    return 0;
}
