#include "app/cli/machine/port_names.h"

#include <cstring>

std::string PortBaseName(const std::string& port) {
    const auto slash = port.find_last_of('/');
    return slash == std::string::npos ? port : port.substr(slash + 1);
}

std::string WithPort(std::string text, const std::string& port) {
    const std::string name = PortBaseName(port);
    for (std::size_t at; (at = text.find(PortPlaceholder)) != std::string::npos;)
        text.replace(at, std::strlen(PortPlaceholder), name);
    return text;
}
