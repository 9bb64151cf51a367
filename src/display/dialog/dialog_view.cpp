#include "display/dialog/dialog_view.h"

#include <cstdio>

int SectionBar(SectionKind kind) {
    constexpr int bars[SectionCount] = {1007, 1008, 1015, 1009, 1010};
    return bars[SectionIndex(kind)];
}

int ProgressBar(std::optional<SectionKind> section) { return section ? SectionBar(*section) : UrtBarId; }

DialogMessage DialogMessageOf(MessageId id, const char* text) {
    switch (MessageOf(id).kind) {
    case MessageKind::PortOpening:
        return {id, text, id == MessageId::PortNotCreated ? "Handle Error" : "Error", MessageIcon::Error,
                MessageOwner::MainWindow};
    case MessageKind::Completion:
        return {id, text, "Status",
                id == MessageId::DownloadCompleteWithoutApplication ? MessageIcon::Warning : MessageIcon::None,
                MessageOwner::TransferDialog};
    case MessageKind::Failure: break;
    }
    return {id, text, "Error", MessageIcon::Error, MessageOwner::TransferDialog};
}

void DialogView::Take(const TransferEvent& e) {
    using Kind = TransferEvent::Kind;
    const int bar = ProgressBar(e.section);
    switch (e.kind) {
    case Kind::Begun:
        statusShown_ = false;
        if (!e.upload) SetTransferTitle(ReceivingTitle);
        else if (!e.urt) SetTransferTitle(SendingTitle);
        break;
    case Kind::Checked:
        if (!e.urt) CollapseSectionOptions();
        break;
    case Kind::Status:
        SetStatusText(e.text);
        if (!statusShown_) Repaint();
        statusShown_ = true;
        break;
    case Kind::Step: EnterStep(e.step, e.section); break;
    case Kind::Answered:
        if (e.urt) ShowUrtProgress();
        else ShowSectionProgress();
        break;
    case Kind::Counted: SetProgressRange(bar, e.count); break;
    case Kind::Packet:
        AdvanceProgress(bar);
        if (e.unasked) NotePacketUnasked(bar);
        break;
    case Kind::Filled: SetProgressPosition(bar, e.count); break;
    case Kind::Missing:  // the bar shows full: a range of 10, at 10
        SetProgressRange(bar, 10);
        SetProgressPosition(bar, 10);
        break;
    case Kind::Resent: {
        char title[64];
        std::snprintf(title, sizeof title, e.upload ? SendingResentTitle : ReceivingResentTitle, e.count);
        SetTransferTitle(title);
        break;
    }
    case Kind::Message: ShowMessage(DialogMessageOf(e.message, e.text)); break;
    }
}
