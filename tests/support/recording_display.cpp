#include "support/recording_display.h"

void RecordingDisplay::SetStatusText(const char* text) {
    status = text;
    events.push_back(std::string("status ") + text);
}

void RecordingDisplay::EnterStep(TransferStep step, std::optional<SectionKind> section) {
    static const char* const names[] = {"power on", "announcement", "handshake", "header request",
                                        "packets",  "closing",      "complete"};
    steps.push_back(std::string(names[static_cast<int>(step)]) + (section ? std::string(" ") + SectionName(*section) : ""));
}

void RecordingDisplay::SetTransferTitle(const char* text) {
    title = text;
    events.push_back(std::string("title ") + text);
}

void RecordingDisplay::SetProgressRange(int barId, int count) {
    bars[barId].range = count;
    events.push_back("range " + std::to_string(barId) + " " + std::to_string(count));
}

void RecordingDisplay::AdvanceProgress(int barId) { ++bars[barId].position; }

void RecordingDisplay::SetProgressPosition(int barId, int position) {
    bars[barId].position = position;
    events.push_back("position " + std::to_string(barId) + " " + std::to_string(position));
}

void RecordingDisplay::PumpOneMessage() {
    ++pumps;
    if (onPump) onPump();
}

void RecordingDisplay::ShowMessage(const DialogMessage& m) {
    messages.push_back({m.text, m.caption, m.icon, m.owner});
    events.push_back(std::string("message ") + m.caption + "|" + m.text);
}

std::vector<std::string> RecordingDisplay::MessageTexts() const {
    std::vector<std::string> out;
    for (const auto& m : messages) out.push_back(m.text);
    return out;
}

int RecordingDisplay::CountEvents(const std::string& prefix) const {
    int n = 0;
    for (const auto& e : events) n += e.compare(0, prefix.size(), prefix) == 0;
    return n;
}

std::vector<std::string> RecordingDisplay::StatusTexts() const {
    std::vector<std::string> out;
    for (const auto& e : events)
        if (e.rfind("status ", 0) == 0) out.push_back(e.substr(7));
    return out;
}

void RecordingDisplay::Reset() {
    events.clear();
    messages.clear();
    steps.clear();
    bars.clear();
    status.clear();
    title.clear();
    pumps = 0;
}
