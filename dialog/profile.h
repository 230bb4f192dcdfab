// A configuration file of the simulator (Aircraft.cfg, MODEL.CFG) read once, whole, with its
// values looked up as GetPrivateProfileStringA finds them, character for character: a
// profile read opens and reads the file each time, several times per aircraft.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class ProfileFile {
public:
    explicit ProfileFile(const char* fileName);

    // Writes to value what GetPrivateProfileStringA(section, key, defaultValue, value, size,
    // fileName) writes.
    void GetString(const char* section, const char* key, const char* defaultValue, char* value, DWORD size) const;

private:
    struct Key {
        std::string name;
        bool hasValue = false;  // a line without '=' names a key with no value
        std::string value;
    };
    struct Section {
        std::string name;
        std::vector<Key> keys;
    };

    void Parse(const std::string& text);

    std::string fileName_;
    // Where the file's text is not single bytes of the ANSI code page as this parser takes
    // them (a byte-order mark, another code page), the profile API itself answers.
    bool askTheApi_ = false;
    std::vector<Section> sections_;
};
