#include "output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <mutex>
#include <set>

namespace gdip::codecs {
namespace {

GpStatus statusOfErrno(int error) {
    switch (error) {
        case ENOENT:
        case ENOTDIR: return FileNotFound;
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR: return AccessDenied;
        case ENOSPC: return InsufficientBuffer;
        default: return Win32Error;
    }
}

mode_t currentUmask() {
    const mode_t mask = umask(0);
    umask(mask);
    return mask;
}

// A name that is a symbolic link stands for the file it points to: that file is replaced,
// and the link stays a link. A link that points nowhere names the file to create.
std::string followLinks(const std::string& path) {
    std::string current = path;
    for (int hop = 0; hop < 40; ++hop) {
        struct stat info {};
        if (lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return current;
        std::error_code error;
        const std::filesystem::path target = std::filesystem::read_symlink(current, error);
        if (error) return current;
        current = target.is_absolute()
                      ? target.string()
                      : (std::filesystem::path(current).parent_path() / target).string();
    }
    return current;  // a loop: the rename fails the way opening it would
}

// This machine, in eight letters: a folder on a network disk is shared with processes whose
// ids say nothing here.
std::string machineTag() {
    char host[256] = {};
    (void)gethostname(host, sizeof host - 1);
    uint32_t hash = 2166136261u;  // FNV-1a
    for (const char* c = host; *c; ++c) hash = (hash ^ static_cast<uint8_t>(*c)) * 16777619u;
    char tag[9];
    std::snprintf(tag, sizeof tag, "%08x", hash);
    return tag;
}

// Removes the hidden files that processes of this machine which are gone (killed while
// writing) left in `folder`, once per folder and process. Where the file system has
// unnamed files there are none but those killed in the instant of naming one.
void removeLeftovers(const std::filesystem::path& folder) {
    static std::mutex lock;
    static std::set<std::string> swept;
    {
        const std::lock_guard<std::mutex> guard(lock);
        if (!swept.insert(folder.string()).second) return;
    }
    const std::string mine = std::string(".orvelle-") + machineTag() + "-";
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        if (name.compare(0, mine.size(), mine) != 0) continue;
        char* end = nullptr;
        const long pid = std::strtol(name.c_str() + mine.size(), &end, 10);
        if (pid <= 0 || *end != '-' || pid == getpid()) continue;
        if (::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) (void)::unlink(entry.path().c_str());
    }
}

// A hidden name in `folder` that no file has yet; each try is a new random name.
std::string freshTemporaryName(const std::filesystem::path& folder, unsigned attempt) {
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::string name = temporaryNamePrefix(getpid()) + "XXXXXX";
    uint64_t seed = (static_cast<uint64_t>(getpid()) << 32) ^ reinterpret_cast<uintptr_t>(&name) ^ attempt;
    seed ^= static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    for (char& c : name)
        if (c == 'X') {
            seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
            c = kLetters[(seed >> 33) % (sizeof kLetters - 1)];
        }
    return (folder / name).string();
}

// Flushes a folder's entries to the disk: a renamed file survives a power cut.
void syncFolder(const std::filesystem::path& folder) {
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    (void)::fsync(fd);
    ::close(fd);
}

}  // namespace

std::string temporaryNamePrefix(int pid) {
    // Short, so that every destination name the file system accepts (up to its 255-byte
    // limit) can be written beside it.
    return ".orvelle-" + machineTag() + "-" + std::to_string(pid) + "-";
}

OutputFile::~OutputFile() { abandon(); }

int OutputFile::descriptor() const { return m_stream ? fileno(m_stream) : -1; }

GpStatus OutputFile::create(const std::string& destination) {
    abandon();
    if (destination.empty() || destination.back() == '/') return InvalidParameter;
    const std::string resolved = followLinks(destination);
    const std::filesystem::path target(resolved);
    struct stat existing {};
    const bool exists = stat(resolved.c_str(), &existing) == 0;
    if (exists && !S_ISREG(existing.st_mode)) return AccessDenied;
    const std::filesystem::path folder =
        target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
    removeLeftovers(folder);
    // No name until it is complete; file systems without unnamed files get a hidden one, and
    // so does a system without /proc, through which an unnamed file is given its name.
    std::string temporary;
    static const bool canNameUnnamedFiles = ::access("/proc/self/fd", X_OK) == 0;
    int fd = canNameUnnamedFiles ? ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600) : -1;
    if (fd < 0) {
        if (canNameUnnamedFiles && errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
            return statusOfErrno(errno);
        temporary = (folder / (temporaryNamePrefix(getpid()) + "XXXXXX")).string();
        fd = mkstemp(temporary.data());
        if (fd < 0) return statusOfErrno(errno);
    }
    if (exists) {
        // A replaced file keeps its owner and group as far as this user may set them (best
        // effort: a picture written under our own group is still a picture), then its
        // permission bits.
        if (fchown(fd, existing.st_uid, existing.st_gid) != 0)
            (void)!fchown(fd, static_cast<uid_t>(-1), existing.st_gid);
        fchmod(fd, existing.st_mode & 0777);
    } else {
        // The file was made private; a new picture gets the usual permissions.
        fchmod(fd, 0666 & ~currentUmask());
    }
    m_stream = fdopen(fd, "w+b");
    if (!m_stream) {
        ::close(fd);
        if (!temporary.empty()) ::unlink(temporary.c_str());
        return OutOfMemory;
    }
    m_given = destination;
    m_destination = resolved;
    m_temporary = temporary;
    return Ok;
}

void OutputFile::startWriteBack() {
    if (m_stream && std::fflush(m_stream) == 0)
        (void)::sync_file_range(fileno(m_stream), 0, 0, SYNC_FILE_RANGE_WRITE);
}

GpStatus OutputFile::commit() {
    if (!m_stream) return WrongState;
    const int fd = fileno(m_stream);
    bool written = std::fflush(m_stream) == 0 && std::ferror(m_stream) == 0;
    if (written && OutputBatch::take(*this)) return Ok;
    // The data is on the disk before the file replaces anything: a power cut leaves the old
    // file or the new one, never an empty one under the old name.
    const int syncError = written && ::fsync(fd) != 0 ? errno : 0;
    if (syncError != 0 && syncError != EINVAL && syncError != EROFS) written = false;
    const GpStatus placed = written ? place() : writeFailure();
    const bool closed = std::fclose(m_stream) == 0;
    m_stream = nullptr;
    if (placed != Ok) {
        if (!m_temporary.empty()) ::unlink(m_temporary.c_str());
        m_temporary.clear();
        return placed;
    }
    // The file is in place and was flushed; a close that still fails is reported, but the
    // file stays: the one it replaced is gone already.
    if (!closed) return Win32Error;
    m_temporary.clear();
    syncFolder(std::filesystem::path(m_destination).parent_path());
    return Ok;
}

// Gives the complete file the destination's name: an unnamed file is linked under a fresh
// hidden name first, since a link cannot replace a file and a rename can.
GpStatus OutputFile::place() {
    if (m_temporary.empty()) {
        const std::string self = "/proc/self/fd/" + std::to_string(fileno(m_stream));
        const std::filesystem::path folder = std::filesystem::path(m_destination).parent_path();
        for (unsigned attempt = 0; m_temporary.empty(); ++attempt) {
            const std::string name = freshTemporaryName(folder.empty() ? "." : folder, attempt);
            if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0)
                m_temporary = name;
            else if (errno != EEXIST || attempt > 100)
                return statusOfErrno(errno);
        }
    }
    if (::rename(m_temporary.c_str(), m_destination.c_str()) != 0) return statusOfErrno(errno);
    m_temporary.clear();
    return Ok;
}

