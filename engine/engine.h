// The model engine: finds the SUPER_SCALE instruction in a model file's BGL code, reads its
// scale and writes a new one, and carries out the update of one model file with a backup
// and a working copy. Every operation returns true or false; on false the Windows error
// code of the failure is left in platform::LastError().
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "output.h"
#include "platform/platform.h"

namespace vorbix {

// A mapped model file. Every read and write of the engine goes through the bounds-checked
// accessors of image.h, so nothing outside [data, data + size) is ever touched.
struct ImageView {
    std::uint8_t* data = nullptr;
    std::size_t size = 0;
    bool writable = false;
};

// Validates the BGL instruction sequence reached through the offset byte at base, reports
// the SUPER_SCALE scale through oldScale (when given) and, with update, writes newScale in
// place. base must point into image.
bool CheckScaleSequence(const ImageView& image, const std::uint8_t* base, bool update, std::uint16_t* oldScale,
                        std::uint16_t newScale, Output& out = NullOutput());

// Maps fileName and validates (and with update, patches) the sequence found by searching
// the .rsrc section, or at the fixed place in the .data section. A scan with update false
// opens and maps the file for reading only.
bool ScanRsrcSection(const char* fileName, bool update, std::uint16_t* oldScale, std::uint16_t newScale,
                     Output& out = NullOutput());
bool ScanDataSection(const char* fileName, bool update, std::uint16_t* oldScale, std::uint16_t newScale,
                     Output& out = NullOutput());

// How the update transaction behaves: as in the console program (true names, view-only
// mode, output lines) or as in the dialog program (full paths, attributes cleared and
// given back, silent).
struct TransactionMode {
    bool console = false;
    bool viewOnly = false;  // console only: no backup, nothing written
    Output* output = nullptr;
    // Where the working copy is made. Beside the model file, the working copy itself is
    // renamed over it; elsewhere a copy of it made beside the model file is.
    const char* workingFolder = ".";

    static TransactionMode Console(Output& output, bool viewOnly) { return TransactionMode{true, viewOnly, &output}; }
    static TransactionMode Dialog() { return TransactionMode{}; }
};

// Sets the scale of one model file to the low 16 bits of newScale: backs the file up
// under a time-stamped name beside it, patches a working copy (in the current directory
// unless the mode names another folder) and replaces the model file by it, whole.
bool UpdateModelFile(const char* modelName, std::uint32_t newScale, const TransactionMode& mode);

// Reads the current scale of a model file; changes nothing.
bool ReadModelScale(const char* modelName, std::uint16_t* scale);
// The same result and code as ReadModelScale, from the file's bytes read once with
// ReadFile instead of a mapping: for a list of many model files. identity, when given,
// receives the file's identity (platform::FileIdentity) from the same open.
bool PeekModelScale(const char* modelName, std::uint16_t* scale, std::string* identity = nullptr);

// The oldest backup the update transaction made of modelPath: beside it, named base name
// + ".Z" + 14 digits + extension in any letter case, the stamp's digits giving the order.
// False with 2 when there is none, or with the code of a folder that cannot be read.
bool FindOldestBackup(const char* modelPath, std::string& backupPath);
// The same from the entries of the model file's folder, listed once by the caller (as
// platform::ListEntries lists "<folder>*"), for every model file in that folder.
bool FindOldestBackupAmong(const std::vector<std::string>& folderEntries, const char* modelPath, std::string& backupPath);

// The scale modelPath was installed with: the one its oldest backup holds, or its own
// where it has no backup (*currentScale, where the caller has read it already), read as
// PeekModelScale reads: nothing is opened for writing. folderEntries, where given, is the
// listing of the model file's folder that the backup is found in.
bool ReadInstalledScale(const char* modelPath, std::uint16_t* scale, const std::uint16_t* currentScale = nullptr,
                        const std::vector<std::string>* folderEntries = nullptr);

// Writes into buffer the final component of the directory entry that matches name, as
// stored on disk. capacity holds the buffer's size; when a result does not fit, it
// receives the length needed and the call fails with 122.
bool AcquireFileName(const char* name, char* buffer, std::uint32_t* capacity);

// Writes into buffer "<drive><dir><base>.Zyyyymmddhhmmss<ext>", a name for the backup of
// sourceName that no existing file has. Fails with 122 when a part of it does not fit.
bool MakeBackupName(const char* sourceName, char* buffer, std::uint32_t* capacity, Output& out = NullOutput());

// Writes "Z" and the local time of the UTC time systemTime as yyyymmddhhmmss.
bool FormatStamp(const platform::SystemTime& systemTime, char* buffer, std::size_t size);

}  // namespace vorbix
