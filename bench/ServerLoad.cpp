// A small HTTP load tool: N clients, each on its own keep-alive connection, send the same
// request for a fixed time; reports requests per second and latency percentiles.
//   server_load --url URL [--body-file FILE] [--clients N] [--seconds S] [--expect TEXT]

#include <curl/curl.h>

#include <algorithm>
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
    std::string url, body, expect;
    bool post = false;
    int clients = 1;
    double seconds = 5;
};

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
            options.body.assign(std::istreambuf_iterator<char>(in), {});
            options.post = true;
        } else if (arg == "--clients") {
            options.clients = std::stoi(value);
        } else if (arg == "--seconds") {
            options.seconds = std::stod(value);
        } else if (arg == "--expect") {
            options.expect = value;
        }
    }
    if (options.url.empty()) {
        std::fprintf(stderr, "usage: server_load --url URL [--body-file FILE] [--clients N] [--seconds S]\n");
        return 2;
    }
    curl_global_init(CURL_GLOBAL_DEFAULT);
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(options.seconds);
    std::mutex mutex;
    std::vector<double> latencies;
    std::atomic<long> failures = 0;
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
            if (options.post) {
                curl_easy_setopt(curl, CURLOPT_POSTFIELDS, options.body.data());
                curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(options.body.size()));
            }
            std::vector<double> mine;
            long failed = 0;
            while (std::chrono::steady_clock::now() < end) {
                reply.clear();
                const auto start = std::chrono::steady_clock::now();
                const CURLcode code = curl_easy_perform(curl);
                const auto stop = std::chrono::steady_clock::now();
                long status = 0;
                curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
                if (code != CURLE_OK || status != 200 || reply.compare(0, options.expect.size(), options.expect) != 0)
                    ++failed;
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
    std::sort(latencies.begin(), latencies.end());
    auto percentile = [&](double p) {
        return latencies.empty() ? 0.0 : latencies[std::min(latencies.size() - 1, static_cast<std::size_t>(p * latencies.size()))];
    };
    std::printf("clients=%d requests=%zu failures=%ld rps=%.0f p50=%.2fms p99=%.2fms\n", options.clients,
                latencies.size(), failures.load(), latencies.size() / options.seconds, percentile(0.5),
                percentile(0.99));
    curl_global_cleanup();
    return failures.load() == 0 ? 0 : 1;
}
