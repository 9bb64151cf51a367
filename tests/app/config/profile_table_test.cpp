// One table of profile reads and writes, run against our initialisation-file code
// and, in the Windows build, against the Windows profile functions themselves (the
// cases were measured there first), so that both provably behave alike.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

#include "app/config/ini_file.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

struct Implementation {
    const char* name;
    std::function<std::string(const std::string& path, const char* key, const char* def, int kept)> readText;
    std::function<int(const std::string& path, const char* key, int def)> readInt;
    std::function<void(const std::string& path, const char* key, const char* value)> write;
    bool keepsLayout;  // a write leaves every other byte of the file as it was
};

std::vector<Implementation> Implementations() {
    std::vector<Implementation> all;
    all.push_back({"ini",
                   [](const std::string& p, const char* k, const char* d, int kept) {
                       return IniReadString(p, "OPTIONS", k, d, kept + 1);
                   },
                   [](const std::string& p, const char* k, int d) { return IniReadInt(p, "OPTIONS", k, d); },
                   [](const std::string& p, const char* k, const char* v) { IniWriteString(p, "OPTIONS", k, v); },
                   true});
#ifdef _WIN32
    // Windows keeps the file's layout too; Wine, which these tests run under,
    // rewrites the whole file in its own layout (CR LF, no blank lines, key=value).
    const bool wine = GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
    all.push_back({"win32",
                   [](const std::string& p, const char* k, const char* d, int kept) {
                       std::string buffer(static_cast<std::size_t>(kept) + 1, '\0');
                       GetPrivateProfileStringA("OPTIONS", k, d, buffer.data(), static_cast<DWORD>(buffer.size()),
                                                p.c_str());
                       return std::string(buffer.c_str());
                   },
                   [](const std::string& p, const char* k, int d) {
                       return static_cast<int>(GetPrivateProfileIntA("OPTIONS", k, d, p.c_str()));
                   },
                   [](const std::string& p, const char* k, const char* v) {
                       WritePrivateProfileStringA("OPTIONS", k, v, p.c_str());
                   },
                   !wine});
#endif
    return all;
}

struct ReadCase {
    const char* file;  // nullptr: no file at all
    const char* key;
    const char* def;
    int kept;
    const char* expected;
};

const ReadCase kReads[] = {
    {nullptr, "Port", "COM5", 4, "COM5"},                                    // no file
    {"[OTHER]\r\nPort=COM1\r\n", "Port", "COM5", 4, "COM5"},                // no section
    {"[OPTIONS]\r\nBAUD_RATE=9600\r\n", "Port", "COM5", 4, "COM5"},         // no key
    {"[OPTIONS]\r\nPort=COM12\r\n", "Port", "COM5", 4, "COM1"},             // cut to the kept length
    {"[OPTIONS]\r\nPort=COM12\r\n", "Port", "COM5", 259, "COM12"},
    {"[OPTIONS]\r\nPacketLength=20480\r\n", "PacketLength", "Err", 4, "2048"},
    {"[OPTIONS]\r\nK=x\r\n", "MISSING", "DEFAULT", 3, "DEF"},               // the default is cut too
    {"[OPTIONS]\r\nK=x\r\n", "MISSING", "DEF   ", 20, "DEF"},               // less its trailing spaces
    {"[OPTIONS]\r\nK=x\r\n", "MISSING", "  DEF", 20, "  DEF"},
    {"[options]\r\nport=abc\r\n", "Port", "d", 20, "abc"},                  // names without regard to case
    {"[ OPTIONS ] trailing\r\nK=t\r\n", "K", "d", 20, "t"},
    {"[OPTIONS]\r\n  K \t=  value with spaces \t\r\n", "K", "d", 30, "value with spaces"},
    {"[OPTIONS]\r\nK=\"  quoted  \"\r\n", "K", "d", 20, "  quoted  "},      // matching quotes go
    {"[OPTIONS]\r\nK='single'\r\n", "K", "d", 20, "single"},
    {"[OPTIONS]\r\nK=\"unbalanced\r\n", "K", "d", 20, "\"unbalanced"},
    {"[OPTIONS]\r\nK=\"a\"b\"\r\n", "K", "d", 20, "a\"b"},
    {"[OPTIONS]\r\nK=\r\n", "K", "d", 20, ""},                              // empty, not the default
    {"[OPTIONS]\r\nK\r\n", "K", "d", 20, "d"},                              // no '=': no key
    {"[OPTIONS]\r\nK=a=b\r\n", "K", "d", 20, "a=b"},
    {"[OPTIONS]\r\nK=x ;not a comment\r\n", "K", "d", 20, "x ;not a comment"},
    {"[OPTIONS]\r\n;K=commented\r\n", "K", "d", 20, "d"},
    {"[OPTIONS]\r\nK=first\r\nK=second\r\n", "K", "d", 20, "first"},
    {"[OPTIONS]\r\nK=a\r\n[OPTIONS]\r\nJ=c\r\n", "J", "d", 20, "d"},        // only the first section counts
    {"[OPTIONS]\r\n[OPTIONS2]\r\nK=x\r\n", "K", "d", 20, "d"},
    {"K=outside\r\n[OPTIONS]\r\n", "K", "d", 20, "d"},
    {"[OPTIONS\r\nK=unclosed\r\n", "K", "d", 20, "d"},
    {"[OPTIONS]\nK=lf\n", "K", "d", 20, "lf"},
    {"[OPTIONS]\rK=cr\r", "K", "d", 20, "cr"},
    {"\xEF\xBB\xBF[OPTIONS]\r\nK=bom\r\n", "K", "d", 20, "bom"},
    {"[OPTIONS]\r\nK=no line end", "K", "d", 20, "no line end"},
    {"[OPTIONS]\r\nLastDir=\r\n", "LastDir", "1", 3, ""},
    {"[OPTIONS]\r\nLastDir=1stImages\\\r\n", "LastDir", "1", 3, "1st"},
};

