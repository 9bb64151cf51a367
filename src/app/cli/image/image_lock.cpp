#include "app/cli/image/image_lock.h"

#include <utility>

ImageLock::ImageLock(ImageLock&& other) noexcept { *this = std::move(other); }

ImageLock& ImageLock::operator=(ImageLock&& other) noexcept {
    if (this != &other) {
        Release();
        handle_ = other.handle_;
        path_ = std::move(other.path_);
        use_ = other.use_;
        other.handle_ = NoHandle;
    }
    return *this;
}
