#pragma once
// The files around the database: its folder and files made readable by their owner only,
// the lock that keeps a second server off the database, and the reserve handed back to the
// disk when it fills so that deletes can still commit.

#include <cstdint>
#include <filesystem>
#include <string>

namespace qb::server {

// Creates the missing folders above file (0700 each) and the file itself (0600) when it is
// missing; an existing file or folder keeps its mode. SQLite gives the -wal and -shm files
// the mode of the database file, so they follow. Throws std::runtime_error.
void CreatePrivateFile(const std::filesystem::path& file);

// An exclusive lock on a file, held while this object lives.
class ExclusiveFileLock {
public:
    // Throws std::runtime_error when another holds the lock (message: inUse) or the file
    // cannot be made.
    ExclusiveFileLock(const std::filesystem::path& file, const std::string& inUse);
    ~ExclusiveFileLock();
    ExclusiveFileLock(const ExclusiveFileLock&) = delete;
    ExclusiveFileLock& operator=(const ExclusiveFileLock&) = delete;

private:
    int m_fd = -1;
};

// A file of a fixed size held as spare room on the database's filesystem.
class StorageReserve {
public:
    StorageReserve(std::filesystem::path file, std::int64_t bytes);
    // Removes the file, giving its room back.
    void Release();
    // Makes the file again once the filesystem has room for it twice over (so that the room
    // came back, not just the last few free blocks). True when the reserve is in place;
    // always true for a reserve of zero bytes.
    bool Restore();

private:
    std::filesystem::path m_file;
    std::int64_t m_bytes;
    bool m_present = false;
};

} // namespace qb::server
