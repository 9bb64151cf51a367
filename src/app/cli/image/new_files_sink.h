// A download's files as the command line makes them: each one new where nothing
// stands under its name (never over a file, never through a link), each packet in
// one write, so that a program stopped between two packets leaves whole ones only.
#pragma once

#include "core/image_sink.h"

class NewFilesSink final : public ImageSink {
public:
    int WriteIndex(const std::string& path, const std::string& text) override;
    std::unique_ptr<SectionOut> CreateSection(const std::string& path, int* error) override;
    void RemoveSection(const std::string& path) override;
};
