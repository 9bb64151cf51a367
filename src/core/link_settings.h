// Settings of the serial line, as config.ini gives them.
#pragma once

#include <cstdint>
#include <string>

struct LinkSettingsRecord {
    std::string PortName;             // key Port, default "COM5"; used whole
    std::int32_t BaudRate = 115200;   // key BAUD_RATE
    std::int32_t SpeedFactor = 10;    // key SPEED: upload read time-out is SpeedFactor x 5000 ms
};
