// Win32 implementation of the OS layer: thin wrappers over the Win32 calls.
#include <windows.h>
#include <aclapi.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform.h"

namespace platform {
namespace {

// Paths as the file systems compare them, A to Z folded (CharUpperBuffA would bring in
// user32, which a console program need not load).
std::string CharUpper(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return text;
}

}  // namespace

ErrorCode LastError() { return ::GetLastError(); }
void SetLastError(ErrorCode code) { ::SetLastError(code); }

MappedFile::~MappedFile() { Release(); }

bool MappedFile::Map(const char* fileName, bool writable) {
    Release();
    failedStep_ = Step::Open;
    if (FaultInjected(Operation::Open)) return false;
    HANDLE file = ::CreateFileA(fileName, writable ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    file_ = reinterpret_cast<std::intptr_t>(file);

    failedStep_ = Step::CreateMapping;
    if (FaultInjected(Operation::CreateMapping)) return false;
    DWORD high = 0;
    DWORD low = ::GetFileSize(file, &high);
    if (low == INVALID_FILE_SIZE && ::GetLastError() != NO_ERROR) return false;
    if (high != 0) {
        ::SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    HANDLE mapping = ::CreateFileMappingA(file, nullptr, writable ? PAGE_READWRITE : PAGE_READONLY, 0, 0, nullptr);
    if (mapping == nullptr) return false;
    mapping_ = reinterpret_cast<std::intptr_t>(mapping);

    failedStep_ = Step::MapView;
    if (FaultInjected(Operation::MapView)) return false;
    void* view = ::MapViewOfFile(mapping, writable ? FILE_MAP_ALL_ACCESS : FILE_MAP_READ, 0, 0, 0);
    if (view == nullptr) return false;
    data_ = static_cast<std::uint8_t*>(view);
    size_ = low;
    failedStep_ = Step::Done;
    return true;
}

void MappedFile::Release() {
    ErrorKeeper keep;
    if (data_ != nullptr) ::UnmapViewOfFile(data_);
    data_ = nullptr;
    size_ = 0;
    if (mapping_ != 0) ::CloseHandle(reinterpret_cast<HANDLE>(mapping_));
    mapping_ = 0;
    if (file_ != -1) ::CloseHandle(reinterpret_cast<HANDLE>(file_));
    file_ = -1;
}

namespace {

// The final path of an open file, as GetFinalPathNameByHandleA gives it ("\\?\C:\...",
// "\\?\UNC\server\..."): links, junctions and mounted folders followed, the spelling
// normalised, the letter case as stored. False where the call fails, or where the system
// has no such call (and no links either): it is looked up, so that the program still starts.
bool FinalPathOf(HANDLE file, std::string& path) {
    using FinalPathCall = DWORD(WINAPI*)(HANDLE, LPSTR, DWORD, DWORD);
    static const auto finalPath = reinterpret_cast<FinalPathCall>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "GetFinalPathNameByHandleA")));
    constexpr DWORD kNormalizedDosName = 0;  // FILE_NAME_NORMALIZED | VOLUME_NAME_DOS
    if (finalPath == nullptr) return Fail(ERROR_CALL_NOT_IMPLEMENTED);
    char text[MAX_PATH + 8];
    DWORD length = finalPath(file, text, sizeof text, kNormalizedDosName);
    if (length < sizeof text) {
        path.assign(text, length);
        return length != 0;
    }
    path.assign(length, '\0');  // the length asked for, its terminating zero included
    length = finalPath(file, path.data(), static_cast<DWORD>(path.size()), kNormalizedDosName);
    path.resize(length < path.size() ? length : 0);
    return !path.empty();
}

bool UnderWine() {
    static const bool wine = ::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
    return wine;
}

// What a model file is: the file that an update replaces, that is the name that the rename
// goes to, which is the open file's final path. A hard link's two names are two files, and
// two volumes never share one, whatever their file indexes. Under Wine the object's own
// name is that path already ("\??\Z:\...", the case as stored), and costs half as much:
// the final path asks the mount manager, another process, every time.
bool IdentityOfOpenFile(HANDLE file, std::string& identity) {
    if (!UnderWine()) return FinalPathOf(file, identity);
    using QueryCall = LONG(WINAPI*)(HANDLE, int, void*, ULONG, ULONG*);
    static const auto query = reinterpret_cast<QueryCall>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "NtQueryObject")));
    constexpr int kObjectNameInformation = 1;
    struct Name {
        USHORT length, capacity;
        const wchar_t* text;
    };
    alignas(8) char answer[sizeof(Name) + 2 * 4096];
    ULONG size = 0;
    if (query == nullptr || query(file, kObjectNameInformation, answer, sizeof answer, &size) != 0)
        return FinalPathOf(file, identity);
    const Name& name = *reinterpret_cast<const Name*>(answer);
    const int wide = name.length / 2;
    int bytes = ::WideCharToMultiByte(CP_UTF8, 0, name.text, wide, nullptr, 0, nullptr, nullptr);
    identity.assign(static_cast<std::size_t>(bytes), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, name.text, wide, identity.data(), bytes, nullptr, nullptr);
    return !identity.empty();
}

}  // namespace