GpStatus OutputFile::writeFailure() const {
    struct statvfs space {};
    if (m_stream && fstatvfs(fileno(m_stream), &space) == 0 && space.f_bavail == 0) return InsufficientBuffer;
    return Win32Error;
}

void OutputFile::abandon() {
    if (m_stream) std::fclose(m_stream);
    m_stream = nullptr;
    if (!m_temporary.empty()) ::unlink(m_temporary.c_str());
    m_temporary.clear();
}

namespace {

struct Batch {
    std::mutex lock;
    bool open = false;
    std::vector<std::unique_ptr<OutputFile>> pending;
};

Batch& batch() {
    static Batch instance;
    return instance;
}

}  // namespace

bool OutputBatch::open() {
    Batch& b = batch();
    const std::lock_guard<std::mutex> guard(b.lock);
    if (b.open) return false;
    b.open = true;
    return true;
}

bool OutputBatch::take(OutputFile& file) {
    Batch& b = batch();
    const std::lock_guard<std::mutex> guard(b.lock);
    if (!b.open) return false;
    // Its data starts for the disk now; settle() waits for all of it at once.
    (void)::sync_file_range(fileno(file.m_stream), 0, 0, SYNC_FILE_RANGE_WRITE);
    auto held = std::make_unique<OutputFile>();
    std::swap(held->m_stream, file.m_stream);
    std::swap(held->m_given, file.m_given);
    std::swap(held->m_destination, file.m_destination);
    std::swap(held->m_temporary, file.m_temporary);
    b.pending.push_back(std::move(held));
    return true;
}

std::vector<OutputBatch::Failure> OutputBatch::settle() {
    std::vector<std::unique_ptr<OutputFile>> files;
    {
        Batch& b = batch();
        const std::lock_guard<std::mutex> guard(b.lock);
        files.swap(b.pending);
        b.open = false;
    }
    std::vector<Failure> failures;
    // One flush of each file system the outputs are on: the data of all of them reaches the
    // disk before any is named.
    std::set<dev_t> flushed, failedDisks;
    for (const auto& file : files) {
        struct stat info {};
        const int fd = fileno(file->m_stream);
        if (fstat(fd, &info) != 0 || !flushed.insert(info.st_dev).second) continue;
        if (::syncfs(fd) != 0) failedDisks.insert(info.st_dev);
    }
    std::set<std::string> folders;
    for (const auto& file : files) {
        struct stat info {};
        const bool onFailedDisk = fstat(fileno(file->m_stream), &info) != 0 || failedDisks.count(info.st_dev) != 0;
        const GpStatus placed = onFailedDisk ? Win32Error : file->place();
        const bool closed = std::fclose(file->m_stream) == 0;
        file->m_stream = nullptr;
        if (placed != Ok) {
            failures.push_back({file->m_given, placed});
            file->abandon();
            continue;
        }
        if (!closed) failures.push_back({file->m_given, Win32Error});
        file->m_temporary.clear();
        folders.insert(std::filesystem::path(file->m_destination).parent_path().string());
    }
    for (const std::string& folder : folders) syncFolder(folder);
    return failures;
}

}  // namespace gdip::codecs
