// The JSON the commands print for scripts: one schema per command, lists always
// lists, and every string valid UTF-8 whatever the file names hold.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "app/cli/commands/compare.h"
#include "app/cli/commands/inspect.h"
#include "display/console/json_text.h"

namespace {

namespace fs = std::filesystem;

// What a command printed to its `out`.
template <typename Command>
std::string Printed(Command command) {
    char* text = nullptr;
    std::size_t size = 0;
    std::FILE* out = open_memstream(&text, &size);
    command(out);
    std::fclose(out);
    std::string printed(text, size);
    std::free(text);
    return printed;
}

TEST(JsonText, FileNamesBecomeValidUtf8) {
    EXPECT_EQ(ValidUtf8("caf\xC3\xA9.dat"), "caf\xC3\xA9.dat");  // UTF-8 stands as it is
    EXPECT_EQ(ValidUtf8("caf\xE9.dat"), "caf\\xE9.dat");          // a Latin-1 byte is no character
    EXPECT_EQ(ValidUtf8("\xC0\xAF \xED\xA0\x80 \xF4\x90\x80\x80"), "\\xC0\\xAF \\xED\\xA0\\x80 \\xF4\\x90\\x80\\x80");
    EXPECT_EQ(Json(ValidUtf8("a\x01\"b")).dump(), "\"a\\u0001\\\"b\"");
    // On a terminal a name's control bytes are escaped too, and cannot break a line.
    EXPECT_EQ(PrintableText("caf\xC3\xA9\n\x1B[2Jx\xE9.dat"), "caf\xC3\xA9\\x0A\\x1B[2Jx\\xE9.dat");
}

TEST(JsonSchema, InspectAndCompareKeepTheirShapeWhateverHappens) {
    const fs::path dir = fs::temp_directory_path() / "kv-json-schema";
    fs::remove_all(dir);
    fs::create_directories(dir);
    const std::string named = (dir / "caf\xE9.ur3").string(), missing = (dir / "gone.ur1").string();
    std::ofstream(named, std::ios::binary) << "\x02\x00\x00\x05hello";

    std::FILE* nowhere = std::fopen("/dev/null", "w");
    const Json inspect = Json::parse(Printed([&](std::FILE* out) { InspectFiles({named, missing}, true, out); }));
    ASSERT_EQ(inspect["files"].size(), 2u);
    for (const Json& file : inspect["files"]) {
        EXPECT_TRUE(file["path"].is_string());
        EXPECT_TRUE(file["present"].is_boolean());
        EXPECT_TRUE(file["problems"].is_array()) << file.dump();
        EXPECT_TRUE(file["notes"].is_array()) << file.dump();
        for (const Json& p : file["problems"]) EXPECT_TRUE(p["offset"].is_number() && p["text"].is_string());
    }
    EXPECT_EQ(inspect["files"][0]["path"], (dir / "caf\\xE9.ur3").string());
    EXPECT_FALSE(inspect["files"][1]["present"]);
    EXPECT_EQ(inspect["files"][1]["error"], "no such file");
    EXPECT_TRUE(inspect["problems"].is_number());

    // Compare prints its JSON even when a side cannot be read.
    int status = 0;
    const Json compare =
        Json::parse(Printed([&](std::FILE* out) { status = CompareImages(named, missing, true, out, nowhere); }));
    EXPECT_EQ(status, 2);
    EXPECT_TRUE(compare["error"].is_string());
    EXPECT_TRUE(compare["sections"].is_array());
    EXPECT_EQ(compare["same"], false);
    const Json same = Json::parse(Printed([&](std::FILE* out) { status = CompareImages(named, named, true, out, nowhere); }));
    EXPECT_EQ(status, 0);
    ASSERT_EQ(same["sections"].size(), 1u);
    EXPECT_TRUE(same["sections"][0]["differences"].is_array());
    EXPECT_EQ(same["same"], true);
    std::fclose(nowhere);
    fs::remove_all(dir);
}

}  // namespace