struct IntCase {
    const char* value;  // nullptr: key absent
    int def;
    int expected;
};

const IntCase kInts[] = {
    {nullptr, 77, 77}, {"", 77, 77}, {"   ", 77, 77},  {"2048", 0, 2048},    {"  42", 0, 42},
    {"\t7", 0, 7},     {"+42", 0, 42}, {"-5", 0, -5},   {" -5x", 0, -5},      {"12abc", 0, 12},
    {"abc", 77, 0},    {"Err", 77, 0}, {"- 5", 7, 0},   {"+-3", 7, 0},        {"\"12\"", 0, 12},
    {"1,000", 0, 1},   {"010", 0, 10}, {"08", 0, 8},    {"0x10", 0, 16},      {"-0x10", 0, -16},
    {"0X1F", 7, 0},    {"0o17", 0, 15}, {"0b101", 0, 5}, {"0b2", 7, 0},       {"1e3", 0, 1},
    {"4294967295", 0, -1}, {"2147483648", 0, -2147483647 - 1}, {"-2147483649", 0, 2147483647},
    {"99999999999", 0, 1215752191}, {"0xffffffff", 0, -1},
    {"000000000000000000000000000000123", 7, 0},  // only 29 characters are looked at
};

struct WriteCase {
    const char* file;  // nullptr: no file
    const char* key;
    const char* value;
    const char* expected;
    bool layoutOnly;  // passes only where writes keep the layout
};

const WriteCase kWrites[] = {
    {nullptr, "Port", "COM3", "[OPTIONS]\r\nPort=COM3\r\n", false},
    {"", "Port", "COM3", "[OPTIONS]\r\nPort=COM3\r\n", false},
    {"[OPTIONS]\r\nPort=COM1\r\nX=y\r\n", "Port", "COM12", "[OPTIONS]\r\nPort=COM12\r\nX=y\r\n", false},
    {"[options]\r\nport=COM1\r\n", "Port", "COM12", "[options]\r\nport=COM12\r\n", false},
    {"[OPTIONS]\r\nPort=COM1\r\n", "New", "v", "[OPTIONS]\r\nPort=COM1\r\nNew=v\r\n", false},
    {"[OTHER]\r\nA=1\r\n", "Port", "COM3", "[OTHER]\r\nA=1\r\n[OPTIONS]\r\nPort=COM3\r\n", false},
    {"[OPTIONS]\r\nA=1\r\n[Z]\r\nB=2\r\n", "New", "v", "[OPTIONS]\r\nA=1\r\nNew=v\r\n[Z]\r\nB=2\r\n", false},
    {"; comment\r\n[OTHER]\r\nA=1\r\n[OPTIONS]\r\nPort=COM1\r\n[LAST]\r\nB=2\r\n", "Port", "COM2",
     "; comment\r\n[OTHER]\r\nA=1\r\n[OPTIONS]\r\nPort=COM2\r\n[LAST]\r\nB=2\r\n", false},
    {"[OPTIONS]\r\nPort=COM1", "New", "v", "[OPTIONS]\r\nPort=COM1\r\nNew=v\r\n", false},
    // Layout kept: comments, blank lines, spacing and LF line ends.
    {"; comment\r\n[OTHER]\r\nA = 1\r\n\r\n[OPTIONS]\r\n  Port = COM1  ; c\r\nX = y\r\n\r\n[LAST]\r\nB=2\r\n", "Port",
     "COM12", "; comment\r\n[OTHER]\r\nA = 1\r\n\r\n[OPTIONS]\r\n  Port = COM12\r\nX = y\r\n\r\n[LAST]\r\nB=2\r\n", true},
    {"[OPTIONS]\nPort=COM1\nX = y\n", "Port", "COM12", "[OPTIONS]\nPort=COM12\nX = y\n", true},
    {"[OPTIONS]\nPort=COM1\n\n[Z]\n", "New", "v", "[OPTIONS]\nPort=COM1\nNew=v\n\n[Z]\n", true},
    {"# kept\n[OTHER]\nA=1", "Port", "COM3", "# kept\n[OTHER]\nA=1\n[OPTIONS]\nPort=COM3\n", true},
};

