// The catalogue's reader of configuration files against the profile API itself: for every
// file of a corpus of odd ones, each value the catalogue asks for, compared with what
// GetPrivateProfileStringA gives for the same file, section and key.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "profile.h"

namespace fs = std::filesystem;

namespace {

using namespace std::string_literals;

const std::string kLong(300, 'L');

// Test data: one file for each rule the reader must keep.
const struct {
    const char* what;
    std::string text;
} kCorpus[] = {
    {"plain", "[FLTSIM.0]\r\nMODEL=\r\nTITLE=Biplane\r\nSIM=biplane\r\n[MODELS]\r\nNORMAL=biplane\r\n"},
    {"names in any case", "[fltsim.0]\r\nmodel=m\r\nTiTlE=t\r\n[Models]\r\nnormal=n\r\n"},
    {"first of two sections", "[FLTSIM.0]\r\nMODEL=first\r\n[FLTSIM.0]\r\nMODEL=second\r\nTITLE=only second\r\n"},
    {"first of two keys", "[FLTSIM.0]\r\nMODEL=first\r\nmodel=second\r\n"},
    {"blanks and tabs", " \t[ FLTSIM.0 ] \t\r\n \tMODEL \t= \t a value \t\r\n\tTITLE\t=\t\r\nSIM=\x0b\x0c\x1a s \x1a\r\n"},
    {"blanks inside names", "[FLT SIM.0]\r\nMODEL=x\r\n[FLTSIM.0]\r\nMO DEL=y\r\nTITLE=z\r\n"},
    {"quotes", "[FLTSIM.0]\r\nMODEL=\"quoted\"\r\nTITLE='single'\r\nSIM=\"open\r\n[FLTSIM.1]\r\nMODEL=\"\"\r\n"
               "TITLE=\"\r\nSIM=\"a\"b\"\r\n[FLTSIM.2]\r\nMODEL='\"'\r\nTITLE=\" spaced \"\r\nSIM=\"mixed'\r\n"},
    {"comment lines", "[FLTSIM.0]\r\n;MODEL=commented\r\n# TITLE=hash\r\nMODEL=x ; not a comment\r\n//SIM=s\r\n"},
    {"lines without =", "[FLTSIM.0]\r\nMODEL\r\nMODEL=later\r\nTITLE\r\n[MODELS]\r\nNORMAL\r\n"},
    {"LF only", "[FLTSIM.0]\nMODEL=m\nTITLE=t\n"},
    {"CR only", "[FLTSIM.0]\rMODEL=m\rTITLE=t\r"},
    {"mixed line ends", "[FLTSIM.0]\r\nMODEL=m\n\r\n\rTITLE=t\n\nSIM=s\r"},
    {"no final line end", "[FLTSIM.0]\r\nMODEL=m\r\nTITLE=last"},
    {"bytes above 127", "[FLTSIM.0]\r\nTITLE=Fokker Dr.I \xe9\xfc\x80\x81\x8d\x8f\x90\x9d\xa0\xff\r\nMODEL=\xa0m\xa0\r\n"},
    {"empty file", ""},
    {"only blanks", " \r\n\t\r\n"},
    {"values longer than the buffer",
     "[FLTSIM.0]\r\nMODEL=" + kLong + "\r\nTITLE=\"" + std::string(258, 'q') + "\"\r\nSIM=\"" + std::string(259, 'q') +
         "\"\r\n[FLTSIM.1]\r\nMODEL=\"" + std::string(260, 'q') + "\"\r\nTITLE=" + std::string(259, 't') +
         "\r\nSIM=" + std::string(260, 's') + "\r\n"},
    {"UTF-16 byte-order mark", "\xff\xfe[\0F\0L\0T\0S\0I\0M\0.\0\x30\0]\0\r\0\n\0M\0O\0D\0E\0L\0=\0m\0\r\0\n\0"s},
    {"UTF-8 byte-order mark", "\xef\xbb\xbf[FLTSIM.0]\r\nMODEL=m\xc3\xa9\r\n"},
    {"section headers odd", "[FLTSIM.0\r\nMODEL=x\r\n[FLTSIM.0]junk]\r\nMODEL=y\r\n[]\r\nTITLE=t\r\n[FLTSIM.1]]\r\nMODEL=z\r\n"},
    {"keys before any section", "MODEL=nowhere\r\n[FLTSIM.0]\r\nTITLE=t\r\n"},
    {"NUL bytes", "[FLTSIM.0]\r\nMODEL\0X=cut name\r\nMO\0DEL=x\r\nTITLE=a\0b\r\n[FLTSIM.1\0]\r\nSIM=s\r\n"s},
    {"= in values and empty names", "[FLTSIM.0]\r\n=lone\r\nMODEL==x=y\r\nTITLE = = \r\n"},
};

const char* const kSections[] = {"FLTSIM.0", "FLTSIM.1", "FLTSIM.2", "MODELS", "FLT SIM.0"};
const char* const kKeys[] = {"MODEL", "TITLE", "SIM", "NORMAL", "MO DEL"};

// A file of random lines from pieces that the rules above turn on.
std::string RandomFile(std::mt19937& random) {
    static const char* const pieces[] = {"[", "]", "=", "\r", "\n", "\r\n", " ", "\t", "\"", "'", ";", "\x1a", "\xe9",
                                         "\xa0", "FLTSIM.0", "fltsim.1", "FLTSIM.2", "MODELS", "MODEL", "model",
                                         "TITLE", "SIM", "NORMAL", "x", "Camel", "\0"};
    std::string text;
    const int last = static_cast<int>(std::size(pieces)) - 1;
    std::uniform_int_distribution<int> lines(0, 12), length(0, 7), piece(0, last);
    for (int line = lines(random); line > 0; --line) {
        for (int n = length(random); n > 0; --n) {
            int p = piece(random);
            text += p == last ? "\0"s : std::string(pieces[p]);
        }
        text += "\r\n";
    }
    return text;
}

class ProfileTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / "vorbix-profiles";
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    // Every value the catalogue could ask of text, read both ways.
    void Compare(const std::string& what, const std::string& text) {
        std::string name = (dir_ / ("p" + std::to_string(files_++) + ".cfg")).string();
        std::ofstream(name, std::ios::binary) << text;
        CompareAt(what, name);
    }
    void CompareAt(const std::string& what, const std::string& name) {
        ProfileFile file(name.c_str());
        for (const char* section : kSections)
            for (const char* key : kKeys) {
                char ours[260], theirs[260];
                std::memset(ours, 'X', sizeof ours);
                std::memset(theirs, 'X', sizeof theirs);
                file.GetString(section, key, "ERROR:2", ours, sizeof ours);
                GetPrivateProfileStringA(section, key, "ERROR:2", theirs, sizeof theirs, name.c_str());
                ASSERT_STREQ(ours, theirs) << what << ": [" << section << "] " << key;
            }
    }

    fs::path dir_;
    int files_ = 0;
};

TEST_F(ProfileTest, ValuesAreThoseOfTheProfileApi) {
    for (const auto& c : kCorpus) Compare(c.what, c.text);
    CompareAt("missing file", (dir_ / "none.cfg").string());
    CompareAt("missing folder", (dir_ / "none" / "none.cfg").string());
    fs::create_directory(dir_ / "folder.cfg");
    CompareAt("a folder of that name", (dir_ / "folder.cfg").string());
}

// VORBIX_PROFILE_FILES sets how many (make profile-diff: many).
TEST_F(ProfileTest, RandomFilesGiveTheValuesOfTheProfileApi) {
    const char* count = std::getenv("VORBIX_PROFILE_FILES");
    const int files = count != nullptr ? std::atoi(count) : 200;
    std::mt19937 random(20261210);
    for (int i = 0; i < files; ++i) {
        std::string text = RandomFile(random);
        Compare("random file " + std::to_string(i), text);
        if (HasFatalFailure()) return;
    }
}

}  // namespace
