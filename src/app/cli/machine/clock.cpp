#include "app/cli/machine/clock.h"

#include <ctime>

std::string TimeOfDay(const char* format, bool utc) {
    const std::time_t now = std::time(nullptr);
    std::tm parts{};
    if (utc) gmtime_r(&now, &parts);
    else localtime_r(&now, &parts);
    char text[64];
    return std::strftime(text, sizeof text, format, &parts) ? text : "";
}
