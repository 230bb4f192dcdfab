// The rules below are those of the profile API as the programs meet it (kernel32's profile
// reader): lines end at any run of CR and LF; blanks (tab to CR, ^Z, space) around lines,
// names and values do not count; a section is named by what lies between '[' and the
// line's last ']'; a key by what comes before its line's first '='; names compare without
// regard to case and end at a NUL; the first of two sections or keys of one name is the
// one found, and a key without '=' has no value, so the default stands for it; a value
// quoted at both ends loses its quotes. Comments are no rule of their own: ";KEY=x" names
// the key ";KEY".
#include "profile.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "platform/platform.h"

namespace {

bool IsBlank(char c) {
    auto u = static_cast<unsigned char>(c);
    return (u >= 0x09 && u <= 0x0D) || u == 0x1A || u == 0x20;
}

void Trim(const char*& start, const char*& end) {
    while (start < end && IsBlank(*start)) ++start;
    while (end > start && IsBlank(end[-1])) --end;
}

std::string Trimmed(const char* text) {
    const char* start = text;
    const char* end = text + std::strlen(text);
    Trim(start, end);
    return std::string(start, end);
}

// A name or value as the reader keeps it: up to its first NUL.
std::string UpToNul(const char* start, const char* end) { return std::string(start, std::find(start, end, '\0')); }

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// The names looked up are the catalogue's own, in ASCII: a byte above 127 of the file
// never folds to one of them in code page 1252.
bool SameName(const std::string& name, const std::string& wanted) {
    return name.size() == wanted.size() &&
           std::equal(name.begin(), name.end(), wanted.begin(), [](char a, char b) { return Lower(a) == Lower(b); });
}

// A value as the reader hands it out into a buffer of size characters: quotes at both ends
// taken off, cut to size - 1 characters, and the closing quote's place given up even where
// the cut left the quote out, as the reader does.
std::string CopyEntry(const std::string& value, DWORD size) {
    const bool quoted =
        value.size() > 1 && (value.front() == '\'' || value.front() == '"') && value.back() == value.front();
    const std::string rest = quoted ? value.substr(1) : value;
    std::string copy = rest.substr(0, std::min<std::size_t>(rest.size(), size - 1));
    if (quoted && size >= rest.size() && !copy.empty()) copy.pop_back();
    return copy;
}

}  // namespace

ProfileFile::ProfileFile(const char* fileName) : fileName_(fileName) {
    HANDLE file = CreateFileA(fileName, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        // A missing file reads as an empty one; any other failure gives the default as it
        // is, which only the API itself does alike.
        askTheApi_ = GetLastError() != ERROR_FILE_NOT_FOUND;
        return;
    }
    // A file larger than any configuration file, which the 32-bit program might not hold,
    // reads as an empty one: the catalogue goes on to the next aircraft.
    std::string text;
    LARGE_INTEGER size{};
    if (GetFileSizeEx(file, &size) && size.QuadPart > 0 &&
        static_cast<std::uint64_t>(size.QuadPart) <= platform::kReadWholeLimit) {
        text.resize(static_cast<std::size_t>(size.QuadPart));
        DWORD got = 0;
        if (!ReadFile(file, text.data(), size.LowPart, &got, nullptr)) got = 0;
        text.resize(got);
    }
    CloseHandle(file);
    auto startsWith = [&](const char* mark) { return text.compare(0, std::strlen(mark), mark) == 0; };
    // Byte-order marks make the text UTF-8 or UTF-16; another code page makes bytes above
    // 127 characters of its own.
    static const bool westernCodePage = GetACP() == 1252;
    askTheApi_ = startsWith("\xEF\xBB\xBF") || startsWith("\xFF\xFE") || startsWith("\xFE\xFF") ||
                 (!westernCodePage && std::any_of(text.begin(), text.end(), [](char c) { return c & 0x80; }));
    if (!askTheApi_) Parse(text);
}

void ProfileFile::Parse(const std::string& text) {
    sections_.assign(1, Section{});  // the keys before the first section's name
    const char* next = text.data();
    const char* const end = next + text.size();
    while (next < end) {
        const char* start = next;
        while (next < end && *next != '\n' && *next != '\r') ++next;
        const char* lineEnd = next;
        while (next < end && (*next == '\n' || *next == '\r')) ++next;
        Trim(start, lineEnd);
        if (start >= lineEnd) continue;
        if (*start == '[') {
            const char* close = lineEnd;
            while (close > start && close[-1] != ']') --close;
            if (close > start) {  // else no section name: a key, as below
                const char* nameStart = start + 1;
                const char* nameEnd = close - 1;
                Trim(nameStart, nameEnd);
                sections_.push_back(Section{UpToNul(nameStart, nameEnd), {}});
                continue;
            }
        }
        Key key;
        const char* equals = std::find(start, lineEnd, '=');
        const char* nameEnd = equals;
        if (equals < lineEnd) {
            while (nameEnd > start && IsBlank(nameEnd[-1])) --nameEnd;
            const char* value = equals + 1;
            while (value < lineEnd && IsBlank(*value)) ++value;
            key.hasValue = true;
            key.value = UpToNul(value, lineEnd);
        }
        key.name = UpToNul(start, nameEnd);
        // A key of no name is never looked up.
        if (!key.name.empty()) sections_.back().keys.push_back(std::move(key));
    }
}

void ProfileFile::GetString(const char* section, const char* key, const char* defaultValue, char* value,
                            DWORD size) const {
    if (askTheApi_) {
        GetPrivateProfileStringA(section, key, defaultValue, value, size, fileName_.c_str());
        return;
    }
    if (size == 0) return;
    // The default loses its trailing spaces, but never its first character.
    std::string fallback(defaultValue != nullptr ? defaultValue : "");
    std::size_t last = fallback.find_last_not_of(' ');
    if (!fallback.empty()) fallback.resize(last == std::string::npos ? 1 : last + 1);
    const std::string wantedSection = Trimmed(section);
    const std::string wantedKey = Trimmed(key);
    const std::string* found = &fallback;
    auto named = std::find_if(sections_.begin(), sections_.end(),
                              [&](const Section& s) { return SameName(s.name, wantedSection); });
    if (named != sections_.end()) {
        auto entry = std::find_if(named->keys.begin(), named->keys.end(),
                                  [&](const Key& k) { return SameName(k.name, wantedKey); });
        if (entry != named->keys.end() && entry->hasValue) found = &entry->value;
    }
    const std::string copy = CopyEntry(*found, size);
    std::memcpy(value, copy.c_str(), copy.size() + 1);
}
