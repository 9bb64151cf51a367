// A pseudo-terminal that stands for a serial cable: we hold the master side; a
// program opens the slave side by its path (or through symbolic links to it, such
// as a Wine prefix's dosdevices/com5).
#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

class PtyDevice {
public:
    // Creates the pty with both sides raw, before anyone else can open the slave:
    // a program that keeps the driver's flags must not meet echo or XON/XOFF.
    PtyDevice();
    ~PtyDevice();
    PtyDevice(const PtyDevice&) = delete;
    PtyDevice& operator=(const PtyDevice&) = delete;

    int Master() const { return master_; }
    const std::string& SlavePath() const { return slavePath_; }

    // Makes `path` a symbolic link to the slave (replacing a link already there);
    // the link is removed again when this object goes.
    bool AddLink(const std::string& path);
    void RemoveLinks();

    // Writes all of `bytes` to the master side, waiting while the pty is full.
    // False when the pty took no more (nobody has the slave side open).
    bool WriteAll(const std::uint8_t* bytes, std::size_t count);

    // Closes the master side, as a cable pulled out: the slave side hangs up.
    void HangUp();

    // Once the last program has closed the slave: drops the input it did not read, as
    // a serial port's close does. A pty keeps it for the next program that opens the
    // slave, which would read the end of the last session first.
    void AfterLastClose();

    // True while some program has the slave side open.
    bool SlaveIsOpen() const;

    // The next change between "no program has the slave open" and "some program
    // has", in the order they happened. On Linux every open and close is seen, even
    // a close and reopen in quick succession; elsewhere only the state at each call.
    enum class SlaveEvent { Opened, Closed };
    std::optional<SlaveEvent> NextSlaveEvent();
    // A descriptor that turns readable when such a change may have happened (-1 where
    // there is none, and only polling tells).
    int SlaveEventDescriptor() const { return watch_; }

private:
    void ReadWatch();  // counts the opens and closes the watch reports

    int master_ = -1;
    std::string slavePath_;
    std::vector<std::string> links_;
    int watch_ = -1;       // inotify descriptor watching the slave
    int watched_ = -1;     // the slave's watch in it
    int openCount_ = 0;    // open descriptors of the slave, as the watch counted them
    bool lastOpen_ = false;
    std::deque<SlaveEvent> events_;
};
