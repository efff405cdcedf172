#include "SecureWipe.h"

#include <string.h>

namespace qb {

void SecureWipe(void* data, std::size_t size) noexcept
{
    if (data && size)
        explicit_bzero(data, size);
}

} // namespace qb
