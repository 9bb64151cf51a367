#include "app/cli/run/signals.h"

#include <atomic>

namespace {

// The command line's own state of the signals (lock-free, so the handler may touch it).
std::atomic<int> stops{0};
std::atomic<int> firstSignal{0};
// The images being put in place now (the low 16 bits) and a second signal that waits
// for them (above): one word, so that the handler and the last mover never miss each
// other.
std::atomic<int> placement{0};
constexpr int Placing = 0xFFFF;
constexpr int PendingShift = 16;

}  // namespace

// The first signal asks the sessions to stop at their next check; a second one stops
// the program at once, or once no image is being put in place.
void HearStop(int signal) {
    int none = 0;
    firstSignal.compare_exchange_strong(none, signal);
    if (stops.fetch_add(1) == 0) return;
    int state = placement.load();
    do {
        if ((state & Placing) == 0) return StopAtOnce(signal);
    } while (!placement.compare_exchange_weak(state, (state & Placing) | (signal << PendingShift)));
}

int StopsAsked() { return stops.load(); }

int FirstStopSignal() { return firstSignal.load(); }

PlacementHold::PlacementHold() : stopsBefore_(stops.load()) { placement.fetch_add(1); }

PlacementHold::~PlacementHold() {
    int state = placement.load(), next = 0;
    do {
        next = state - 1;
        if ((next & Placing) == 0) next = 0;  // the last mover takes the waiting signal
    } while (!placement.compare_exchange_weak(state, next));
    if (next == 0 && (state >> PendingShift) != 0) StopAtOnce(state >> PendingShift);
}

int PlacementHold::StopCame() const { return stops.load() > stopsBefore_ ? firstSignal.load() : 0; }
