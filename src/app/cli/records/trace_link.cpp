#include "app/cli/records/trace_link.h"

#include <cerrno>

#include "core/packet.h"

namespace {

const char* const OpenResults[] = {"ok", "cannot be opened", "state not read", "state not set"};

constexpr int HexPerLine = 24;   // bytes a continuation line
constexpr int HexIndent = 10;    // under the summary's text

const char* ControlName(std::uint8_t b) {
    switch (b) {
    case STX: return "STX";
    case ETX: return "ETX";
    case ENQ: return "ENQ";
    case ACK: return "ACK";
    case BEL: return "BEL";
    case NAK: return "NAK";
    case ETB: return "ETB";
    }
    return nullptr;
}

}  // namespace

std::string HexLines(const std::uint8_t* bytes, int count, int perLine, int indent) {
    static const char hex[] = "0123456789ABCDEF";
    std::string text;
    for (int i = 0; i < count; ++i) {
        if (i % perLine == 0) text += (i == 0 ? "" : "\n") + std::string(static_cast<std::size_t>(indent), ' ');
        else text += ' ';
        text += hex[bytes[i] >> 4];
        text += hex[bytes[i] & 0x0F];
    }
    return text;
}

void TracingBackend::Flush() {
    if (silentReads_) {
        char line[96];
        std::snprintf(line, sizeof line, "silent for %.2f s (%d read%s timed out)", silentMs_ / 1000.0, silentReads_,
                      silentReads_ == 1 ? "" : "s");
        silentReads_ = 0;
        silentMs_ = 0;
        Line(line);
    }
    if (pending_.empty()) return;
    const std::string bytes = std::move(pending_);
    pending_.clear();
    continuesAt_ = nullptr;
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
    const int count = static_cast<int>(bytes.size());
    // A whole packet needs no word on the read's time-out (a header read always waits it out).
    const bool whole = count >= 4 && data[0] == STX && PacketPayloadLength(data) + PacketFramingSize <= bytes.size();
    Bytes('<', data, count,
          whole || count >= asked_ ? ""
                                   : "  (read timed out: " + std::to_string(count) + " of " + std::to_string(asked_) +
                                         " bytes)");
}

void TracingBackend::Line(const std::string& text) {
    const double since = std::chrono::duration<double>(std::chrono::steady_clock::now() - opened_).count();
    const bool written = std::fprintf(file_, "%9.6f %s\n", since, text.c_str()) >= 0;
    if ((std::fflush(file_) != 0 || !written) && !writeError_) writeError_ = errno ? errno : EIO;
}

void TracingBackend::Note(const std::string& text) {
    Flush();
    const bool written = std::fprintf(file_, "# %s\n", text.c_str()) >= 0;
    if ((std::fflush(file_) != 0 || !written) && !writeError_) writeError_ = errno ? errno : EIO;
}

void TracingBackend::Step(TransferStep step, std::optional<SectionKind> section) {
    Flush();
    counting_ = step == TransferStep::Packets;
    if (counting_) {
        section_ = section;
        packet_ = 0;
    }
    Line(std::string("step: ") + TransferStepName(step) + (section ? std::string(", ") + SectionName(*section) : ""));
}

// What a burst holds: a packet (which one, when the section's packets go this way)
// and whether it is whole and its checksum holds; filler; or plain bytes.
std::string TracingBackend::Describe(char direction, const std::uint8_t* bytes, int count) {
    std::string what = "bytes";
    if (count >= 4 && bytes[0] == STX) {
        const unsigned length = PacketPayloadLength(bytes);
        const unsigned size = length + PacketFramingSize;
        if (counting_ && direction == (download_ ? '<' : '>')) {
            const std::string of = section_ ? std::string(" of ") + SectionName(*section_) : " of the URT file";
            what = (packet_ == 0 ? "header packet" : "data packet " + std::to_string(packet_)) + of;
            ++packet_;
        } else {
            what = "a packet";
        }
        if (static_cast<unsigned>(count) < size)
            what += ", cut short: " + std::to_string(count) + " of " + std::to_string(size) + " bytes";
        else if (bytes[size - 1] != ETX)
            what += ", no ETX where its length puts it";
        else
            what += VerifyPacketChecksum(bytes, length) ? ", checksum ok" : ", checksum wrong";
    } else if (count == DataPacketSize) {
        bool erased = true;
        for (int i = 1; i < count && erased; ++i) erased = bytes[i] == 0xFF;
        if (erased) {
            what = "filler (0xFF) for data packet " + std::to_string(packet_);
            if (counting_) ++packet_;
        }
    }
    return what;
}

void TracingBackend::Bytes(char direction, const std::uint8_t* bytes, int count, const std::string& after) {
    if (count == 1 && ControlName(bytes[0])) {
        Line(std::string(1, direction) + " " + ControlName(bytes[0]) + after);
        return;
    }
    if (count == 1) {
        Line(std::string(1, direction) + " " + HexLines(bytes, 1, 1, 0) + after);
        return;
    }
    // The summary, the bytes below it, and what more there is to say on a line of its own.
    Line(std::string(1, direction) + " " + std::to_string(count) + " bytes: " + Describe(direction, bytes, count) + "\n" +
         HexLines(bytes, count, HexPerLine, HexIndent) +
         (after.empty() ? "" : "\n" + std::string(HexIndent, ' ') + after.substr(after.find_first_not_of(' '))));
}

SerialBackend::OpenStatus TracingBackend::Open(const std::string& portName, std::int32_t baudRate) {
    opened_ = std::chrono::steady_clock::now();
    const OpenStatus status = inner_.Open(portName, baudRate);
    Line("open " + portName + " at " + std::to_string(baudRate) + " bit/s: " + OpenResults[static_cast<int>(status)]);
    return status;
}

void TracingBackend::ApplyTimeouts(const LinkTimeouts& t) {
    Flush();
    inner_.ApplyTimeouts(t);
    Line("time-outs: read " + std::to_string(t.ReadTotalTimeoutConstant) + " ms, write " +
         std::to_string(t.WriteTotalTimeoutConstant) + " ms");
}

int TracingBackend::Read(std::uint8_t* buffer, int count, std::uint32_t totalMs) {
    // A piece of the read before it, when it goes where that one stopped.
    const bool continues = !pending_.empty() && buffer == continuesAt_;
    if (!continues && !pending_.empty()) Flush();
    const int got = inner_.Read(buffer, count, totalMs);
    if (got <= 0) {
        if (inner_.Lost()) {
            Flush();
            Line("read failed: the port is gone");
        } else if (continues) {
            Flush();
        } else {
            ++silentReads_;
            silentMs_ += totalMs;
        }
        return got;
    }
    if (silentReads_) Flush();
    if (!continues) asked_ = count;
    pending_.append(reinterpret_cast<const char*>(buffer), static_cast<std::size_t>(got));
    continuesAt_ = buffer + got;
    if (static_cast<int>(pending_.size()) >= asked_) Flush();  // the read has all it asked for
    return got;
}

int TracingBackend::Write(const std::uint8_t* buffer, int count) {
    Flush();
    const int done = inner_.Write(buffer, count);
    Bytes('>', buffer, done, done < count ? "  (" + std::to_string(count - done) + " bytes not written)" : "");
    return done;
}

void TracingBackend::Close() {
    Flush();
    inner_.Close();
    Line("close");
}
