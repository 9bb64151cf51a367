// The emulated box served on a pty from a thread of the test, in real time.
#pragma once

#include <csignal>
#include <memory>
#include <thread>
#include <vector>

#include "box/pty_server.h"

class PtyBoxThread {
public:
    explicit PtyBoxThread(const box::Image& image, box::BoxOptions options = FastOptions())
        : image_(image), options_(std::move(options)) {
        box::PtyServerOptions serverOptions;
        serverOptions.powerOnDelay = 0;
        server_ = std::make_unique<box::PtyServer>(
            pty_, [this](int) { return std::make_unique<box::Box>(image_, options_); }, serverOptions,
            [this](const box::Box& b) { received_ = b.Received(); });
        thread_ = std::thread([this] { server_->Run(stop_); });
    }
    ~PtyBoxThread() {
        stop_ = 1;
        thread_.join();
    }

    const std::string& Path() const { return pty_.SlavePath(); }
    // What the box received in the last session that ended (the port closed).
    const std::vector<box::ReceivedSection>& Received() const { return received_; }

    // A box that wastes no time between sections.
    static box::BoxOptions FastOptions() {
        box::BoxOptions options;
        options.etbPeriod = 20'000;
        options.sectionGap = 50'000;
        return options;
    }

private:
    box::Image image_;
    box::BoxOptions options_;
    PtyDevice pty_;
    std::unique_ptr<box::PtyServer> server_;
    std::vector<box::ReceivedSection> received_;
    volatile std::sig_atomic_t stop_ = 0;
    std::thread thread_;
};
