#pragma once
// One levelled log to standard output, and the console's text colour.
#include <string>

enum {
    OF_VERBOSE = 0,
    OF_NOTICE = 1,
    OF_WARNING = 2,
    OF_ERROR = 3,
    OF_FATAL_ERROR = 4
};

// Messages below the threshold (default OF_WARNING) are dropped; each line
// written reaches standard output at once, also a file or a pipe.
void ofSetLogLevel(int level);

// Writes the level's prefix, the formatted text and a newline.
void ofLog(int level, const char* format, ...) __attribute__((format(printf, 2, 3)));
// Writes the level's prefix, the message unchanged and a newline.
void ofLog(int level, const std::string& message);

// attribute: foreground colour in bits 0-3 (blue, green, red, bright),
// background colour in bits 4-7, as a text console's character attribute.
void ofSetConsoleColor(unsigned short attribute);
void ofRestoreConsoleColor();
