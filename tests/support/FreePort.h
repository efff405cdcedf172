#pragma once
// A loopback port nothing listens on just now. Another process may still take it before
// the caller binds, so a caller that starts a server on it tries again with another.

namespace qb::testing {

int FreePort();

} // namespace qb::testing
