#include "app/cli/run/signals.h"

#include <atomic>

namespace {

// The command line's own state of the signals (lock-free, so the handler may touch it).
std::atomic<int> stops{0};
std::atomic<int> firstSignal{0};
std::atomic<int> placing{0};         // images being put in place now
std::atomic<int> stopPending{0};     // a second signal that waits for them

}  // namespace

// The first signal asks the sessions to stop at their next check; a second one stops
// the program at once, or once no image is being put in place.
void HearStop(int signal) {
    int none = 0;
    firstSignal.compare_exchange_strong(none, signal);
    if (stops.fetch_add(1) == 0) return;
    if (placing.load() > 0) {
        stopPending.store(signal);
        return;
    }
    StopAtOnce(signal);
}

int StopsAsked() { return stops.load(); }

int FirstStopSignal() { return firstSignal.load(); }

PlacementHold::PlacementHold() : stopsBefore_(stops.load()) { placing.fetch_add(1); }

PlacementHold::~PlacementHold() {
    if (placing.fetch_sub(1) == 1 && stopPending.load()) StopAtOnce(stopPending.load());
}

int PlacementHold::StopCame() const { return stops.load() > stopsBefore_ ? firstSignal.load() : 0; }
