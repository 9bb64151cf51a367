#include "support/session_rig.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/config/config.h"

namespace fs = std::filesystem;

box::BoxOptions MakeBoxOptions(const RigOptions& options) {
    box::BoxOptions boxOptions;
    boxOptions.mode = options.mode;
    boxOptions.sectionGap = options.sectionGap;
    boxOptions.byteTime = options.byteTime;
    for (const std::string& text : options.faults) {
        std::string error;
        const auto fault = box::ParseFault(text, &error);
        EXPECT_TRUE(fault) << error;
        if (fault) boxOptions.faults.push_back(*fault);
    }
    return boxOptions;
}

SessionRig::SessionRig(const box::Image& image, RigOptions options) {
    NewBox(image, options);
    linkSettings.PortName = "COM5";
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const fs::path dir = fs::temp_directory_path() / ("kv-" + std::string(test->test_suite_name()) + "-" + test->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
    dir_ = dir.string();
    UseConfigFile(Path("config.ini"));
    SetPacketLength("2048");
}

void SessionRig::NewBox(const box::Image& image, RigOptions options) {
    link_.reset();
    box_ = std::make_unique<box::Box>(image, MakeBoxOptions(options));
    // A box already announcing was switched on before Transfer was pressed.
    box_->PowerOn(box_->HasFault(box::FaultKind::EtbStream) ? 0 : options.powerOnAt);
    session_.reset();
    link_ = std::make_unique<box::VirtualLink>(*box_);
}

Session& SessionRig::NewSession() {
    session_ = std::make_unique<TestSession>(*link_, display);
    TestSession& s = *session_;
    s.settings.link = linkSettings;
    s.settings.packetLength = [] { return ReadProfileInt("PacketLength", 0); };  // at each section, as Windows reads it
    s.settings.urt = urt;
    s.settings.checkStoredPackets = checkStoredPackets;
    s.settings.patience = patience;
    s.settings.fastHeader = fastHeader;
    s.stopRequested = [this] { return cancel != 0; };
    s.clock = [this] { return Seconds(); };
    s.priority = &priority;
    return s;
}

SessionRig::~SessionRig() {
    session_.reset();
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
}

std::string SessionRig::Path(const std::string& name) const { return (fs::path(dir_) / name).string(); }

void SessionRig::SetPacketLength(const char* value) {
    std::ofstream config(ConfigPath, std::ios::binary | std::ios::trunc);
    config << "[OPTIONS]\r\nLastDir=" << dir_ << "\r\n";
    if (value) config << "PacketLength=" << value << "\r\n";
}

box::Bytes SessionRig::FileBytes(const std::string& path) const {
    box::Bytes bytes;
    box::ReadFileBytes(path, &bytes);
    return bytes;
}

bool SessionRig::Exists(const std::string& path) const { return fs::exists(path); }
