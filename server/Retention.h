#pragma once
// How long the server keeps what a save replaced (versions) and what a delete took (the
// trash), and the background pruning that holds it to that. Pruning works in small
// transactions, so a request waits at most for one batch.

#include "NoteStore.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

namespace qb::server {

struct RetentionOptions {
    std::int64_t versionsPerNote = 50;
    std::int64_t maxAgeSeconds = 30 * 24 * 3600; // of versions and of trash entries
    // What one account's versions and trash may hold together; the oldest go first.
    std::int64_t accountBytes = std::int64_t{256} << 20;

    // Any limit of 0 keeps nothing: a save replaces, a delete erases.
    bool KeepsVersions() const { return versionsPerNote > 0 && KeepsTrash(); }
    bool KeepsTrash() const { return maxAgeSeconds > 0 && accountBytes > 0; }
};

class Retention {
public:
    using Clock = std::function<std::int64_t()>;
    Retention(INoteStore& store, RetentionOptions options, Clock clock);

    // One transaction per rule, each doing at most batch rows' work (a trash entry counts
    // as one, whatever it holds). True when a rule may have more to do.
    bool PruneBatch(int batch = kBatch);
    // Batches until nothing is left to prune.
    void PruneAll();

    static constexpr int kBatch = 64;

private:
    INoteStore& m_store;
    RetentionOptions m_options;
    Clock m_clock;
};

// Runs Retention on a thread of its own: a round every interval, a short pause between
// batches so that requests get the write lock in between.
class RetentionThread {
public:
    RetentionThread(Retention& retention, std::chrono::milliseconds interval = std::chrono::minutes(1),
                    std::chrono::milliseconds pause = std::chrono::milliseconds(20));
    ~RetentionThread();
    RetentionThread(const RetentionThread&) = delete;
    RetentionThread& operator=(const RetentionThread&) = delete;

private:
    void Loop();
    // Waits for the given time; false once stopping.
    bool Wait(std::chrono::milliseconds time);

    Retention& m_retention;
    std::chrono::milliseconds m_interval;
    std::chrono::milliseconds m_pause;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stop = false;
    std::thread m_thread;
};

} // namespace qb::server
