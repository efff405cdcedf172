#include "TlsFront.h"

#include "FreePort.h"

#include <arpa/inet.h>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace qb::testing {
namespace {

bool Accepts(int port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    const bool connected = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return connected;
}

bool Run(const std::string& command)
{
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

} // namespace

TlsFront::TlsFront(int backendPort)
{
    if (!MakeCertificates())
        m_error = "openssl could not make the test certificates";
    else if (!Launch(backendPort))
        m_port = 0;
}

TlsFront::~TlsFront()
{
    if (m_pid > 0) {
        ::kill(m_pid, SIGTERM);
        ::waitpid(m_pid, nullptr, 0);
    }
}

bool TlsFront::MakeCertificates()
{
    const std::string dir = m_dir.path.string();
    const auto authority = [&](const std::string& name, const std::string& subject) {
        return Run("openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj '/CN=" + subject + "' -keyout '" + dir
                   + "/" + name + "-key.pem' -out '" + dir + "/" + name + ".pem'");
    };
    std::ofstream(m_dir.path / "san.cnf") << "subjectAltName=DNS:localhost,IP:127.0.0.1\n";
    return authority("ca", "Quillbox Test Authority") && authority("other-ca", "Somebody Else")
        && Run("openssl req -newkey rsa:2048 -nodes -subj '/CN=localhost' -keyout '" + dir + "/front-key.pem' -out '"
               + dir + "/front.csr'")
        && Run("openssl x509 -req -days 2 -in '" + dir + "/front.csr' -CA '" + dir + "/ca.pem' -CAkey '" + dir
               + "/ca-key.pem' -CAcreateserial -extfile '" + dir + "/san.cnf' -out '" + dir + "/front.pem'");
}

bool TlsFront::Launch(int backendPort)
{
    const std::string dir = m_dir.path.string();
    const int port = FreePort();
    std::ofstream conf(m_dir.path / "nginx.conf");
    // As root, nginx would hand its workers to "nobody", who cannot read the test's folder.
    if (::geteuid() == 0)
        conf << "user root;\n";
    conf << "daemon off;\nworker_processes 1;\npid " << dir << "/nginx.pid;\nerror_log " << dir << "/error.log;\n"
         << "events { worker_connections 64; }\n"
         << "http {\n  access_log off;\n  client_body_temp_path " << dir << "/body;\n"
         << "  proxy_temp_path " << dir << "/proxy;\n"
         << "  server {\n    listen 127.0.0.1:" << port << " ssl;\n"
         << "    ssl_certificate " << dir << "/front.pem;\n    ssl_certificate_key " << dir << "/front-key.pem;\n"
         << "    location / { proxy_pass http://127.0.0.1:" << backendPort << "; proxy_http_version 1.1; }\n"
         << "  }\n}\n";
    conf.close();

    const std::string confPath = dir + "/nginx.conf";
    m_pid = ::fork();
    if (m_pid == 0) {
        ::execlp("nginx", "nginx", "-p", dir.c_str(), "-c", confPath.c_str(), "-e", (dir + "/error.log").c_str(),
                 static_cast<char*>(nullptr));
        ::_exit(127);
    }
    if (m_pid < 0) {
        m_error = "cannot start nginx";
        return false;
    }
    for (int tries = 0; tries < 200; ++tries) {
        if (Accepts(port)) {
            m_port = port;
            return true;
        }
        if (::waitpid(m_pid, nullptr, WNOHANG) == m_pid) {
            m_pid = -1;
            m_error = "nginx stopped; see " + dir + "/error.log";
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    m_error = "nginx did not start listening";
    return false;
}

} // namespace qb::testing
