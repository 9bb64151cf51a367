#include "app/cli/run/station_names.h"

#include "app/cli/image/image_replace.h"
#include "app/cli/machine/clock.h"
#include "app/cli/machine/port_names.h"
#include "app/cli/run/image_checks.h"

namespace {

bool Free(const std::string& name, const std::set<std::string>& taken) {
    return !taken.count(name) && !AnythingUnder(NamesOf(name), SystemDisk());
}

}  // namespace

bool NamesEachBox(const std::string& pattern) {
    return pattern.find(NumberPlaceholder) != std::string::npos || pattern.find(TimePlaceholder) != std::string::npos;
}

std::string NextImageName(const std::string& pattern, const std::string& port, const std::set<std::string>& taken) {
    std::string name = WithPlaceholder(WithPort(pattern, port), TimePlaceholder, TimeOfDay("%Y%m%d-%H%M%S", false));
    AddDatExtension(&name);
    if (name.find(NumberPlaceholder) == std::string::npos) return Free(name, taken) ? name : std::string();
    for (int n = 1;; ++n) {
        const std::string numbered = WithPlaceholder(name, NumberPlaceholder, std::to_string(n));
        if (Free(numbered, taken)) return numbered;
    }
}
