#pragma once
// The little the utilities need from the operating system, kept apart from
// the portable logic: a millisecond timer and a sleep, the console colour, the working
// directory and the desktop's URL opener.
#include <cstdint>
#include <string>

namespace ofPlatform {

// Milliseconds from a monotonic clock, as an unsigned 32-bit count that
// wraps around like the system timer it stands in for.
uint32_t millis();

// Tests replace the timer to step through time without waiting; nullptr
// puts the monotonic clock back.
using MillisSource = uint32_t (*)();
void setMillisSource(MillisSource source);

// Blocks the calling thread; nothing for 0 or less. Tests replace it, as
// they do the timer, to see how long the frame limiter waits without
// waiting; nullptr puts the real sleep back.
void sleepMillis(int ms);
using Sleeper = void (*)(int ms);
void setSleeper(Sleeper sleeper);

// Colour escapes go out only when standard output is a terminal, so files
// and pipes receive plain text.
void setConsoleColor(unsigned short attribute);
void restoreConsoleColor();

// The working directory, or an empty text when it cannot be read.
std::string currentDirectory();

// Hands the address to the desktop's opener as one argument, without a
// shell, and does not wait for it.
void openUrl(const std::string& url);

}
