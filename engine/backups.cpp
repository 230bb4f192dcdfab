// The backups the update transaction leaves beside a model file, and the scale the model
// file was installed with: the one its oldest backup holds.
#include <cctype>
#include <cstring>
#include <string>
#include <vector>

#include "engine.h"
#include "names.h"

namespace vorbix {
namespace {

constexpr std::size_t kStampDigits = 14;

bool SameLetters(const char* a, const char* b, std::size_t length) {
    for (std::size_t i = 0; i < length; ++i)
        if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i]))) return false;
    return true;
}

// The stamp's digits when entry is base + ".Z" + 14 digits + extension in any letter case,
// else "". A backup of a backup has more than digits there, and is none.
std::string StampOf(const std::string& entry, const std::string& base, const std::string& extension) {
    const std::string head = base + ".Z";
    if (entry.size() != head.size() + kStampDigits + extension.size() ||
        !SameLetters(entry.c_str(), head.c_str(), head.size()) ||
        !SameLetters(entry.c_str() + head.size() + kStampDigits, extension.c_str(), extension.size()))
        return "";
    std::string stamp = entry.substr(head.size(), kStampDigits);
    for (char c : stamp)
        if (c < '0' || c > '9') return "";
    return stamp;
}

// A model path's folder (with its separator), base name and extension.
struct ModelParts {
    std::string folder, base, extension;
    explicit ModelParts(const char* modelPath) {
        const NameParts parts = SplitName(modelPath);
        folder.assign(modelPath, parts.directoryEnd);
        base.assign(modelPath + parts.directoryEnd, parts.extensionStart - parts.directoryEnd);
        extension.assign(modelPath + parts.extensionStart);
    }
};

}  // namespace

bool FindOldestBackup(const char* modelPath, std::string& backupPath) {
    if (modelPath == nullptr) return platform::Fail(platform::kErrorInvalidParameter);
    const ModelParts model(modelPath);
    std::vector<std::string> entries;
    if (!platform::ListEntries((model.folder + model.base + ".Z*" + model.extension).c_str(), entries)) return false;
    return FindOldestBackupAmong(entries, modelPath, backupPath);
}

bool FindOldestBackupAmong(const std::vector<std::string>& entries, const char* modelPath, std::string& backupPath) {
    if (modelPath == nullptr) return platform::Fail(platform::kErrorInvalidParameter);
    const ModelParts model(modelPath);
    std::string oldest;
    for (const std::string& entry : entries) {
        std::string stamp = StampOf(entry, model.base, model.extension);
        if (!stamp.empty() && (oldest.empty() || stamp < StampOf(oldest, model.base, model.extension))) oldest = entry;
    }
    if (oldest.empty()) return platform::Fail(platform::kErrorFileNotFound);
    backupPath = model.folder + oldest;
    return true;
}

bool ReadInstalledScale(const char* modelPath, std::uint16_t* scale, const std::uint16_t* currentScale,
                        const std::vector<std::string>* folderEntries) {
    std::string backup;
    bool found = folderEntries != nullptr ? FindOldestBackupAmong(*folderEntries, modelPath, backup)
                                          : FindOldestBackup(modelPath, backup);
    if (found) return PeekModelScale(backup.c_str(), scale);
    if (platform::LastError() != platform::kErrorFileNotFound) return false;
    if (currentScale == nullptr) return PeekModelScale(modelPath, scale);
    *scale = *currentScale;
    return true;
}

}  // namespace vorbix
