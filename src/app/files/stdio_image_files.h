// The image's files as the Windows program handles them: standard binary streams.
// A download opens each section file "wb" (made, or truncated where one stands) and
// writes it a packet at a time without a buffer of its own, so that a program stopped
// between two packets leaves whole packets only; the index file is made the same way.
// An upload opens each file it sends "r+b": it must be there and writable, and is
// never written.
#pragma once

#include "core/image_sink.h"
#include "core/image_source.h"

class StdioImageSink final : public ImageSink {
public:
    int WriteIndex(const std::string& path, const std::string& text) override;
    std::unique_ptr<SectionOut> CreateSection(const std::string& path, int* error) override;
    void RemoveSection(const std::string& path) override;
};

class StdioImageSource final : public ImageSource {
public:
    std::unique_ptr<SectionIn> Open(const std::string& path, int* error) override;
};
