// ISimPort: the sensor's end of the line, as CSimEngine's thread uses it. On
// Linux it is the master side of a pseudo-terminal (CPtyPort), which any
// serial program can open; where there are none (Windows), it is an
// in-process line (CSimLine) that the program's own serial link attaches to.
// Open, Close and Path are called by whoever starts and stops the engine
// while its thread is not running, or by the thread itself when it hangs up;
// Wake from any thread; the rest by the engine's thread alone.
#pragma once

#include <cstddef>
#include <string>

#include "serial/CPortLink.h"

namespace halyard::sim {

class ISimPort {
public:
    virtual ~ISimPort() = default;

    // Makes the line ready for a client; false (errno set) when it cannot.
    virtual bool Open() = 0;
    // Ends the line: a client that has it open sees a hang-up.
    virtual void Close() = 0;
    // What a client opens: a device path, or the name the line is known by.
    virtual const std::string& Path() const = 0;

    // Waits at most nTimeoutMs for the client's bytes (only when bWatchInput)
    // or for Wake. False when the line failed for good; bInput tells whether
    // the client's bytes are there to read.
    virtual bool Wait(bool bWatchInput, int nTimeoutMs, bool& bInput) = 0;
    virtual void Wake() = 0;
    // Up to nMax of the client's bytes; 0 when there are none.
    virtual size_t Read(char* pBuffer, size_t nMax) = 0;
    // Writes what the line takes of the bytes and says how many it took
    // (fewer, or none, while the line is full).
    virtual size_t Write(const char* pBytes, size_t nLength) = 0;
    // True while bytes written wait for the client to read them.
    virtual bool ClientHasInput() const = 0;

    // What makes the program's own link to this line; empty for a line that
    // any serial program opens by its path (a pseudo-terminal).
    virtual LinkFactory MakeLinkFactory() { return {}; }
};

}  // namespace halyard::sim
