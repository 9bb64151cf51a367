// The image's files as the Windows program handles them: standard binary streams,
// each section file opened "wb" (made, or truncated where one stands), written a
// packet at a time without a buffer of its own, so that a program stopped between
// two packets leaves whole packets only; the index file made the same way.
#pragma once

#include "core/image_sink.h"

class StdioImageSink final : public ImageSink {
public:
    int WriteIndex(const std::string& path, const std::string& text) override;
    std::unique_ptr<SectionOut> CreateSection(const std::string& path, int* error) override;
    void RemoveSection(const std::string& path) override;
};
