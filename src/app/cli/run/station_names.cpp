#include "app/cli/run/station_names.h"

#include <ctime>

#include "app/cli/image/image_replace.h"
#include "app/cli/machine/port_names.h"
#include "app/cli/run/before_the_box.h"

namespace {

std::string Replaced(std::string text, const std::string& placeholder, const std::string& value) {
    for (std::size_t at; (at = text.find(placeholder)) != std::string::npos;) text.replace(at, placeholder.size(), value);
    return text;
}

std::string LocalTime() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &local);
    return text;
}

bool Free(const std::string& name, const std::set<std::string>& taken) {
    return !taken.count(name) && !ImageExists(name) && !ImageExists(IncompleteImageName(name));
}

}  // namespace

bool NamesEachBox(const std::string& pattern) {
    return pattern.find(NumberPlaceholder) != std::string::npos || pattern.find(TimePlaceholder) != std::string::npos;
}

std::string NextImageName(const std::string& pattern, const std::string& port, const std::set<std::string>& taken) {
    std::string name = Replaced(WithPort(pattern, port), TimePlaceholder, LocalTime());
    AddDatExtension(&name);
    if (name.find(NumberPlaceholder) == std::string::npos) return Free(name, taken) ? name : std::string();
    for (int n = 1;; ++n) {
        const std::string numbered = Replaced(name, NumberPlaceholder, std::to_string(n));
        if (Free(numbered, taken)) return numbered;
    }
}
