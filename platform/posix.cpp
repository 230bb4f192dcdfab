// POSIX implementation of the OS layer, with Windows semantics and Windows error codes:
// the read-only attribute is "no write permission bit" and is enforced here for everyone,
// root included; names are looked up as FindFirstFileA does.
#include <dirent.h>
#include <fcntl.h>
#ifdef __linux__
#include <linux/fs.h>
#include <sys/ioctl.h>
#endif
#include <sys/mman.h>
#include <sys/stat.h>
#ifdef __linux__
#include <sys/xattr.h>
#endif
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform.h"

namespace platform {
namespace {

thread_local ErrorCode lastError = 0;

std::string ParentOf(const std::string& path) {
    std::string::size_type slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

bool IsDirectory(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Every errno becomes a Windows code here. path tells a missing file (2) from a missing
// directory on the way to it (3).
ErrorCode ErrnoToWindows(int err, const char* path) {
    switch (err) {
        case ENOENT:
            return (path != nullptr && !IsDirectory(ParentOf(path))) ? kErrorPathNotFound : kErrorFileNotFound;
        case ENOTDIR: return kErrorPathNotFound;
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR: return kErrorAccessDenied;
        case EEXIST: return kErrorFileExists;
        case ENOSPC:
        case EDQUOT: return kErrorDiskFull;
        case ENAMETOOLONG: return kErrorFilenameExceedsRange;
        case EMFILE:
        case ENFILE: return kErrorTooManyOpenFiles;
        case ENOMEM: return kErrorNotEnoughMemory;
        case EINVAL: return kErrorInvalidParameter;
        case EBUSY:
        case ETXTBSY: return kErrorSharingViolation;
        case EFBIG:
        case EOVERFLOW: return kErrorFileTooLarge;
        case EIO: return kErrorIoDevice;
        case ELOOP: return kErrorCantResolveFilename;
        default: return kErrorGenFailure;
    }
}

bool FailWithErrno(const char* path) {
    lastError = ErrnoToWindows(errno, path);
    return false;
}

bool IsReadOnlyMode(mode_t mode) { return (mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0; }

bool WriteAll(int fd, const unsigned char* data, size_t size) {
    while (size > 0) {
        ssize_t written = write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

unsigned char Upper(unsigned char c) { return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 32) : c; }

bool WildcardMatch(const char* pattern, const char* name) {
    const char* star = nullptr;
    const char* resume = nullptr;
    while (*name != '\0') {
        if (*pattern == '*') {
            star = pattern++;
            resume = name;
        } else if (*pattern == '?' || (*pattern != '\0' && Upper(*pattern) == Upper(*name))) {
            ++pattern;
            ++name;
        } else if (star != nullptr) {
            pattern = star + 1;
            name = ++resume;
        } else {
            return false;
        }
    }
    while (*pattern == '*') ++pattern;
    return *pattern == '\0';
}

// Name order as the Windows file systems keep it: upper-cased, then exact.
bool NameBefore(const std::string& a, const std::string& b) {
    for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
        unsigned char ua = Upper(static_cast<unsigned char>(a[i]));
        unsigned char ub = Upper(static_cast<unsigned char>(b[i]));
        if (ua != ub) return ua < ub;
    }
    if (a.size() != b.size()) return a.size() < b.size();
    return a < b;
}

std::string Folded(const std::string& name) {
    std::string folded(name);
    for (char& c : folded) c = static_cast<char>(Upper(static_cast<unsigned char>(c)));
    return folded;
}

std::string DirectoryOf(const char* path) {
    const char* slash = std::strrchr(path, '/');
    return slash == nullptr ? std::string(".") : std::string(path, static_cast<size_t>(slash - path + 1));
}

std::string FinalComponent(const char* path) {
    const char* slash = std::strrchr(path, '/');
    return slash == nullptr ? std::string(path) : std::string(slash + 1);
}

// The names of one directory, kept between look-ups. A batch looks up a name that is not
// there (a new backup name) for every file; listing the directory each time would make
// the batch grow with the square of its size. The listing is kept with the directory's
// modification time: the layer's own creations and deletions are applied to it and the
// time renewed, and any other change makes the time differ, so the directory is read again.
// One per process, under keptLock: the Fleet reads on two threads, and a caller of the
// engine may too.
struct DirectoryListing {
    bool valid = false;
    dev_t device = 0;
    ino_t inode = 0;
    struct timespec modified = {};
    std::map<std::string, std::vector<std::string>> byFoldedName;  // upper-cased -> as stored

    bool Describes(const struct stat& st) const {
        return valid && st.st_dev == device && st.st_ino == inode && st.st_mtim.tv_sec == modified.tv_sec &&
               st.st_mtim.tv_nsec == modified.tv_nsec;
    }
    void Stamp(const struct stat& st) {
        device = st.st_dev;
        inode = st.st_ino;
        modified = st.st_mtim;
    }
};

DirectoryListing kept;
std::recursive_mutex keptLock;

// The kept listing of directory, read again when the directory has changed; none with
// the last-error code set when it cannot be read.
const DirectoryListing* Listing(const std::string& directory) {
    // A missing directory is a missing path (3), not a missing file.
    auto unreadable = [] {
        Fail(errno == ENOENT ? kErrorPathNotFound : ErrnoToWindows(errno, nullptr));
        return nullptr;
    };
    struct stat st;
    if (stat(directory.c_str(), &st) != 0) return unreadable();
    if (kept.Describes(st)) return &kept;
    kept.valid = false;
    kept.byFoldedName.clear();
    DIR* dir = opendir(directory.c_str());
    if (dir == nullptr) return unreadable();
    while (dirent* entry = readdir(dir)) {
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
        kept.byFoldedName[Folded(entry->d_name)].push_back(entry->d_name);
    }
    closedir(dir);
    // The time taken before reading: a change made while it was read shows as a newer one.
    kept.Stamp(st);
    kept.valid = true;
    return &kept;
}

// Brackets one of the layer's own changes to a directory: a name created or removed.
// The kept listing follows the change when it described the directory just before it.
class DirectoryChange {
public:
    explicit DirectoryChange(const char* path) {
        std::lock_guard<std::recursive_mutex> held(keptLock);
        if (!kept.valid) return;  // nothing to follow
        directory_ = DirectoryOf(path);
        name_ = FinalComponent(path);
        struct stat st;
        current_ = stat(directory_.c_str(), &st) == 0 && kept.Describes(st);
        before_ = st;
    }
    void Created() { Apply(true); }
    void Removed() { Apply(false); }

private:
    void Apply(bool created) {
        std::lock_guard<std::recursive_mutex> held(keptLock);
        struct stat st;
        // Another thread's change to the listing since, or to the directory, makes it unsure.
        if (!current_ || !kept.Describes(before_) || stat(directory_.c_str(), &st) != 0) {
            kept.valid = false;
            return;
        }
        std::vector<std::string>& names = kept.byFoldedName[Folded(name_)];
        auto stored = std::find(names.begin(), names.end(), name_);
        if (created && stored == names.end()) names.push_back(name_);
        if (!created && stored != names.end()) names.erase(stored);
        if (names.empty()) kept.byFoldedName.erase(Folded(name_));
        kept.Stamp(st);
    }
    std::string directory_;
    std::string name_;
    bool current_ = false;
    struct stat before_ = {};
};

// Copies the data of in to out, both at offset 0: the file system shares the blocks where
// it can, or the kernel copies them; where both are refused, a plain loop.
bool CopyData(int in, int out, off_t size, const char* destination) {
#ifdef __linux__
    bool kernelRefused = false;
    {
        ErrorKeeper keep;  // a refusal is no failure of the copy
        kernelRefused = FaultInjected(Operation::KernelCopy);
    }
    if (!kernelRefused) {
        if (size > 0 && ioctl(out, FICLONE, in) == 0) return true;
        bool first = true;
        for (;;) {
            ssize_t got = copy_file_range(in, nullptr, out, nullptr, std::size_t{1} << 30, 0);
            if (got < 0 && errno == EINTR) continue;
            if (got < 0 && first &&
                (errno == EXDEV || errno == ENOSYS || errno == EOPNOTSUPP || errno == EINVAL || errno == EBADF))
                break;  // nothing copied yet: the loop below does it
            if (got < 0) return FailWithErrno(destination);
            if (got == 0) return true;
            first = false;
        }
    }
#else
    (void)size;
#endif
    std::vector<unsigned char> buffer(1 << 16);
    for (;;) {
        ssize_t got = read(in, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR) continue;
        if (got < 0 || (got > 0 && !WriteAll(out, buffer.data(), static_cast<size_t>(got))))
            return FailWithErrno(destination);
        if (got == 0) return true;
    }
}

// Copies in's data to out and gives out in's last-write time and read-only attribute, as a
// copy on Windows has them.
bool CopyContents(int in, const struct stat& from, int out, const char* destination) {
    if (!CopyData(in, out, from.st_size, destination)) return false;
    struct timespec times[2] = {from.st_atim, from.st_mtim};
    futimens(out, times);
    if (IsReadOnlyMode(from.st_mode)) {
        struct stat now;
        if (fstat(out, &now) == 0) fchmod(out, now.st_mode & ~static_cast<mode_t>(0222));
    }
    return true;
}

// Creates a new file "<prefix>XXXX.tmp" in directory (which ends in '/') with the given
// permission bits (less the umask), exclusively, and opens it for writing: its descriptor,
// or -1 with the last-error code set.
int CreateTempFile(const std::string& directory, const char* prefix, mode_t mode, std::string& path,
                   unsigned& unique) {
    unsigned start = static_cast<unsigned>((time(nullptr) ^ (getpid() << 4)) & 0xFFFF);
    char shortPrefix[4] = {};
    std::strncpy(shortPrefix, prefix, 3);
    for (unsigned i = 0; i < 0xFFFF; ++i) {
        unique = ((start + i) % 0xFFFF) + 1;
        char name[32];
        std::snprintf(name, sizeof name, "%s%04X.tmp", shortPrefix, unique);
        path = directory + name;
        if (path.size() >= kMaxPath) {
            lastError = kErrorFilenameExceedsRange;
            return -1;
        }
        DirectoryChange change(path.c_str());
        int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0) {
            change.Created();
            return fd;
        }
        if (errno != EEXIST) {
            FailWithErrno(path.c_str());
            return -1;
        }
    }
    lastError = kErrorFileExists;
    return -1;
}

// Makes what lies at path (a file, or a folder's entries) durable. A file system that
// cannot flush at all says so with EINVAL or ENOTSUP; that counts as flushed.
bool Flush(const char* path) {
    int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return FailWithErrno(path);
    bool ok = fsync(fd) == 0 || errno == EINVAL || errno == ENOTSUP || errno == EOPNOTSUPP || FailWithErrno(path);
    close(fd);
    return ok;
}

// Gives from the name to without ever replacing a file there (EEXIST, however late the
// name was taken): renameat2 where the file system has it, else a second link and the
// first name's removal.
bool RenameNoReplace(const char* from, const char* to) {
#ifdef RENAME_NOREPLACE
    if (renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP && errno != EOPNOTSUPP) return false;
#endif
    if (link(from, to) != 0) return false;
    unlink(from);  // where this fails, the whole copy has one name more
    return true;
}

}  // namespace

ErrorCode LastError() { return lastError; }
void SetLastError(ErrorCode code) { lastError = code; }

MappedFile::~MappedFile() { Release(); }

bool MappedFile::Map(const char* fileName, bool writable) {
    Release();
    failedStep_ = Step::Open;
    if (FaultInjected(Operation::Open)) return false;
    struct stat st;
    if (stat(fileName, &st) != 0) return FailWithErrno(fileName);
    if (S_ISDIR(st.st_mode)) return Fail(kErrorAccessDenied);
    if (writable && IsReadOnlyMode(st.st_mode)) return Fail(kErrorAccessDenied);
    int fd = open(fileName, (writable ? O_RDWR : O_RDONLY) | O_CLOEXEC);
    if (fd < 0) return FailWithErrno(fileName);
    file_ = fd;

    failedStep_ = Step::CreateMapping;
    if (FaultInjected(Operation::CreateMapping)) return false;
    if (fstat(fd, &st) != 0) return FailWithErrno(fileName);
    if (st.st_size == 0) return Fail(kErrorFileInvalid);
    if (static_cast<unsigned long long>(st.st_size) > SIZE_MAX) return Fail(kErrorNotEnoughMemory);
    mapping_ = 1;

    failedStep_ = Step::MapView;
    if (FaultInjected(Operation::MapView)) return false;
    size_t size = static_cast<size_t>(st.st_size);
    void* view = mmap(nullptr, size, writable ? PROT_READ | PROT_WRITE : PROT_READ, MAP_SHARED, fd, 0);
    if (view == MAP_FAILED) return FailWithErrno(fileName);
    data_ = static_cast<std::uint8_t*>(view);
    size_ = size;
    failedStep_ = Step::Done;
    return true;
}

void MappedFile::Release() {
    ErrorKeeper keep;
    if (data_ != nullptr) munmap(data_, size_);
    data_ = nullptr;
    size_ = 0;
    mapping_ = 0;
    if (file_ >= 0) close(static_cast<int>(file_));
    file_ = -1;
}

namespace {

// What a model file is: the file that an update replaces, that is the name that the rename
// goes to, which is its final path (realpath). A hard link's two names are two files, and
// two file systems never share one. Of an open file, the kernel's own link to it.
std::string IdentityOfOpen(int fd, const char* fileName) {
    char link[32];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    char path[PATH_MAX];
    ssize_t length = readlink(link, path, sizeof path);
    if (length > 0 && static_cast<size_t>(length) < sizeof path && path[0] == '/') return std::string(path, length);
    return FileIdentity(fileName);
}

}  // namespace

bool ReadFileBytes(const char* fileName, std::vector<std::uint8_t>& bytes, std::string* identity) {
    if (FaultInjected(Operation::Open)) return false;
    int fd = open(fileName, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return FailWithErrno(fileName);
    struct stat st;
    const bool known = fstat(fd, &st) == 0;
    bool read = known || FailWithErrno(fileName);
    if (read && S_ISDIR(st.st_mode)) read = Fail(kErrorAccessDenied);
    if (read && st.st_size == 0) read = Fail(kErrorFileInvalid);
    if (read && static_cast<std::uint64_t>(st.st_size) > kReadWholeLimit) read = Fail(kErrorNotEnoughMemory);
    if (read && FaultInjected(Operation::Read)) read = false;
    if (read) {
        bytes.resize(static_cast<std::size_t>(st.st_size));
        std::size_t got = 0;
        while (read && got < bytes.size()) {
            ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) read = n < 0 ? FailWithErrno(fileName) : Fail(kErrorIoDevice);
            else got += static_cast<std::size_t>(n);
        }
    }
    if (identity != nullptr) *identity = known ? IdentityOfOpen(fd, fileName) : "";
    close(fd);
    return read;
}

bool FindFirstEntry(const char* pattern, std::string& entryName) {
    if (FaultInjected(Operation::FindFirst)) return false;
    std::lock_guard<std::recursive_mutex> held(keptLock);
    std::string directory = DirectoryOf(pattern);
    std::string wanted = FinalComponent(pattern);
    if (wanted.empty()) return Fail(kErrorFileNotFound);

    bool wildcards = wanted.find_first_of("*?") != std::string::npos;
    if (!wildcards) {
        struct stat st;
        if (stat(pattern, &st) == 0) {
            entryName = wanted;
            return true;
        }
    }
    const DirectoryListing* listing = Listing(directory);
    if (listing == nullptr) return false;
    const std::string* best = nullptr;
    if (!wildcards) {
        auto names = listing->byFoldedName.find(Folded(wanted));
        if (names != listing->byFoldedName.end())
            for (const std::string& name : names->second)
                if (best == nullptr || NameBefore(name, *best)) best = &name;
    } else {
        for (const auto& [folded, names] : listing->byFoldedName)
            for (const std::string& name : names)
                if (WildcardMatch(wanted.c_str(), name.c_str()) && (best == nullptr || NameBefore(name, *best)))
                    best = &name;
    }
    if (best == nullptr) return Fail(kErrorFileNotFound);
    entryName = *best;
    return true;
}

bool ListEntries(const char* pattern, std::vector<std::string>& entryNames) {
    entryNames.clear();
    if (FaultInjected(Operation::FindFirst)) return false;
    std::lock_guard<std::recursive_mutex> held(keptLock);
    const DirectoryListing* listing = Listing(DirectoryOf(pattern));
    if (listing == nullptr) return false;
    std::string wanted = FinalComponent(pattern);
    for (const auto& [folded, names] : listing->byFoldedName)
        for (const std::string& name : names)
            if (WildcardMatch(wanted.c_str(), name.c_str())) entryNames.push_back(name);
    std::sort(entryNames.begin(), entryNames.end(), NameBefore);
    return true;
}

bool CopyFileTo(const char* source, const char* destination, bool failIfExists) {
    if (FaultInjected(Operation::Copy)) return false;
    int in = open(source, O_RDONLY | O_CLOEXEC);
    if (in < 0) return FailWithErrno(source);
    struct stat from;
    if (fstat(in, &from) != 0 || S_ISDIR(from.st_mode)) {
        lastError = S_ISDIR(from.st_mode) ? kErrorAccessDenied : ErrnoToWindows(errno, source);
        close(in);
        return false;
    }
    struct stat to;
    bool exists = stat(destination, &to) == 0;
    ErrorCode refused = 0;
    if (exists && failIfExists) refused = kErrorFileExists;
    else if (exists && (S_ISDIR(to.st_mode) || IsReadOnlyMode(to.st_mode))) refused = kErrorAccessDenied;
    else if (exists && to.st_dev == from.st_dev && to.st_ino == from.st_ino) refused = kErrorSharingViolation;
    if (refused != 0) {
        close(in);
        return Fail(refused);
    }
    int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (failIfExists ? O_EXCL : O_TRUNC);
    std::optional<DirectoryChange> change;
    if (!exists) change.emplace(destination);
    // A new copy is readable by no more people than its source.
    int out = open(destination, flags, from.st_mode & 0777);
    if (out < 0) {
        FailWithErrno(destination);
        close(in);
        return false;
    }
    if (change) change->Created();
    bool ok = CopyContents(in, from, out, destination);
    if (close(out) != 0 && ok) ok = FailWithErrno(destination);
    close(in);
    if (!ok && !exists) {
        ErrorKeeper keep;
        DirectoryChange removal(destination);
        if (unlink(destination) == 0) removal.Removed();
    }
    return ok;
}

bool FlushFile(const char* fileName) {
    if (FaultInjected(Operation::Flush)) return false;
    return Flush(fileName);
}

bool CopyFileWhole(const char* source, const char* destination) {
    if (FaultInjected(Operation::Copy)) return false;
    int in = open(source, O_RDONLY | O_CLOEXEC);
    if (in < 0) return FailWithErrno(source);
    struct stat from;
    struct stat to;
    ErrorCode refused = 0;
    if (fstat(in, &from) != 0) refused = ErrnoToWindows(errno, source);
    else if (S_ISDIR(from.st_mode)) refused = kErrorAccessDenied;
    else if (lstat(destination, &to) == 0) refused = kErrorFileExists;
    std::string folder = DirectoryOf(destination);
    if (folder.back() != '/') folder.push_back('/');
    std::string temp;
    unsigned unique = 0;
    // Created with the source's permission bits, less the umask, before any byte is in it.
    int out = refused == 0 ? CreateTempFile(folder, "KRV", from.st_mode & 0777, temp, unique) : -1;
    if (out < 0) {
        close(in);
        return refused == 0 ? false : Fail(refused);
    }
    bool ok = CopyContents(in, from, out, destination);
    if (close(out) != 0 && ok) ok = FailWithErrno(destination);
    close(in);
    if (ok && FlushFile(temp.c_str()) && !FaultInjected(Operation::Rename)) {
        DirectoryChange removal(temp.c_str());
        DirectoryChange creation(destination);
        if (RenameNoReplace(temp.c_str(), destination)) {
            removal.Removed();
            creation.Created();
            // The name must outlast a power cut as the data does.
            if (Flush(folder.c_str())) return true;
            ErrorKeeper keep;
            DirectoryChange undo(destination);
            if (unlink(destination) == 0) undo.Removed();
            return false;
        }
        FailWithErrno(destination);
    }
    ErrorKeeper keep;
    DirectoryChange removal(temp.c_str());
    if (unlink(temp.c_str()) == 0) removal.Removed();
    return false;
}

namespace {

// Copies the extended attributes of from onto to, the access control list among them
// (system.posix_acl_access). A file system without them has nothing to copy. The system's
// own namespaces (security, trusted) may be refused to the caller; they are left as the new
// file has them.
bool CopyExtendedAttributes(const char* from, const char* to) {
#ifdef __linux__
    std::vector<char> names(1024);
    ssize_t listed;
    while ((listed = listxattr(from, names.data(), names.size())) < 0 && errno == ERANGE) names.resize(names.size() * 4);
    if (listed < 0) return errno == ENOTSUP || errno == EOPNOTSUPP || FailWithErrno(from);
    std::vector<char> value(256);
    for (const char* name = names.data(); name < names.data() + listed; name += std::strlen(name) + 1) {
        ssize_t size;
        while ((size = getxattr(from, name, value.data(), value.size())) < 0 && errno == ERANGE) value.resize(value.size() * 4);
        if (size < 0 && errno == ENODATA) continue;  // removed meanwhile
        if (size < 0) return FailWithErrno(from);
        if (setxattr(to, name, value.data(), static_cast<size_t>(size), 0) == 0) continue;
        const bool system = std::strncmp(name, "security.", 9) == 0 || std::strncmp(name, "trusted.", 8) == 0;
        if (errno == ENOTSUP || errno == EOPNOTSUPP || (system && (errno == EPERM || errno == EACCES))) continue;
        return FailWithErrno(to);
    }
#else
    (void)from;
    (void)to;
#endif
    return true;
}

// Gives the file at source, which is to replace the one at destination, what the owner set
// on that one. A copy over the file would have kept its permission bits and owner (which
// only root can give away); the read-only attribute comes from the source, as there.
bool KeepWhatTheOwnerSet(const struct stat& to, const struct stat& from, const char* source, const char* destination) {
    // A user who is not the owner may still give the file its group where he belongs to it,
    // as cp -p does.
    if (chown(source, to.st_uid, to.st_gid) != 0) {
        [[maybe_unused]] int grouped = chown(source, static_cast<uid_t>(-1), to.st_gid);
    }
    if (!CopyExtendedAttributes(destination, source)) return false;
    struct stat now;
    if (stat(source, &now) != 0) return FailWithErrno(source);
    mode_t mode = to.st_mode & 07777;
    if (IsReadOnlyMode(from.st_mode)) mode &= ~static_cast<mode_t>(0222);
    // Setuid and setgid are the owner's grant: a file that now has another owner or group
    // does not take them.
    if (now.st_uid != to.st_uid || now.st_gid != to.st_gid) mode &= ~static_cast<mode_t>(S_ISUID | S_ISGID);
    chmod(source, mode);
    return true;
}

}  // namespace

bool ReplaceFileWith(const char* source, const char* destination) {
    if (FaultInjected(Operation::Replace)) return false;
    struct stat from;
    if (stat(source, &from) != 0) return FailWithErrno(source);
    if (S_ISDIR(from.st_mode)) return Fail(kErrorAccessDenied);
    struct stat to;
    bool exists = stat(destination, &to) == 0;
    if (exists && (S_ISDIR(to.st_mode) || IsReadOnlyMode(to.st_mode))) return Fail(kErrorAccessDenied);
    if (exists && !KeepWhatTheOwnerSet(to, from, source, destination)) return false;
    if (FaultInjected(Operation::Flush) || !Flush(source)) return false;
    DirectoryChange removal(source);
    DirectoryChange creation(destination);
    if (rename(source, destination) != 0) return FailWithErrno(destination);
    removal.Removed();
    creation.Created();
    ErrorKeeper keep;
    Flush(DirectoryOf(destination).c_str());
    return true;
}

bool SameFolder(const char* a, const char* b) {
    struct stat folderA;
    struct stat folderB;
    return stat(DirectoryOf(a).c_str(), &folderA) == 0 && stat(DirectoryOf(b).c_str(), &folderB) == 0 &&
           folderA.st_dev == folderB.st_dev && folderA.st_ino == folderB.st_ino;
}

std::string FileIdentity(const char* fileName) {
    ErrorKeeper keep;
    if (char* resolved = realpath(fileName, nullptr)) {
        std::string identity(resolved);
        std::free(resolved);
        return identity;
    }
    // The full path, with "." and empty components left out and ".." taken back.
    std::string path(fileName);
    if (path.empty() || path[0] != '/') {
        char here[PATH_MAX];
        path = std::string(getcwd(here, sizeof here) != nullptr ? here : "") + "/" + path;
    }
    std::vector<std::string> components;
    for (std::string::size_type at = 0; at <= path.size();) {
        std::string::size_type slash = std::min(path.find('/', at), path.size());
        std::string component = path.substr(at, slash - at);
        if (component == "..") {
            if (!components.empty()) components.pop_back();
        } else if (!component.empty() && component != ".") {
            components.push_back(component);
        }
        at = slash + 1;
    }
    std::string full;
    for (const std::string& component : components) full += "/" + Folded(component);
    return full.empty() ? "/" : full;
}

bool ResolveLinks(const char* fileName, std::string& resolved) {
    char* path = realpath(fileName, nullptr);
    if (path == nullptr) return FailWithErrno(fileName);
    resolved = path;
    std::free(path);
    return true;
}

bool DeleteFileNamed(const char* fileName) {
    if (FaultInjected(Operation::Delete)) return false;
    struct stat st;
    if (lstat(fileName, &st) != 0) return FailWithErrno(fileName);
    if (S_ISDIR(st.st_mode)) return Fail(kErrorAccessDenied);
    if (!S_ISLNK(st.st_mode) && IsReadOnlyMode(st.st_mode)) return Fail(kErrorAccessDenied);
    DirectoryChange change(fileName);
    if (unlink(fileName) != 0) return FailWithErrno(fileName);
    change.Removed();
    return true;
}

unsigned MakeTempFile(const char* directory, const char* prefix, char* buffer) {
    if (FaultInjected(Operation::TempFile)) return 0;
    std::string dir(*directory != '\0' ? directory : ".");
    if (dir.back() != '/') dir.push_back('/');
    std::string path;
    unsigned unique = 0;
    // Its owner's alone, as mkstemp makes them: a copy of a private model file goes into it.
    int fd = CreateTempFile(dir, prefix, 0600, path, unique);
    if (fd < 0) return 0;
    close(fd);
    std::memcpy(buffer, path.c_str(), path.size() + 1);
    return unique;
}

std::uint32_t GetAttributes(const char* fileName) {
    if (FaultInjected(Operation::GetAttributes)) return kInvalidAttributes;
    struct stat st;
    if (stat(fileName, &st) != 0) {
        FailWithErrno(fileName);
        return kInvalidAttributes;
    }
    // As on Windows, a file carries the archive attribute and a directory does not.
    std::uint32_t attributes = S_ISDIR(st.st_mode) ? kAttributeDirectory : kAttributeArchive;
    if (IsReadOnlyMode(st.st_mode)) attributes |= kAttributeReadOnly;
    return attributes;
}

bool SetAttributes(const char* fileName, std::uint32_t attributes) {
    if (FaultInjected(Operation::SetAttributes)) return false;
    struct stat st;
    if (stat(fileName, &st) != 0) return FailWithErrno(fileName);
    mode_t mode = st.st_mode & 07777;
    mode = (attributes & kAttributeReadOnly) ? (mode & ~static_cast<mode_t>(0222)) : (mode | S_IWUSR);
    if (chmod(fileName, mode) != 0) return FailWithErrno(fileName);
    return true;
}

void GetSystemTimeNow(SystemTime& utc) {
    struct timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    struct tm parts;
    gmtime_r(&now.tv_sec, &parts);
    utc = SystemTime{static_cast<std::uint16_t>(parts.tm_year + 1900), static_cast<std::uint16_t>(parts.tm_mon + 1),
                     static_cast<std::uint16_t>(parts.tm_wday), static_cast<std::uint16_t>(parts.tm_mday),
                     static_cast<std::uint16_t>(parts.tm_hour), static_cast<std::uint16_t>(parts.tm_min),
                     static_cast<std::uint16_t>(parts.tm_sec), static_cast<std::uint16_t>(now.tv_nsec / 1000000)};
}

bool SystemTimeToLocal(const SystemTime& utc, SystemTime& local) {
    if (FaultInjected(Operation::LocalTime)) return false;
    if (utc.year < 1601 || utc.year > 30827 || utc.month < 1 || utc.month > 12 || utc.day < 1 || utc.day > 31 ||
        utc.hour > 23 || utc.minute > 59 || utc.second > 59 || utc.milliseconds > 999)
        return Fail(kErrorInvalidParameter);
    struct tm parts = {};
    parts.tm_year = utc.year - 1900;
    parts.tm_mon = utc.month - 1;
    parts.tm_mday = utc.day;
    parts.tm_hour = utc.hour;
    parts.tm_min = utc.minute;
    parts.tm_sec = utc.second;
    time_t seconds = timegm(&parts);
    tzset();
    struct tm localParts;
    if (localtime_r(&seconds, &localParts) == nullptr) return Fail(kErrorInvalidParameter);
    local = SystemTime{static_cast<std::uint16_t>(localParts.tm_year + 1900), static_cast<std::uint16_t>(localParts.tm_mon + 1),
                       static_cast<std::uint16_t>(localParts.tm_wday), static_cast<std::uint16_t>(localParts.tm_mday),
                       static_cast<std::uint16_t>(localParts.tm_hour), static_cast<std::uint16_t>(localParts.tm_min),
                       static_cast<std::uint16_t>(localParts.tm_sec), utc.milliseconds};
    return true;
}

namespace {
bool doubleByteCodePage = false;
}

// The ANSI code page here has single bytes only, unless a test asks for code page 932's lead bytes.
bool IsLeadByte(unsigned char c) { return doubleByteCodePage && ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC)); }

void UseDoubleByteCodePage(bool on) { doubleByteCodePage = on; }

void SleepMilliseconds(unsigned milliseconds) {
    struct timespec pause = {static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1000000L};
    while (nanosleep(&pause, &pause) != 0 && errno == EINTR) {
    }
}

}  // namespace platform
