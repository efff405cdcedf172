// A small HTTP load tool: N clients, each on its own keep-alive connection, send the same
// request for a fixed time; reports requests per second and latency percentiles. It can
// hold idle connections and slow ones (a request header sent one byte a second) open
// against the server meanwhile, opening them again when the server closes them.
//   server_load --url URL [--body-file FILE] [--clients N] [--seconds S] [--expect TEXT]
//               [--timeout S] [--hold-idle N] [--hold-slow N]
// --body-file given more than once: each client sends the bodies in turn (saves that
// change the note each time, as real ones do).

#include <curl/curl.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

std::size_t Collect(char* data, std::size_t size, std::size_t count, void* user)
{
    static_cast<std::string*>(user)->append(data, size * count);
    return size * count;
}

struct Options {
    std::string url, expect;
    std::vector<std::string> bodies;
    bool post = false;
    int clients = 1;
    double seconds = 5;
    double timeout = 10; // a request taking longer counts as failed
    int holdIdle = 0;
    int holdSlow = 0;
};

// Idle and slow connections to the server's port, kept open until Stop.
class Holder {
public:
    Holder(int port, int idle, int slow) : m_port(port), m_idle(idle), m_slow(slow) {}
    ~Holder() { Stop(); }

    void Start()
    {
        for (int i = 0; i < m_idle + m_slow; ++i)
            m_fds.push_back(Connect());
        m_sent.assign(m_fds.size(), 0);
        m_thread = std::thread([this] { Run(); });
    }
    void Stop()
    {
        m_done = true;
        if (m_thread.joinable())
            m_thread.join();
        for (const int fd : m_fds) {
            if (fd >= 0)
                ::close(fd);
        }
        m_fds.clear();
    }
    long Reopened() const { return m_reopened; }

private:
    int Connect() const
    {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(static_cast<std::uint16_t>(m_port));
        if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            ::close(fd);
            return -1;
        }
        return fd;
    }
    bool Closed(int fd) const
    {
        char byte;
        const ssize_t got = ::recv(fd, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
        return got == 0 || (got < 0 && errno != EAGAIN && errno != EWOULDBLOCK);
    }
    void Run()
    {
        static const std::string header = "POST /Buffer/Buffer0000/bin/qbdir.pl HTTP/1.1\r\nHost: 127.0.0.1\r\n"
                                           "Content-Length: 1000\r\nX-Padding: " + std::string(2000, 'x');
        while (!m_done) {
            for (std::size_t i = 0; i < m_fds.size(); ++i) {
                const bool slow = i >= static_cast<std::size_t>(m_idle);
                bool closed = m_fds[i] < 0 || Closed(m_fds[i]);
                if (!closed && slow) {
                    const char byte = header[m_sent[i] % header.size()];
                    closed = ::send(m_fds[i], &byte, 1, MSG_NOSIGNAL) != 1;
                    ++m_sent[i];
                }
                if (closed) {
                    if (m_fds[i] >= 0)
                        ::close(m_fds[i]);
                    m_fds[i] = Connect();
                    m_sent[i] = 0;
                    ++m_reopened;
                }
            }
            for (int tick = 0; tick < 100 && !m_done; ++tick)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }

    const int m_port, m_idle, m_slow;
    std::vector<int> m_fds;
    std::vector<std::size_t> m_sent;
    std::atomic<bool> m_done = false;
    std::atomic<long> m_reopened = 0;
    std::thread m_thread;
};

int PortOf(const std::string& url)
{
    const auto hostStart = url.find("://");
    const auto colon = url.find(':', hostStart == std::string::npos ? 0 : hostStart + 3);
    return colon == std::string::npos ? 80 : std::atoi(url.c_str() + colon + 1);
}

} // namespace

