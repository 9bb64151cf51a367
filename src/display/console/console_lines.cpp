#include "display/console/console_lines.h"

#include <algorithm>

std::string MinutesSeconds(double seconds) {
    const long s = static_cast<long>(seconds + 0.5);
    char text[32];
    std::snprintf(text, sizeof text, "%ld:%02ld", s / 60, s % 60);
    return text;
}

std::string WholeSeconds(double seconds) { return std::to_string(static_cast<long>(seconds)) + " s"; }

std::string Kilobytes(double bytes) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f kB", bytes / 1000);
    return text;
}

std::string FitToWidth(std::string line, int width) {
    if (static_cast<int>(line.size()) > width - 1) line.resize(static_cast<std::size_t>(std::max(width - 1, 0)));
    return line;
}

std::string BarLine(const char* label, int advanced, int position, int range, double rate, double secondsLeft,
                    int width) {
    // The speed and the time left stand in a field of one width, whatever they say,
    // so that the bar keeps its width through the section.
    constexpr int TailWidth = 26;
    char tail[64] = "";
    if (rate > 0 && secondsLeft >= 0)
        std::snprintf(tail, sizeof tail, "  %.1f kB/s  %.0f s left", rate / 1000, secondsLeft);
    else if (rate > 0)
        std::snprintf(tail, sizeof tail, "  %.1f kB/s", rate / 1000);
    std::string field = tail;
    field.resize(std::max<std::size_t>(field.size(), TailWidth), ' ');
    char counts[32];
    std::snprintf(counts, sizeof counts, " %4d/%-4d", advanced, range);
    char head[48];
    std::snprintf(head, sizeof head, "  %-20s [", label);
    std::string rest = std::string("]") + counts + field;
    const int headSize = static_cast<int>(std::string(head).size());
    int barWidth = width - 1 - headSize - static_cast<int>(rest.size());
    if (barWidth < 10) {  // a narrow terminal: the bar before the speed
        rest = std::string("]") + counts;
        barWidth = width - 1 - headSize - static_cast<int>(rest.size());
    }
    barWidth = std::max(barWidth, 3);
    const int filled = range > 0 ? std::min(barWidth, position * barWidth / range) : (position > 0 ? barWidth : 0);
    std::string line = head + std::string(static_cast<std::size_t>(filled), '#') +
                       std::string(static_cast<std::size_t>(barWidth - filled), '-') + rest;
    while (!line.empty() && line.back() == ' ') line.pop_back();  // the field's own padding
    return FitToWidth(line, width);
}

std::string JoinedWithAnd(const std::vector<std::string>& words) {
    std::string text;
    for (std::size_t i = 0; i < words.size(); ++i)
        text += (i == 0 ? "" : i + 1 == words.size() ? " and " : ", ") + words[i];
    return text;
}
