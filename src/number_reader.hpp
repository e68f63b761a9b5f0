// Reads one decimal number from a stream in bounded memory: the correctly rounded value, with
// the stopping point and the stream state of the stream's own formatted extraction of a double.
#pragma once

#include <iosfwd>

namespace nthprime {

// Reads a number as `in >> value` does in the classic locale: skips white space, then scans
// [sign] digits [. digits] [e|E [sign] digits] up to the first character that cannot continue
// it, which stays unread, and sets failbit and eofbit as that extraction does. However long the
// number is, memory stays bounded. Returns the number correctly rounded to a double (where the
// platform's own extraction is correct, its value bit for bit), the largest double of the
// number's sign with failbit when it overflows, or 0 where no number can be read (also when the
// input ends before any non-blank character).
double readNumber(std::istream& in);

}  // namespace nthprime
