// The built kestrivane against kestrivane-box on a pty, as a user runs them: a scratch
// folder a test (served/ for images a box serves, got/ for what comes down).
#pragma once

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "box/image.h"
#include "support/process.h"

// A box that wastes no time between sections.
inline std::vector<std::string> FastBox(std::vector<std::string> more) {
    std::vector<std::string> args = {"--etb-period", "20", "--section-gap", "100", "--power-on-delay", "0"};
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

class CommandLine : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        // Of this process too: two builds' tests may run at once.
        dir_ = std::filesystem::temp_directory_path() /
               (std::string("kv-cli-") + test->name() + "-" + std::to_string(::getpid()));
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_ / "served");
        std::filesystem::create_directories(dir_ / "got");
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::string At(const std::string& name) const { return (dir_ / name).string(); }
    bool Exists(const std::string& name) const { return std::filesystem::exists(dir_ / name); }
    box::Bytes Read(const std::string& name) const {
        box::Bytes bytes;
        box::ReadFileBytes(At(name), &bytes);
        return bytes;
    }
    ProcessResult Kestrivane(std::vector<std::string> args, int interruptAfterMs = -1, bool onTerminal = false) {
        args.insert(args.begin(), KV_CLI_BINARY);
        return RunProgram(args, interruptAfterMs, onTerminal);
    }
    ProcessResult Kestrivane(std::vector<std::string> args, std::vector<TimedSignal> signals) {
        args.insert(args.begin(), KV_CLI_BINARY);
        return RunProgram(args, std::move(signals));
    }

    std::filesystem::path dir_;
};
