// The operating-system layer of the engine. The engine's behaviour is defined in Win32
// terms: operations report success as a bool, and on failure leave a Windows error code
// in a per-thread last-error slot. The Win32 implementation wraps the Win32 calls; the
// POSIX implementation gives the same semantics and the same codes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

using ErrorCode = std::uint32_t;

// Windows error codes the engine and this layer use.
enum : ErrorCode {
    kErrorSuccess = 0,
    kErrorInvalidFunction = 1,
    kErrorFileNotFound = 2,
    kErrorPathNotFound = 3,
    kErrorTooManyOpenFiles = 4,
    kErrorAccessDenied = 5,
    kErrorNotEnoughMemory = 8,
    kErrorGenFailure = 31,
    kErrorSharingViolation = 32,
    kErrorFileExists = 80,
    kErrorInvalidParameter = 87,
    kErrorDiskFull = 112,
    kErrorInsufficientBuffer = 122,
    kErrorBadExeFormat = 193,
    kErrorFilenameExceedsRange = 206,
    kErrorFileTooLarge = 223,
    kErrorFileInvalid = 1006,
    kErrorIoDevice = 1117,
    kErrorResourceTypeNotFound = 1813,
    kErrorCantResolveFilename = 1921,
};

enum : std::uint32_t {
    kAttributeReadOnly = 0x01,
    kAttributeHidden = 0x02,
    kAttributeDirectory = 0x10,
    kAttributeArchive = 0x20,
    kAttributeNormal = 0x80,
    kInvalidAttributes = 0xFFFFFFFFu,
};

// The platform's path limit, terminating zero included.
constexpr std::size_t kMaxPath = 260;

ErrorCode LastError();
void SetLastError(ErrorCode code);

// Sets the last-error code and returns false: the way every failing operation ends.
inline bool Fail(ErrorCode code) {
    SetLastError(code);
    return false;
}

// Keeps the last-error code across clean-up steps that may overwrite it.
class ErrorKeeper {
public:
    ErrorKeeper() : code_(LastError()) {}
    ~ErrorKeeper() { SetLastError(code_); }
    ErrorKeeper(const ErrorKeeper&) = delete;
    ErrorKeeper& operator=(const ErrorKeeper&) = delete;

private:
    ErrorCode code_;
};

// A whole file mapped into memory, shared with the file: a store into a writable view
// reaches the file when the view is released. Opening, creating the mapping and mapping
// the view are three steps, as the engine reports a failure of each on its own.
class MappedFile {
public:
    enum class Step { Open, CreateMapping, MapView, Done };

    MappedFile() = default;
    ~MappedFile();
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    // Opens (with read and write sharing) and maps all of fileName, for reading and
    // writing when writable, else for reading only. On false, FailedStep() says which
    // step failed and LastError() why; an empty file fails at CreateMapping with 1006.
    bool Map(const char* fileName, bool writable);
    Step FailedStep() const { return failedStep_; }

    std::uint8_t* Data() const { return data_; }
    std::size_t Size() const { return size_; }

    // Unmaps the view and closes the mapping and the file, in that order, keeping the
    // last-error code.
    void Release();

private:
    std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
    std::intptr_t file_ = -1;
    std::intptr_t mapping_ = 0;
    Step failedStep_ = Step::Done;
};

// The first directory entry that matches pattern: the final component is matched without
// regard to case (an exact match wins), with the wildcards '*' and '?'; entries come in
// name order. entryName receives the entry's final component as stored on disk.
// On no match: false with 2 (or the search's own code for a bad path).
bool FindFirstEntry(const char* pattern, std::string& entryName);

// Reads a whole file with ReadFile, for a look at its bytes that costs less than a mapping:
// opened as MappedFile opens it for reading, with the same codes (an empty file fails with
// 1006); a read that ends before the size the file had fails with 1117. A file larger than
// kReadWholeLimit is not read (8): a mapping reads only the pages that a look touches.
// identity, when given, receives the file's identity (FileIdentity) from the same open.
// kReadWholeLimit is the largest file that the programs read whole into memory.
constexpr std::uint64_t kReadWholeLimit = 64 << 20;
bool ReadFileBytes(const char* fileName, std::vector<std::uint8_t>& bytes, std::string* identity = nullptr);

// Every directory entry that matches pattern, as FindFirstEntry matches them: true with
// none when nothing matches; false with the code when the folder cannot be read.
bool ListEntries(const char* pattern, std::vector<std::string>& entryNames);

