#include "stored/index_file.h"

#include "core/section_kind.h"

std::string IndexFileText(const std::string& chosenPath) {
    std::string text;
    for (SectionKind kind : AllSections) text += SectionFilePath(chosenPath, kind) + "\n";
    return text;
}

int WriteIndexFile(const std::string& chosenPath, ImageSink& sink, TransferObserver& observer, int* systemError) {
    // A write that failed (a full disk) is reported as a file that could not be made.
    *systemError = sink.WriteIndex(chosenPath, IndexFileText(chosenPath));
    if (*systemError == 0) return 0;
    TransferEvent e;
    e.kind = TransferEvent::Kind::Message;
    e.message = MessageId::IndexFileNotCreated;
    e.text = MessageOf(e.message).text;
    observer.Take(e);
    return 1;
}
