// Unpacking any bytes: refused, or exactly the length the header declares.

#include "FuzzSupport.h"

#include "codec/PackedBlock.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace qb;
    const auto unpacked = UnpackBlock(ByteView(data, size));
    if (!unpacked)
        return 0;
    fuzz::Require(size >= 8 && unpacked->size() == GetBigEndian32(data + 4), "the declared length is kept");
    return 0;
}
