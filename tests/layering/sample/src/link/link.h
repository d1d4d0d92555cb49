// A folder that includes from a folder above it.
#include "session/session.h"

// A blocking wait for the port.
inline void poll(auto &port)
{
    port.waitForReadyRead(0);
}
