// The far ends of the benchmarks, each run as a process of its own (the benchmark
// starts itself again with the role's name): a minimal box, a bare client doing the
// tool's exchanges, an exact-rate relay, and a packet echo for link round trips.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

using BenchClock = std::chrono::steady_clock;

// kestrivane-bench box download|upload SECTIONS: serves downloads (or uploads) on a
// new pty (its path on the first line of output), then a line "packets N us U" per session: data
// packets and the microseconds from each section's first data request to its last.
int RunMinimalBox(const std::vector<std::string>& args);
// kestrivane-bench bare download|upload PORT IMAGE: the tool's exchanges, plainly.
int RunBareClient(const std::vector<std::string>& args);
// kestrivane-bench relay RATE PORT: a new pty (its path on the first line) joined to
// PORT, every byte passed on at exactly RATE bit/s, both ways.
int RunRelay(const std::vector<std::string>& args);
// kestrivane-bench echo: a new pty (path on the first line) answering each byte it
// reads with one 2069-byte data packet.
int RunEcho(const std::vector<std::string>& args);

// Opens a pty slave raw, for the bare programs.
int OpenRaw(const std::string& path);
// Reads exactly `count` bytes (false on hang-up or after `timeoutMs` of silence).
bool ReadExactly(int fd, std::uint8_t* buffer, int count, int timeoutMs = 5000);
bool WriteAllBytes(int fd, const std::uint8_t* bytes, std::size_t count);
