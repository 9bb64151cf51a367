// One box's transfer as the command runs it: what its options ask (its port among
// them), where its own lines go, and where its progress goes: typed events, to the
// JSON writer or to a board, or none (then the bars, or plain lines without a
// terminal). A command of one box runs one; several boxes and the station one a
// port, each on a thread of its own.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "app/cli/image/image_lock.h"
#include "app/cli/options/transfer_options.h"
#include "app/cli/terminal/say.h"
#include "display/console/progress_events.h"

// A session's own stop, beside Ctrl-C's (which stops every session): the station stops
// one port's so, with why.
class OwnStop {
public:
    void Ask(const std::string& why) {
        {
            const std::lock_guard<std::mutex> lock(saying_);
            why_ = why;
        }
        asked_.store(true);
    }
    bool Asked() const { return asked_.load(); }
    std::string Why() const {
        const std::lock_guard<std::mutex> lock(saying_);
        return why_;
    }

private:
    std::atomic<bool> asked_{false};
    mutable std::mutex saying_;
    std::string why_;
};

struct BoxJob {
    TransferOptions options;  // options.session.link.PortName: its port
    Voice& voice;
    EventSink* events = nullptr;
    bool served = false;  // one of several boxes: its end is a "box-end", the checks of all were made once
    // The lock of the image's name, when whoever chose the name took it (a station
    // picks each box's {n} under it); the command holds it until it ends.
    std::shared_ptr<ImageLock> imageLock;
    std::shared_ptr<OwnStop> stop = std::make_shared<OwnStop>();
    // Its end was told (an end or box-end event), which a command refused before its
    // session tells no other way.
    std::shared_ptr<std::atomic<bool>> endSaid = std::make_shared<std::atomic<bool>>(false);

    const std::string& Port() const { return options.session.link.PortName; }
};

// The options of one box served with others: its port, its own trace, no question
// (it was asked once for all).
TransferOptions BoxOptions(const TransferOptions& options, const std::string& port, TransferKind kind);

// A box's command: download, upload or verify of its image, on its job; its status.
using BoxCommand = std::function<int(TransferKind, const std::string&, const BoxJob&)>;
