#pragma once
// A TLS reverse proxy in front of a plain HTTP server on loopback, as a deployment puts one:
// nginx with a certificate for "localhost" and 127.0.0.1, signed by a certificate authority
// made for the test. A second, unrelated authority is made too, for clients that must not
// trust the front.

#include "TempDir.h"

#include <string>
#include <sys/types.h>

namespace qb::testing {

class TlsFront {
public:
    // Starts the front for the backend's port; Port() is 0 when it could not start (the
    // reason is in Error()).
    explicit TlsFront(int backendPort);
    ~TlsFront();
    TlsFront(const TlsFront&) = delete;
    TlsFront& operator=(const TlsFront&) = delete;

    int Port() const { return m_port; }
    const std::string& Error() const { return m_error; }
    // PEM files of the authority that signed the front's certificate, and of one that did not.
    std::string AuthorityFile() const { return (m_dir.path / "ca.pem").string(); }
    std::string StrangerAuthorityFile() const { return (m_dir.path / "other-ca.pem").string(); }

private:
    bool MakeCertificates();
    bool Launch(int backendPort);

    TempDir m_dir;
    pid_t m_pid = -1;
    int m_port = 0;
    std::string m_error;
};

} // namespace qb::testing
