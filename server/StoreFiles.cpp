#include "StoreFiles.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <system_error>

namespace qb::server {
namespace {

[[noreturn]] void FailErrno(const std::string& what, const std::filesystem::path& path)
{
    throw std::runtime_error(what + " " + path.string() + ": " + std::strerror(errno));
}

void CreatePrivateFolders(const std::filesystem::path& folder)
{
    std::error_code error;
    if (folder.empty() || std::filesystem::exists(folder, error))
        return;
    CreatePrivateFolders(folder.parent_path());
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        FailErrno("cannot create the folder", folder);
}

// Opens (creating with 0600 when missing) and returns the descriptor; the mode is set
// explicitly because the process umask may be wider or narrower than we want.
int OpenPrivate(const std::filesystem::path& file)
{
    const int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) {
        ::fchmod(fd, 0600);
        return fd;
    }
    if (errno != EEXIST)
        FailErrno("cannot create", file);
    const int existing = ::open(file.c_str(), O_RDWR | O_CLOEXEC);
    if (existing < 0)
        FailErrno("cannot open", file);
    return existing;
}

} // namespace

void CreatePrivateFile(const std::filesystem::path& file)
{
    CreatePrivateFolders(file.parent_path());
    ::close(OpenPrivate(file));
}

ExclusiveFileLock::ExclusiveFileLock(const std::filesystem::path& file, const std::string& inUse)
{
    CreatePrivateFolders(file.parent_path());
    m_fd = OpenPrivate(file);
    if (::flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(m_fd);
        if (error == EWOULDBLOCK)
            throw std::runtime_error(inUse);
        errno = error;
        FailErrno("cannot lock", file);
    }
}

ExclusiveFileLock::~ExclusiveFileLock()
{
    ::close(m_fd); // releases the lock
}

StorageReserve::StorageReserve(std::filesystem::path file, std::int64_t bytes) : m_file(std::move(file)), m_bytes(bytes)
{
    if (m_bytes > 0) {
        struct stat info {};
        m_present = ::stat(m_file.c_str(), &info) == 0 && info.st_size >= m_bytes;
    }
}

void StorageReserve::Release()
{
    if (m_bytes > 0) {
        ::unlink(m_file.c_str());
        m_present = false;
    }
}

bool StorageReserve::Restore()
{
    if (m_bytes <= 0 || m_present)
        return true;
    struct statvfs fs {};
    if (::statvfs(m_file.parent_path().empty() ? "." : m_file.parent_path().c_str(), &fs) != 0)
        return false;
    const auto free = static_cast<long double>(fs.f_bavail) * static_cast<long double>(fs.f_frsize);
    if (free < 2.0L * static_cast<long double>(m_bytes))
        return false;
    const int fd = ::open(m_file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    ::fchmod(fd, 0600);
    // Blocks really allocated, not a sparse file, or giving it back would free nothing.
    const bool made = ::posix_fallocate(fd, 0, m_bytes) == 0 && ::fsync(fd) == 0;
    ::close(fd);
    if (!made)
        ::unlink(m_file.c_str());
    m_present = made;
    return made;
}

} // namespace qb::server
