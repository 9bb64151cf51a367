#include "app/cli/machine/clock.h"

#include <ctime>
#include <mutex>

std::string TimeOfDay(const char* format, bool utc) {
    // The C library's broken-down time is one per process: the boxes' threads take turns.
    static std::mutex turn;
    const std::time_t now = std::time(nullptr);
    const std::lock_guard<std::mutex> hold(turn);
    const std::tm* parts = utc ? std::gmtime(&now) : std::localtime(&now);
    char text[64];
    return parts && std::strftime(text, sizeof text, format, parts) ? text : "";
}