int main(int argc, char** argv)
{
    Options options;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string arg = argv[i];
        const std::string value = argv[i + 1];
        if (arg == "--url") {
            options.url = value;
        } else if (arg == "--body-file") {
            std::ifstream in(value, std::ios::binary);
            options.bodies.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
            options.post = true;
        } else if (arg == "--clients") {
            options.clients = std::stoi(value);
        } else if (arg == "--seconds") {
            options.seconds = std::stod(value);
        } else if (arg == "--expect") {
            options.expect = value;
        } else if (arg == "--timeout") {
            options.timeout = std::stod(value);
        } else if (arg == "--hold-idle") {
            options.holdIdle = std::stoi(value);
        } else if (arg == "--hold-slow") {
            options.holdSlow = std::stoi(value);
        }
    }
    if (options.url.empty()) {
        std::fprintf(stderr, "usage: server_load --url URL [--body-file FILE] [--clients N] [--seconds S] [--expect TEXT]\n"
                             "                   [--timeout S] [--hold-idle N] [--hold-slow N]\n");
        return 2;
    }
    // Every client and held connection is an open file.
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0) {
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limit);
    }
    Holder holder(PortOf(options.url), options.holdIdle, options.holdSlow);
    if (options.holdIdle + options.holdSlow > 0)
        holder.Start();
    curl_global_init(CURL_GLOBAL_DEFAULT);
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(options.seconds);
    std::mutex mutex;
    std::vector<double> latencies;
    std::atomic<long> failures = 0;
    std::atomic<long> timeouts = 0;
    std::vector<std::thread> clients;
    for (int c = 0; c < options.clients; ++c) {
        clients.emplace_back([&] {
            CURL* curl = curl_easy_init();
            curl_slist* headers = curl_slist_append(nullptr, "Expect:");
            std::string reply;
            curl_easy_setopt(curl, CURLOPT_URL, options.url.c_str());
            curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
            curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Collect);
            curl_easy_setopt(curl, CURLOPT_WRITEDATA, &reply);
            curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
            curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, static_cast<long>(options.timeout * 1000));
            std::vector<double> mine;
            long failed = 0;
            for (std::size_t turn = 0; std::chrono::steady_clock::now() < end; ++turn) {
                if (options.post) {
                    const std::string& body = options.bodies[turn % options.bodies.size()];
                    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.data());
                    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
                }
                reply.clear();
                const auto start = std::chrono::steady_clock::now();
                const CURLcode code = curl_easy_perform(curl);
                const auto stop = std::chrono::steady_clock::now();
                long status = 0;
                curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
                if (code != CURLE_OK || status != 200 || reply.compare(0, options.expect.size(), options.expect) != 0)
                    ++failed;
                if (code == CURLE_OPERATION_TIMEDOUT)
                    ++timeouts;
                mine.push_back(std::chrono::duration<double, std::milli>(stop - start).count());
            }
            curl_slist_free_all(headers);
            curl_easy_cleanup(curl);
            failures += failed;
            std::lock_guard lock(mutex);
            latencies.insert(latencies.end(), mine.begin(), mine.end());
        });
    }
    for (auto& client : clients)
        client.join();
    holder.Stop();
    std::sort(latencies.begin(), latencies.end());
    auto percentile = [&](double p) {
        return latencies.empty() ? 0.0 : latencies[std::min(latencies.size() - 1, static_cast<std::size_t>(p * latencies.size()))];
    };
    std::printf("clients=%d requests=%zu failures=%ld timeouts=%ld rps=%.0f p50=%.2fms p99=%.2fms max=%.2fms",
                options.clients, latencies.size(), failures.load(), timeouts.load(), latencies.size() / options.seconds,
                percentile(0.5), percentile(0.99), latencies.empty() ? 0.0 : latencies.back());
    if (options.holdIdle + options.holdSlow > 0)
        std::printf(" held=%d+%d reopened=%ld", options.holdIdle, options.holdSlow, holder.Reopened());
    std::printf("\n");
    curl_global_cleanup();
    return failures.load() == 0 ? 0 : 1;
}