// Copies source to destination, with the read-only attribute carried over. With
// failIfExists an existing destination fails the copy with 80; an existing read-only
// destination always fails it with 5.
bool CopyFileTo(const char* source, const char* destination, bool failIfExists);

// Makes destination a copy of source that is whole or absent, even when the process is
// killed or the power fails: the data goes to a new temporary file "KRVxxxx.tmp" in
// destination's folder, no more readable than source, and is flushed; that file then takes
// destination's name by a rename that never replaces a file (a name taken, however late,
// fails with 80), and the folder is flushed. The copy keeps source's last-write time and
// read-only attribute. On failure nothing new is left.
bool CopyFileWhole(const char* source, const char* destination);

// Replaces destination by source whole or not at all, even when the process is killed or
// the power fails: source's data reaches the disk first (a failed flush fails the call),
// then a rename over destination (MoveFileExA with MOVEFILE_REPLACE_EXISTING |
// MOVEFILE_WRITE_THROUGH). Both must lie on one volume. A read-only destination is not
// replaced (5). The destination then has source's bytes, last-write time and attributes,
// as after a copy over it, and keeps what its owner set on it: permission bits, owner and
// group where the caller may give them, access control list and extended attributes.
bool ReplaceFileWith(const char* source, const char* destination);

// True when the two files named lie in one folder.
bool SameFolder(const char* a, const char* b);

// What a model file is: the file that an update replaces, known by its final path, taken
// from the open file (symbolic links, junctions and mounted folders followed, the spelling
// normalised, the letter case as stored), compared exactly. Other spellings and symbolic
// links of one file give one identity; the two names of a hard link, and files on two
// volumes, give two. Where the file cannot be opened, its full path, upper-cased, stands
// in. Keeps the last-error code.
std::string FileIdentity(const char* fileName);

// The full path of the file that fileName names, with every symbolic link on the way
// followed: where a rename must go to replace that file and not a link to it. A hard link
// is a name of its own and stays. Fails as a missing file does (2, or 3) where a link
// points nowhere.
bool ResolveLinks(const char* fileName, std::string& resolved);

// Makes a file's data durable (FlushFileBuffers, fsync); a read-only file too. A file
// system that cannot flush at all counts as flushed.
bool FlushFile(const char* fileName);

// Deletes a file; a read-only file is not deleted (5).
bool DeleteFileNamed(const char* fileName);

// Creates an empty file with a unique name "<prefix>XXXX.tmp" in directory and writes
// its name to buffer (kMaxPath bytes). Returns the unique number, or 0 on failure.
unsigned MakeTempFile(const char* directory, const char* prefix, char* buffer);

std::uint32_t GetAttributes(const char* fileName);  // kInvalidAttributes on failure
bool SetAttributes(const char* fileName, std::uint32_t attributes);

struct SystemTime {
    std::uint16_t year, month, dayOfWeek, day, hour, minute, second, milliseconds;
};

// The current UTC time.
void GetSystemTimeNow(SystemTime& utc);
// UTC to the local time of the system (honouring TZ on POSIX).
bool SystemTimeToLocal(const SystemTime& utc, SystemTime& local);

// True for a lead byte of a double-byte character in the ANSI code page.
bool IsLeadByte(unsigned char c);
#ifndef _WIN32
// For tests: the lead bytes of code page 932 (Japanese), where Windows would have them.
void UseDoubleByteCodePage(bool on);
#endif

void SleepMilliseconds(unsigned milliseconds);

// Fault injection for tests: the next calls of an operation fail with a given code,
// before they touch anything. Counting skips the first `skip` calls.
// KernelCopy: the file system refuses to share blocks and the kernel to copy (POSIX), so
// a copy takes the plain loop. Rename: the rename of CopyFileWhole. Read: ReadFileBytes
// reads fewer bytes than the file has.
enum class Operation { Open, CreateMapping, MapView, FindFirst, Copy, Delete, TempFile, GetAttributes, SetAttributes, LocalTime, KernelCopy, Replace, Flush, Rename, Read, Count };
void InjectFault(Operation op, ErrorCode code, unsigned skip = 0, unsigned times = 1);
void ClearFaults();
// Called by each operation: true when it must fail (last-error code set).
bool FaultInjected(Operation op);

}  // namespace platform
