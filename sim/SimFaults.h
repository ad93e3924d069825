// How the simulated sensor puts one outgoing line on the wire, with the
// faults a test switched on: CR alone instead of CR LF, noise bytes inserted,
// and the line cut into two or three writes. Pure functions; the sensor
// thread calls them, unit tests check them.
#pragma once

#include <random>
#include <string>
#include <vector>

namespace halyard::sim {

struct LineShape {
    bool bCrOnly = false;  // end with CR alone
    bool bNoise = false;   // insert non-printable bytes and 0xFF into the text
    bool bSplit = false;   // hand the line over in two or three pieces
};

// The pieces to write, in order, for `strText` (a line without its end, framed
// already where needed). Noise never inserts CR or LF, so the line count on
// the wire stays the same; a split always puts the final line-end byte in a
// piece of its own, so "OK\r\n" becomes at least "OK\r" and "\n".
std::vector<std::string> ShapeLine(const std::string& strText, const LineShape& shape, std::minstd_rand& rng);

// A line of `nLength` printable bytes without any line end.
std::string OverlongText(size_t nLength);

}  // namespace halyard::sim
