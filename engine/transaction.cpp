// The update of one model file: backup beside it, working copy in the current directory,
// patch, replacement. The model file itself is only ever read by copies and replaced whole
// by a rename over it, so that a kill or a power cut leaves it as it was or as updated.
#include <cstdio>
#include <cstring>
#include <string>

#include "engine.h"
#include "names.h"

namespace vorbix {
namespace {

constexpr std::uint32_t kNameCapacity = static_cast<std::uint32_t>(platform::kMaxPath);
constexpr std::size_t kMaxNamePart = 255;
constexpr unsigned kBackupRetryPauseMs = 50;

using platform::Fail;

// Deletes a file this call made. Copies of a read-only model file carry its attribute,
// so it is cleared first. The failing step's code is kept.
void DeleteOwnCopy(const std::string& name) {
    platform::ErrorKeeper keep;
    std::uint32_t attributes = platform::GetAttributes(name.c_str());
    if (attributes != platform::kInvalidAttributes && (attributes & platform::kAttributeReadOnly))
        platform::SetAttributes(name.c_str(), platform::kAttributeNormal);
    platform::DeleteFileNamed(name.c_str());
}

// Deletes a copy on every way out unless told to keep it.
class CopyGuard {
public:
    CopyGuard() = default;
    CopyGuard(const CopyGuard&) = delete;
    CopyGuard& operator=(const CopyGuard&) = delete;
    ~CopyGuard() {
        if (!name_.empty()) DeleteOwnCopy(name_);
    }
    void Arm(const char* name) { name_ = name; }
    void Keep() { name_.clear(); }

private:
    std::string name_;
};

// Gives a file its attributes back on every way out.
class AttributeGuard {
public:
    AttributeGuard(const char* name, std::uint32_t attributes) : name_(name), attributes_(attributes) {}
    AttributeGuard(const AttributeGuard&) = delete;
    AttributeGuard& operator=(const AttributeGuard&) = delete;
    ~AttributeGuard() {
        platform::ErrorKeeper keep;
        platform::SetAttributes(name_.c_str(), attributes_);
    }

private:
    std::string name_;
    std::uint32_t attributes_;
};

bool LocateAndScan(const char* workingCopy, bool update, std::uint16_t* oldScale, std::uint16_t newScale, Output& out) {
    return ScanRsrcSection(workingCopy, update, oldScale, newScale, out) ||
           ScanDataSection(workingCopy, update, oldScale, newScale, out);
}

// Replaces the model file by the patched working copy: a rename over it, from the working
// copy itself where it lies beside the model file, else from a copy of it made beside the
// model file (a rename stays on one volume). On failure the model file is as it was and
// nothing new is left beside it. A working copy renamed away is no longer working's to delete.
bool ReplaceModelFile(const char* workingCopy, CopyGuard& working, const char* modelPath) {
    if (platform::SameFolder(workingCopy, modelPath)) {
        if (!platform::ReplaceFileWith(workingCopy, modelPath)) return false;
        working.Keep();
        return true;
    }
    std::string folder(modelPath, SplitName(modelPath).directoryEnd);
    char beside[platform::kMaxPath] = {};
    if (platform::MakeTempFile(folder.empty() ? "." : folder.c_str(), "KRV", beside) == 0) return false;
    CopyGuard besideGuard;
    besideGuard.Arm(beside);
    if (!platform::CopyFileTo(workingCopy, beside, false) || !platform::ReplaceFileWith(beside, modelPath)) return false;
    besideGuard.Keep();
    return true;
}

// The true name of a console model name: the typed directory part (so the transaction
// never works on a same-named file elsewhere) followed by the entry's name as stored.
bool AcquireModelPath(const char* modelName, char* path) {
    char entry[platform::kMaxPath] = {};
    std::uint32_t capacity = kNameCapacity;
    if (!AcquireFileName(modelName, entry, &capacity)) return false;
    std::size_t directoryLength = SplitName(modelName).directoryEnd;
    std::size_t entryLength = std::strlen(entry);
    if (directoryLength + entryLength >= platform::kMaxPath) return Fail(platform::kErrorInsufficientBuffer);
    std::memcpy(path, modelName, directoryLength);
    std::memcpy(path + directoryLength, entry, entryLength + 1);
    return true;
}

// Copies the model file to its backup, which is the user's original copy: it is made whole
// and durable under a temporary name and only then named, so that a kill or a power cut
// leaves no backup cut short, and the model file is replaced only after it.
bool MakeBackup(const std::string& modelFile, const char* backupName, CopyGuard& backup) {
    if (!platform::CopyFileWhole(modelFile.c_str(), backupName)) return false;
    backup.Arm(backupName);
    return true;
}

bool UpdateConsole(const char* modelName, std::uint16_t newScale, bool viewOnly, const char* workingFolder, Output& out) {
    char modelPath[platform::kMaxPath] = {};
    char backupName[platform::kMaxPath] = {};
    char workingCopy[platform::kMaxPath] = {};

    // The file behind a symbolic link is the one replaced; a link that points nowhere is
    // a file that is not there.
    std::string modelFile;
    if (!AcquireModelPath(modelName, modelPath) || !platform::ResolveLinks(modelPath, modelFile)) {
        if (platform::LastError() == platform::kErrorPathNotFound) platform::SetLastError(platform::kErrorFileNotFound);
        Debug(out, "Dbg: ERROR:%x  Cannot acquire file.\n", platform::LastError());
        return false;
    }
    Debug(out, "Dbg: Uname= %s, Tname= %s\n", modelName, modelPath);

    CopyGuard backup;
    if (!viewOnly) {
        std::uint32_t capacity = kNameCapacity;
        if (!MakeBackupName(modelPath, backupName, &capacity, out)) {
            Debug(out, "Dbg: ERROR:%x  Cannot create backup filename.\n", platform::LastError());
            return false;
        }
        Debug(out, "Dbg: Bname= %s\n", backupName);
        Print(out, "%s:\n", modelPath);
        if (!MakeBackup(modelFile, backupName, backup)) {
            Debug(out, "Dbg: ERROR:%x  Cannot create backup file.\n", platform::LastError());
            return false;
        }
        Debug(out, "Dbg: Backup file created: %s\n", backupName);
    }

    if (platform::MakeTempFile(workingFolder, "KRV", workingCopy) == 0) {
        Debug(out, "Dbg: ERROR:%x  Cannot create temporary filename.\n", platform::LastError());
        return false;
    }
    CopyGuard working;
    working.Arm(workingCopy);
    Debug(out, "Dbg: Xname= %s\n", workingCopy);
    if (!platform::CopyFileTo(modelFile.c_str(), workingCopy, false)) {
        Debug(out, "Dbg: ERROR:%x  Cannot create temporary file.\n", platform::LastError());
        return false;
    }
    Debug(out, "Dbg: Temporary file created: %s\n", workingCopy);

    if (!LocateAndScan(workingCopy, !viewOnly, nullptr, newScale, out)) {
        Debug(out, "Dbg: ERROR:%x  Cannot locate BGL code.\n", platform::LastError());
        return false;
    }
    // A view-only run leaves the model file alone: the working copy is unchanged, and
    // copying it back would only risk the model file and change its time stamp.
    if (viewOnly) return true;
    if (!ReplaceModelFile(workingCopy, working, modelFile.c_str())) {
        Debug(out, "Dbg: ERROR:%x  Cannot update MDL file.\n", platform::LastError());
        return false;
    }
    backup.Keep();
    Debug(out, "Dbg: MDL file updated.\n");
    return true;
}

bool UpdateDialog(const char* modelName, std::uint16_t newScale, const char* workingFolder) {
    char backupName[platform::kMaxPath] = {};
    char workingCopy[platform::kMaxPath] = {};

    // The backup lies beside the name given; everything else is done to the file behind it.
    std::string modelFile;
    if (!platform::ResolveLinks(modelName, modelFile)) return false;
    std::uint32_t attributes = platform::GetAttributes(modelFile.c_str());
    if (attributes == platform::kInvalidAttributes) return false;
    std::uint32_t capacity = kNameCapacity;
    if (!MakeBackupName(modelName, backupName, &capacity)) return false;
    CopyGuard backup;
    if (!MakeBackup(modelFile, backupName, backup)) return false;
    // Cleared so that the working copy is writable and the rename may replace a read-only
    // or hidden model file; given back on every way out.
    if (!platform::SetAttributes(modelFile.c_str(), platform::kAttributeNormal)) return false;
    AttributeGuard restore(modelFile.c_str(), attributes);

    if (platform::MakeTempFile(workingFolder, "KRV", workingCopy) == 0) return false;
    CopyGuard working;
    working.Arm(workingCopy);
    if (!platform::CopyFileTo(modelFile.c_str(), workingCopy, false)) return false;

    std::uint16_t oldScale = 0;
    if (!LocateAndScan(workingCopy, true, &oldScale, newScale, NullOutput())) return false;
    if (!ReplaceModelFile(workingCopy, working, modelFile.c_str())) return false;
    backup.Keep();
    return true;
}

}  // namespace

bool UpdateModelFile(const char* modelName, std::uint32_t newScale, const TransactionMode& mode) {
    if (modelName == nullptr) return Fail(platform::kErrorInvalidParameter);
    std::uint16_t scale = static_cast<std::uint16_t>(newScale & 0xFFFF);
    const char* folder = mode.workingFolder != nullptr ? mode.workingFolder : ".";
    if (!mode.console) return UpdateDialog(modelName, scale, folder);
    return UpdateConsole(modelName, scale, mode.viewOnly, folder, mode.output != nullptr ? *mode.output : NullOutput());
}

bool ReadModelScale(const char* modelName, std::uint16_t* scale) {
    if (modelName == nullptr || scale == nullptr) return Fail(platform::kErrorInvalidParameter);
    return LocateAndScan(modelName, false, scale, 0, NullOutput());
}

bool AcquireFileName(const char* name, char* buffer, std::uint32_t* capacity) {
    if (name == nullptr || buffer == nullptr || capacity == nullptr || *capacity == 0)
        return Fail(platform::kErrorInvalidParameter);
    std::memset(buffer, 0, *capacity);
    std::string entry;
    if (!platform::FindFirstEntry(name, entry)) {
        std::size_t length = std::strlen(name);
        if (*capacity < length) {
            *capacity = static_cast<std::uint32_t>(length);
            return Fail(platform::kErrorInsufficientBuffer);
        }
        // Every kind of miss, a missing directory included, is "file not found".
        return Fail(platform::kErrorFileNotFound);
    }
    if (entry.size() + 1 > *capacity) {
        *capacity = static_cast<std::uint32_t>(entry.size());
        return Fail(platform::kErrorInsufficientBuffer);
    }
    std::memcpy(buffer, entry.c_str(), entry.size() + 1);
    return true;
}

bool FormatStamp(const platform::SystemTime& systemTime, char* buffer, std::size_t size) {
    if (buffer == nullptr || size == 0) return Fail(platform::kErrorInvalidParameter);
    platform::SystemTime local;
    if (!platform::SystemTimeToLocal(systemTime, local)) return false;
    int length = std::snprintf(buffer, size, "Z%d%02d%02d%02d%02d%02d", local.year, local.month, local.day, local.hour,
                               local.minute, local.second);
    // A cut stamp would name the backup wrongly.
    if (length < 0 || static_cast<std::size_t>(length) >= size) return Fail(platform::kErrorInsufficientBuffer);
    return true;
}

bool MakeBackupName(const char* sourceName, char* buffer, std::uint32_t* capacity, Output& out) {
    if (sourceName == nullptr || buffer == nullptr || capacity == nullptr || *capacity == 0)
        return Fail(platform::kErrorInvalidParameter);
    const NameParts parts = SplitName(sourceName);
    // A part that does not fit fails the call: a cut directory would put the backup elsewhere.
    if (CountCharacters(sourceName, parts.driveEnd, parts.directoryEnd) > kMaxNamePart ||
        CountCharacters(sourceName, parts.directoryEnd, parts.extensionStart) > kMaxNamePart ||
        CountCharacters(sourceName, parts.extensionStart, parts.end) > kMaxNamePart)
        return Fail(platform::kErrorInsufficientBuffer);
    const std::string head(sourceName, parts.directoryEnd);
    const std::string baseName(sourceName + parts.directoryEnd, parts.extensionStart - parts.directoryEnd);
    const std::string extension(sourceName + parts.extensionStart);

    for (;;) {
        std::memset(buffer, 0, *capacity);
        platform::SystemTime now;
        platform::GetSystemTimeNow(now);
        char stamp[platform::kMaxPath];
        if (!FormatStamp(now, stamp, sizeof stamp)) return false;
        std::string namePart = baseName + "." + stamp;
        if (namePart.size() + 1 > platform::kMaxPath) return Fail(platform::kErrorInsufficientBuffer);
        std::string backupName = head + namePart + extension;
        if (backupName.size() + 1 > *capacity || backupName.size() + 1 > platform::kMaxPath)
            return Fail(platform::kErrorInsufficientBuffer);
        std::memcpy(buffer, backupName.c_str(), backupName.size() + 1);

        std::string existing;
        if (!platform::FindFirstEntry(buffer, existing)) return true;
        Debug(out, "Dbg: ERROR:%x The file %s already exists. Redriving.\n", platform::kErrorFileExists, buffer);
        // The name frees up when the clock reaches the next second.
        platform::SleepMilliseconds(kBackupRetryPauseMs);
    }
}

}  // namespace vorbix
