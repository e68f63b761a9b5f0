// Reads one decimal number from a stream in bounded memory, with exactly the value and the
// stopping point of the stream's own formatted extraction of a double.
#pragma once

#include <iosfwd>

namespace nthprime {

// Reads a number as `in >> value` does in the classic locale: skips white space, then scans
// [sign] digits [. digits] [e|E [sign] digits] up to the first character that cannot continue
// it, which stays unread, and sets failbit and eofbit as that extraction does. However long the
// number is, memory stays bounded. Returns the value, or 0 where no number can be read (also
// when the input ends before any non-blank character).
double readNumber(std::istream& in);

}  // namespace nthprime
