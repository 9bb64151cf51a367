// A pseudo-terminal that stands for a serial cable: we hold the master side; a
// program opens the slave side by its path (or through symbolic links to it, such
// as a Wine prefix's dosdevices/com5).
#pragma once

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

    // True while some program has the slave side open.
    bool SlaveIsOpen() const;

private:
    int master_ = -1;
    std::string slavePath_;
    std::vector<std::string> links_;
};
