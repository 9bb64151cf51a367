// Signals of the command line: Ctrl-C (and SIGTERM, SIGHUP, SIGQUIT) asks every
// session of the command to stop at its next check, with its port closed; a second
// one stops the program at once (a section file then still holds whole packets), but
// never in the middle of putting an image in place: then as soon as it stands. A
// closed standard output, a file over its size limit or a resized terminal never end
// a transfer.
#pragma once

// Catches them, once for the whole command.
void CatchStopSignals();

// What the platform's catcher calls for each stop signal; and how it ends the
// program at once on a second one.
void HearStop(int signal);
void StopAtOnce(int signal);

// How many stop signals came, and the first one's number (0: none came).
int StopsAsked();
int FirstStopSignal();

// How the user calls a stop signal: "Ctrl-C", "SIGTERM" ..
const char* SignalName(int signal);

// While one of these stands (an image put in place), a second stop signal waits for
// it to end; the first only says, through StopCame, that it came meanwhile.
class PlacementHold {
public:
    PlacementHold();
    ~PlacementHold();
    PlacementHold(const PlacementHold&) = delete;
    PlacementHold& operator=(const PlacementHold&) = delete;

    // The stop signal that came while this stood (0: none).
    int StopCame() const;

private:
    int stopsBefore_;
};