bool ReadFileBytes(const char* fileName, std::vector<std::uint8_t>& bytes, std::string* identity) {
    if (FaultInjected(Operation::Open)) return false;
    HANDLE file = ::CreateFileA(fileName, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size;
    bool read = ::GetFileSizeEx(file, &size) != FALSE;
    if (read && static_cast<std::uint64_t>(size.QuadPart) > kReadWholeLimit) read = Fail(kErrorNotEnoughMemory);
    if (read && size.LowPart == 0) read = Fail(kErrorFileInvalid);
    if (read && FaultInjected(Operation::Read)) read = false;
    if (read) {
        bytes.resize(size.LowPart);
        DWORD got = 0;
        read = ::ReadFile(file, bytes.data(), size.LowPart, &got, nullptr) &&
               (got == size.LowPart || Fail(kErrorIoDevice));  // the file shrank meanwhile
    }
    if (identity != nullptr) {
        ErrorKeeper keep;
        if (!IdentityOfOpenFile(file, *identity)) identity->clear();
    }
    ErrorKeeper keep;
    ::CloseHandle(file);
    return read;
}

bool FindFirstEntry(const char* pattern, std::string& entryName) {
    if (FaultInjected(Operation::FindFirst)) return false;
    WIN32_FIND_DATAA data;
    HANDLE search = ::FindFirstFileA(pattern, &data);
    if (search == INVALID_HANDLE_VALUE) return false;
    // "." and ".." are no model files.
    bool found = true;
    while (found && (std::strcmp(data.cFileName, ".") == 0 || std::strcmp(data.cFileName, "..") == 0))
        found = ::FindNextFileA(search, &data) != FALSE;
    {
        ErrorKeeper keep;
        ::FindClose(search);
    }
    if (!found) {
        ::SetLastError(ERROR_FILE_NOT_FOUND);
        return false;
    }
    entryName = data.cFileName;
    return true;
}

bool ListEntries(const char* pattern, std::vector<std::string>& entryNames) {
    entryNames.clear();
    if (FaultInjected(Operation::FindFirst)) return false;
    WIN32_FIND_DATAA data;
    HANDLE search = ::FindFirstFileA(pattern, &data);
    if (search == INVALID_HANDLE_VALUE) return ::GetLastError() == ERROR_FILE_NOT_FOUND;
    do {
        if (std::strcmp(data.cFileName, ".") != 0 && std::strcmp(data.cFileName, "..") != 0)
            entryNames.push_back(data.cFileName);
    } while (::FindNextFileA(search, &data));
    ::FindClose(search);
    return true;
}

bool CopyFileTo(const char* source, const char* destination, bool failIfExists) {
    if (FaultInjected(Operation::Copy)) return false;
    return ::CopyFileA(source, destination, failIfExists ? TRUE : FALSE) != FALSE;
}

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// FlushFileBuffers needs a handle with write access, which a read-only file refuses: its
// attribute is cleared for the flush and given back.
bool FlushData(const char* fileName) {
    DWORD attributes = ::GetFileAttributesA(fileName);
    if (attributes == INVALID_FILE_ATTRIBUTES) return false;
    bool readOnly = (attributes & FILE_ATTRIBUTE_READONLY) != 0;
    if (readOnly && !::SetFileAttributesA(fileName, attributes & ~FILE_ATTRIBUTE_READONLY)) return false;
    HANDLE file = ::CreateFileA(fileName, GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    // A file system that cannot flush at all refuses the request as such; that counts as flushed.
    bool flushed = file != INVALID_HANDLE_VALUE && (::FlushFileBuffers(file) || ::GetLastError() == ERROR_INVALID_FUNCTION);
    ErrorKeeper keep;
    if (file != INVALID_HANDLE_VALUE) ::CloseHandle(file);
    if (readOnly) ::SetFileAttributesA(fileName, attributes);
    return flushed;
}

}  // namespace

bool FlushFile(const char* fileName) {
    if (FaultInjected(Operation::Flush)) return false;
    return FlushData(fileName);
}

namespace {

// The full path of the folder that holds fileName, or "" where it has none.
std::string FolderOf(const char* fileName) {
    char full[MAX_PATH];
    char* finalComponent = nullptr;
    DWORD length = ::GetFullPathNameA(fileName, MAX_PATH, full, &finalComponent);
    if (length == 0 || length >= MAX_PATH || finalComponent == nullptr) return "";
    return std::string(full, static_cast<std::size_t>(finalComponent - full));
}

// Gives to the access control list of from. A new file takes its folder's list, and a
// rename keeps the moved file's own: without this, a copy of a model file could be readable
// by more people than the model, and a model file replaced by a rename would lose the
// access that its owner granted. Where the list cannot be read (a file system without one)
// there is nothing to give.
bool CopyAccessControl(const char* from, const char* to) {
    // Wine makes a file's list from its Unix permissions and turns a list given to a file
    // back into them, and the round trip widens them (a 0600 file came out 0775): there
    // the list stays as Wine makes it.
    if (UnderWine()) return true;
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (::GetNamedSecurityInfoA(from, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl,
                                nullptr, &descriptor) != ERROR_SUCCESS)
        return true;
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    ::GetSecurityDescriptorControl(descriptor, &control, &revision);
    SECURITY_INFORMATION what = DACL_SECURITY_INFORMATION | ((control & SE_DACL_PROTECTED)
                                                                 ? PROTECTED_DACL_SECURITY_INFORMATION
                                                                 : UNPROTECTED_DACL_SECURITY_INFORMATION);
    // Wine gives a file the Unix permissions that its list grants, the read-only attribute
    // among them; to's attributes are its own.
    DWORD attributes = ::GetFileAttributesA(to);
    DWORD set = ::SetNamedSecurityInfoA(const_cast<char*>(to), SE_FILE_OBJECT, what, nullptr, nullptr, dacl, nullptr);
    ::LocalFree(descriptor);
    if (attributes != INVALID_FILE_ATTRIBUTES && ::GetFileAttributesA(to) != attributes)
        ::SetFileAttributesA(to, attributes);
    // A caller who may replace the file but not change its list keeps the folder's.
    return set == ERROR_SUCCESS || set == ERROR_ACCESS_DENIED || set == ERROR_NOT_SUPPORTED ||
           set == ERROR_CALL_NOT_IMPLEMENTED || Fail(set);
}

}  // namespace

bool CopyFileWhole(const char* source, const char* destination) {
    if (FaultInjected(Operation::Copy)) return false;
    DWORD attributes = ::GetFileAttributesA(source);
    if (attributes == INVALID_FILE_ATTRIBUTES) return false;
    if (::GetFileAttributesA(destination) != INVALID_FILE_ATTRIBUTES) return Fail(kErrorFileExists);
    char temp[MAX_PATH];
    const std::string folder = FolderOf(destination);
    if (folder.empty()) return Fail(kErrorFilenameExceedsRange);
    if (::GetTempFileNameA(folder.c_str(), "KRV", 0, temp) == 0) return false;
    // The copy into the empty temporary file, its list, its flush, then the attributes: a
    // read-only file cannot be flushed, and Wine's copy over a file does not carry them.
    bool ok = ::CopyFileA(source, temp, FALSE) && CopyAccessControl(source, temp) &&
              !FaultInjected(Operation::Flush) && FlushData(temp) && ::SetFileAttributesA(temp, attributes) &&
              !FaultInjected(Operation::Rename);
    if (ok && ::MoveFileExA(temp, destination, MOVEFILE_WRITE_THROUGH)) return true;
    if (ok && ::GetLastError() == ERROR_ALREADY_EXISTS) ::SetLastError(ERROR_FILE_EXISTS);
    ErrorKeeper keep;
    ::SetFileAttributesA(temp, FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileA(temp);
    return false;
}

bool ReplaceFileWith(const char* source, const char* destination) {
    if (FaultInjected(Operation::Replace)) return false;
    if (!CopyAccessControl(destination, source)) return false;
    // The rename is journaled, the data is not: flush it first, or a power cut could leave
    // the new name over blocks never written.
    if (FaultInjected(Operation::Flush) || !FlushData(source)) return false;
    return ::MoveFileExA(source, destination, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

bool SameFolder(const char* a, const char* b) {
    ErrorKeeper keep;
    std::string folderA = FolderOf(a);
    return !folderA.empty() && ::lstrcmpiA(folderA.c_str(), FolderOf(b).c_str()) == 0;
}

std::string FileIdentity(const char* fileName) {
    ErrorKeeper keep;
    // No access asked for: a file that another program holds open without sharing still
    // tells what it is.
    HANDLE file = ::CreateFileA(fileName, 0, kShareAll, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        std::string identity;
        bool known = IdentityOfOpenFile(file, identity);
        ::CloseHandle(file);
        if (known) return identity;
    }
    char full[MAX_PATH];
    DWORD length = ::GetFullPathNameA(fileName, MAX_PATH, full, nullptr);
    return CharUpper(length > 0 && length < MAX_PATH ? std::string(full, length) : std::string(fileName));
}

bool ResolveLinks(const char* fileName, std::string& resolved) {
    // A folder resolves too: the step that needs a file is the one that fails on it.
    HANDLE file = ::CreateFileA(fileName, 0, kShareAll, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    std::string answer;
    bool found = FinalPathOf(file, answer);
    {
        ErrorKeeper keep;
        ::CloseHandle(file);
    }
    // A system without the call has no symbolic links either.
    if (!found && ::GetLastError() == ERROR_CALL_NOT_IMPLEMENTED) {
        resolved = fileName;
        return true;
    }
    if (!found) return false;
    // The call answers with the long-path prefix: "\\?\C:\..." or "\\?\UNC\server\...".
    if (answer.rfind("\\\\?\\UNC\\", 0) == 0) answer = "\\\\" + answer.substr(8);
    else if (answer.rfind("\\\\?\\", 0) == 0) answer = answer.substr(4);
    if (answer.size() >= MAX_PATH) return Fail(kErrorFilenameExceedsRange);
    resolved = answer;
    return true;
}

bool DeleteFileNamed(const char* fileName) {
    if (FaultInjected(Operation::Delete)) return false;
    return ::DeleteFileA(fileName) != FALSE;
}

unsigned MakeTempFile(const char* directory, const char* prefix, char* buffer) {
    if (FaultInjected(Operation::TempFile)) return 0;
    return ::GetTempFileNameA(directory, prefix, 0, buffer);
}

std::uint32_t GetAttributes(const char* fileName) {
    if (FaultInjected(Operation::GetAttributes)) return kInvalidAttributes;
    return ::GetFileAttributesA(fileName);
}

bool SetAttributes(const char* fileName, std::uint32_t attributes) {
    if (FaultInjected(Operation::SetAttributes)) return false;
    return ::SetFileAttributesA(fileName, attributes) != FALSE;
}

namespace {

SYSTEMTIME ToWindows(const SystemTime& t) {
    return SYSTEMTIME{t.year, t.month, t.dayOfWeek, t.day, t.hour, t.minute, t.second, t.milliseconds};
}

SystemTime FromWindows(const SYSTEMTIME& t) {
    return SystemTime{t.wYear, t.wMonth, t.wDayOfWeek, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds};
}

}  // namespace

void GetSystemTimeNow(SystemTime& utc) {
    SYSTEMTIME now;
    ::GetSystemTime(&now);
    utc = FromWindows(now);
}

bool SystemTimeToLocal(const SystemTime& utc, SystemTime& local) {
    if (FaultInjected(Operation::LocalTime)) return false;
    SYSTEMTIME in = ToWindows(utc);
    FILETIME fileTime;
    FILETIME localFileTime;
    SYSTEMTIME out;
    if (!::SystemTimeToFileTime(&in, &fileTime) || !::FileTimeToLocalFileTime(&fileTime, &localFileTime) ||
        !::FileTimeToSystemTime(&localFileTime, &out))
        return false;
    local = FromWindows(out);
    return true;
}

bool IsLeadByte(unsigned char c) { return ::IsDBCSLeadByte(c) != FALSE; }

void SleepMilliseconds(unsigned milliseconds) { ::Sleep(milliseconds); }

}  // namespace platform
