#pragma once

#include <string>

namespace kalvidor::unitsim {

// The simulator's end of the serial line: either the master side of a fresh
// pseudo-terminal, reached by the application through a symlink, or a real
// serial device. Both are set to 38400 bit/s, 8N1, raw, and read and written
// without blocking.
class SerialLine
{
public:
    SerialLine() = default;
    SerialLine(const SerialLine &) = delete;
    SerialLine &operator=(const SerialLine &) = delete;
    ~SerialLine() { close(); }

    // Creates a pseudo-terminal and points linkPath at its slave device,
    // replacing an older symlink there (but never another kind of file).
    bool openPty(const std::string &linkPath, std::string &error);
    bool openDevice(const std::string &devicePath, std::string &error);

    // Closes every descriptor; for a pseudo-terminal this hangs up the
    // application's side, and the symlink is removed if it still points here.
    void close();

    bool isOpen() const { return m_fd >= 0; }
    int fd() const { return m_fd; }
    const std::string &path() const { return m_path; } // symlink or device
    const std::string &slaveName() const { return m_slaveName; }

private:
    int m_fd = -1; // master or device
    // A descriptor of our own on the slave side keeps the terminal alive while
    // the application closes and reopens its port: without it the master sees
    // a hang-up each time the last slave descriptor closes.
    int m_slaveFd = -1;
    std::string m_path;
    std::string m_slaveName;
    bool m_ownsLink = false;
};

} // namespace kalvidor::unitsim
