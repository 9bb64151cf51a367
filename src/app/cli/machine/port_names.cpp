#include "app/cli/machine/port_names.h"

#include <cctype>
#include <map>
#include <regex>

namespace {

// A by-id name's adapter serial and interface: usb-FTDI_FT232R_USB_UART_A50285B1-if00-port0
// gives A50285B1-if00 (and a port number other than 0 is kept: -port1).
std::string AdapterName(const std::string& name) {
    static const std::regex byId("^[a-z]+-.*_([^_]+)-if([0-9]+)(-port([0-9]+))?$");
    std::smatch m;
    if (!std::regex_match(name, m, byId)) return name;
    std::string shortName = m[1].str() + "-if" + m[2].str();
    if (m[4].matched && m[4].str() != "0") shortName += "-port" + m[4].str();
    return shortName;
}

// The last `parts` parts of a path ("l1/com1" for two).
std::string LastParts(const std::string& path, int parts) {
    std::size_t at = path.size();
    for (int i = 0; i < parts; ++i) {
        const auto slash = at == 0 ? std::string::npos : path.find_last_of("/\\", at - 1);
        if (slash == std::string::npos) return path;
        at = slash;
    }
    return path.substr(at + 1);
}

}  // namespace

std::string PortBaseName(const std::string& port) {
    const auto slash = port.find_last_of("/\\");  // a Windows port may be \\.\COM12
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

std::vector<std::string> ShortPortNames(const std::vector<std::string>& ports) {
    std::vector<std::string> names;
    for (const std::string& port : ports) names.push_back(AdapterName(PortBaseName(port)));
    // Where two are one: the device's own name, then more of the path, part by part.
    for (int parts = 1;; ++parts) {
        std::map<std::string, int> seen;
        for (const std::string& name : names) ++seen[name];
        bool longer = false;
        for (std::size_t i = 0; i < ports.size(); ++i) {
            if (seen[names[i]] < 2 || names[i] == ports[i]) continue;
            names[i] = LastParts(ports[i], parts);
            longer = true;
        }
        if (!longer) return names;  // told apart, or each its whole path
    }
}

bool NaturalLess(const std::string& a, const std::string& b) {
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        const bool da = std::isdigit(static_cast<unsigned char>(a[i])), db = std::isdigit(static_cast<unsigned char>(b[j]));
        if (da && db) {
            std::size_t ei = i, ej = j;
            while (ei < a.size() && std::isdigit(static_cast<unsigned char>(a[ei]))) ++ei;
            while (ej < b.size() && std::isdigit(static_cast<unsigned char>(b[ej]))) ++ej;
            const std::string na = a.substr(i, ei - i), nb = b.substr(j, ej - j);
            const std::string ta = na.substr(std::min(na.find_first_not_of('0'), na.size()));
            const std::string tb = nb.substr(std::min(nb.find_first_not_of('0'), nb.size()));
            if (ta.size() != tb.size()) return ta.size() < tb.size();
            if (ta != tb) return ta < tb;
            i = ei;
            j = ej;
        } else {
            if (a[i] != b[j]) return a[i] < b[j];
            ++i;
            ++j;
        }
    }
    return a.size() - i < b.size() - j;
}
