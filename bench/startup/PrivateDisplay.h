#pragma once

#include <sys/types.h>

#include <string>

namespace qm::bench {

// The Xvfb server of one benchmark run, 1280 by 800 by 24 with a black root window (-br) and no
// window manager, on the first free display (Xvfb picks it and writes its number). Fails the
// benchmark when the server does not start; ends it on destruction.
class PrivateDisplay
{
public:
    PrivateDisplay();
    ~PrivateDisplay();
    PrivateDisplay(const PrivateDisplay&) = delete;
    PrivateDisplay& operator=(const PrivateDisplay&) = delete;

    // The display's name, such as ":1".
    const std::string& name() const { return m_display; }

private:
    pid_t m_pid = -1;
    std::string m_display;
};

} // namespace qm::bench
