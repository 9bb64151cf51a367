// The emulated box: the device side of both exchanges, as a state machine driven
// by the bytes the tool writes and by time. It does no I/O of its own: a link
// (the virtual-time link of the tests, or the pty server) hands it what the tool
// wrote, and takes from it the bytes it puts on the line, each with the time at
// which it is there.
//
// Download (the box sends): after power-on it repeats ETB until it reads ACK, then
// announces each section the same way; the ENQ after an announcement gets the
// header packet, every later ENQ the next data packet. A section that holds fewer
// packets than its header announces ends in silence. Absent sections are never
// announced.
//
// Upload (the box receives): it answers ETB with ACK and asks for the header with
// ENQ, reads the header by its length field, then asks for each data packet with
// ENQ and reads 2069 bytes; a packet with bad framing or checksum gets NAK, while
// filler (a packet the tool's file did not hold, sent as 0xFF) is taken as it comes.
// After the announced count it waits for the next ETB, or for the closing ENQ.
#pragma once

#include <cstdint>
#include <deque>
#include <limits>
#include <optional>
#include <utility>
#include <vector>

#include "box/faults.h"
#include "box/image.h"

namespace box {

using Micros = std::int64_t;  // time on the line, in microseconds
constexpr Micros kNever = std::numeric_limits<Micros>::max();

enum class BoxMode {
    Auto,      // announces as for a download, and turns to an upload when it reads ETB instead of ACK
    Download,
    Upload,
};

struct BoxOptions {
    BoxMode mode = BoxMode::Auto;
    Micros etbPeriod = 100'000;           // between announcing ETBs
    Micros byteTime = 0;                  // each byte's time on the line (0: no pacing)
    long baud = 0;                        // or exactly this line rate, 10 bits a byte (overrides byteTime)
    Micros replyDelay = 0;                // from a request to the start of its answer
    Micros sectionGap = 1'500'000;        // from a section's last packet to the next announcement
    Micros bootTime = 3'000'000;          // upload with noise: boot output before the box listens
    Micros noisePeriod = 50'000;
    Micros packetTimeout = 1'000'000;     // upload: a packet that stops arriving gets NAK after this
    std::vector<Fault> faults;
};

// One section as the box received it on upload.
struct ReceivedSection {
    std::optional<SectionKind> kind;  // from the header's section byte, else by arrival order
    Bytes bytes;                      // header and data packets exactly as received
    unsigned announced = 0;           // data packets the header announces
    unsigned packets = 0;             // data packets accepted
    bool complete = false;            // every announced packet arrived
    bool refused = false;             // ended with NAK
};

class Box {
public:
    explicit Box(Image image, BoxOptions options = {});

    // Switches the box on at `at` (possibly later than now); until then it hears nothing.
    void PowerOn(Micros at);
    // When it is switched on (kNever: not yet told).
    Micros PowerOnTime() const { return powerOnAt_; }
    // Bytes the tool wrote, arriving at `at`.
    void Receive(const std::uint8_t* data, std::size_t count, Micros at);
    // When the next byte of the box is on the line; nothing when the box will stay silent.
    std::optional<Micros> NextOutputTime() const;
    // Takes that byte.
    std::uint8_t TakeOutput();
    // Takes every byte on the line by `t`, in order, onto the end of `out`.
    void TakeOutputUntil(Micros t, Bytes* out);
    // When the bytes queued now have all been put on the line (now, when none are).
    Micros QueuedOutputEnd() const;
    // Drops what the box sent before `t` (nobody had the port open).
    void DiscardOutputBefore(Micros t);

    bool HasFault(FaultKind kind) const;
    bool UploadSide() const { return uploadSide_; }
    // Download served completely, or upload ended by the closing ENQ.
    bool Finished() const { return finished_; }
    const std::vector<ReceivedSection>& Received() const { return received_; }
    // Complete received sections by kind (the last of each kind).
    Image ReceivedImage() const;
    int DataRequests() const { return dataRequests_; }

private:
    enum class State { Off, Announcing, Serving, Dead, Done, Booting, UpIdle, UpHeader, UpData, UpDone };

    // Timed events: periodic bytes, and the refusal of a packet that stopped arriving.
    struct TimedEvent {
        Micros fire;    // when it happens
        Micros output;  // when its byte is on the line
    };
    std::optional<TimedEvent> NextTimedEvent() const;
    // Every timed event due by `t` happens, in order.
    void Commit(Micros t);
    void FireTimedEvent(Micros when);
    // Puts bytes on the line from `at` on (later if the line is busy); returns the end.
    Micros Emit(const Bytes& bytes, Micros at);
    // The same, after the box's reply delay.
    Micros Reply(const Bytes& bytes, Micros at) { return Emit(bytes, at + options_.replyDelay); }
    std::uint8_t NoiseByte();
    const Fault* FindFault(FaultKind kind, int section, bool firstSection, int packet = -1) const;

    // Download side (box_download.cpp).
    void StartAnnouncing(int target, Micros at);
    void DownloadByte(std::uint8_t b, Micros at);
    void ServeRequest(Micros at);
    void SectionOver(Micros end);
    int NextAnnouncedSection(int after) const;

    // Upload side (box_upload.cpp).
    void UploadByte(std::uint8_t b, Micros at);
    void HeaderComplete(Micros at);
    void DataComplete(Micros at);
    void SectionReceived();
    void ReplyAfter(int packet, Micros at);
    void Refuse(Micros at);

    Image image_;
    BoxOptions options_;
    State state_ = State::Off;
    Micros powerOnAt_ = kNever;
    bool uploadSide_ = false;
    bool finished_ = false;

    // Bytes on their way, in bursts: each byte's time follows from its burst's start
    // and its place in it (exactly, on a paced line: no rounding adds up).
    struct Burst {
        Micros start;
        Bytes bytes;
        std::size_t taken = 0;  // bytes already on the line and taken
    };
    Micros ByteTime(const Burst& burst, std::size_t index) const;
    std::deque<Burst> line_;
    Micros lineFree_ = 0;  // when the line can take the next byte

    // Periodic output: announcing ETBs (with noise between them), or boot noise.
    Micros nextPeriodic_ = kNever;
    bool noiseTurn_ = false;
    Micros bootEnd_ = 0;
    unsigned noiseIndex_ = 0;

    // Download.
    int firstAnnounced_ = -1;
    int target_ = -1;   // section being announced; -1 for the opening handshake
    int section_ = -1;  // section being served
    int next_ = -1;     // next packet to serve; -1 for the header
    int served_ = 0;    // data packets this section will serve
    int announced_ = 0;
    int dataRequests_ = 0;

    // Upload.
    Bytes rx_;
    Micros rxDeadline_ = kNever;
    int sequence_ = 0;   // sections received so far
    int dataIndex_ = 0;  // data packets accepted in the current section
    bool quiet_ = false; // asks for nothing more in this section
    std::vector<ReceivedSection> received_;
};

}  // namespace box
