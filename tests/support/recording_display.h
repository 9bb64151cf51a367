// A display that records what the sessions show, as the transfer dialog shows it, for tests.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "display/dialog/dialog_view.h"

struct ShownMessage {
    std::string text;
    std::string caption;
    MessageIcon icon;
    MessageOwner owner;
};

class RecordingDisplay : public DialogView {
public:

    // Every operation in call order, as one line each ("status Status: Idle",
    // "range 1007 16", "message Error|Packet NOT sent!", ...).
    std::vector<std::string> events;
    std::vector<ShownMessage> messages;
    // The steps told, in order ("power on", "announcement Flash Database", ...),
    // apart from the events.
    std::vector<std::string> steps;
    std::string status;
    std::string title;
    int pumps = 0;
    bool checked[SectionCount] = {true, true, true, true, true};  // the section boxes, as a test ticks them
    std::function<void()> onPump;               // runs inside PumpOneMessage

    struct Bar {
        int range = -1;
        int position = 0;
    };
    std::map<int, Bar> bars;  // by control id

    void SetStatusText(const char* text) override;
    void EnterStep(TransferStep step, std::optional<SectionKind> section) override;
    void SetTransferTitle(const char* text) override;
    void Repaint() override { events.push_back("repaint"); }
    void ShowSectionProgress() override { events.push_back("show sections"); }
    void ShowUrtProgress() override { events.push_back("show urt"); }
    void SetProgressRange(int barId, int count) override;
    void AdvanceProgress(int barId) override;
    void SetProgressPosition(int barId, int position) override;
    void NotePacketUnasked(int barId) override { events.push_back("unasked " + std::to_string(barId)); }
    void CollapseSectionOptions() override { events.push_back("collapse"); }
    void ShowMessage(const DialogMessage& message) override;

    // The pump a test session runs before every read of a wait.
    void PumpOneMessage();

    // Forgets everything shown so far.
    void Reset();
    // Texts of the messages shown, in order.
    std::vector<std::string> MessageTexts() const;
    int CountEvents(const std::string& prefix) const;
    // Status texts set, in order.
    std::vector<std::string> StatusTexts() const;
};
