#include "app/cli/machine/port_names.h"

std::string PortBaseName(const std::string& port) {
    const auto slash = port.find_last_of('/');
    return slash == std::string::npos ? port : port.substr(slash + 1);
}

std::string WithPlaceholder(std::string text, const std::string& placeholder, const std::string& value) {
    for (std::size_t at = 0; (at = text.find(placeholder, at)) != std::string::npos; at += value.size())
        text.replace(at, placeholder.size(), value);
    return text;
}

std::string WithPort(const std::string& text, const std::string& port) {
    return WithPlaceholder(text, PortPlaceholder, PortBaseName(port));
}