class ProfileTable : public ::testing::TestWithParam<Implementation> {
protected:
    void SetUp() override { path_ = ::testing::TempDir() + "kv_profile_table.ini"; }
    void TearDown() override { std::remove(path_.c_str()); }
    void Put(const char* content) {
        std::remove(path_.c_str());
        if (!content) return;
        std::ofstream(path_, std::ios::binary) << content;
    }
    std::string Get() {
        std::ifstream in(path_, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    std::string path_;
};

TEST_P(ProfileTable, TextReads) {
    for (const ReadCase& c : kReads) {
        Put(c.file);
        EXPECT_EQ(GetParam().readText(path_, c.key, c.def, c.kept), c.expected)
            << "file: " << ::testing::PrintToString(c.file ? c.file : "(none)") << " key " << c.key;
    }
}

TEST_P(ProfileTable, IntegerReads) {
    for (const IntCase& c : kInts) {
        Put(c.value ? (std::string("[OPTIONS]\r\nK=") + c.value + "\r\n").c_str() : "[OPTIONS]\r\n");
        EXPECT_EQ(GetParam().readInt(path_, "K", c.def), c.expected) << ::testing::PrintToString(c.value);
    }
    Put(nullptr);
    EXPECT_EQ(GetParam().readInt(path_, "K", -3), -3);
}

TEST_P(ProfileTable, Writes) {
    for (const WriteCase& c : kWrites) {
        if (c.layoutOnly && !GetParam().keepsLayout) continue;
        Put(c.file);
        GetParam().write(path_, c.key, c.value);
        EXPECT_EQ(Get(), c.expected) << "file: " << ::testing::PrintToString(c.file ? c.file : "(none)");
        EXPECT_EQ(GetParam().readText(path_, c.key, "d", 259), c.value);
    }
    // A file that cannot be written: nothing happens, nothing is reported.
    const std::string nowhere = ::testing::TempDir() + "kv-no-such-dir/sub/config.ini";
    GetParam().write(nowhere, "Port", "COM3");
    EXPECT_EQ(GetParam().readText(nowhere, "Port", "none", 10), "none");
}

INSTANTIATE_TEST_SUITE_P(Both, ProfileTable, ::testing::ValuesIn(Implementations()),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace

namespace {

// A key that stands twice is found, with the value a read gives (the first); a key
// of another section or of a later section of the same name is not counted.
TEST(IniRepeatedKeys, NamesEachRepeatedKeyWithTheValueUsed) {
    const std::string path = ::testing::TempDir() + "repeated.ini";
    std::ofstream(path, std::ios::binary) << "[OPTIONS]\r\nPacketLength=2048\r\npatience = 5\r\nPort=COM5\r\n"
                                             "PACKETLENGTH=1000\r\nPatience=60\r\n[OTHER]\r\nPort=COM6\r\n"
                                             "[options]\r\nPort=COM7\r\n";
    const std::vector<std::pair<std::string, std::string>> expected = {{"PacketLength", "2048"}, {"patience", "5"}};
    EXPECT_EQ(IniRepeatedKeys(path, "OPTIONS"), expected);
    std::remove(path.c_str());
}

}  // namespace
