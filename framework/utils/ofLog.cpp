#include "ofLog.h"

#include "ofPlatform.h"

#include <cstdarg>
#include <cstdio>

// Every line is flushed as it ends, as the model loader's lines are: into a
// file or a pipe they would otherwise come out of order with those, and a
// crash would lose the lines that tell what led to it. A line is written
// under the stream's lock, so lines from several threads never mix.
namespace {
int threshold = OF_WARNING;

const char* prefixFor(int level) {
    switch (level) {
    case OF_VERBOSE: return "OF_VERBOSE: ";
    case OF_NOTICE: return "OF_NOTICE: ";
    case OF_WARNING: return "OF_WARNING: ";
    case OF_ERROR: return "OF_ERROR: ";
    case OF_FATAL_ERROR: return "OF_FATAL_ERROR: ";
    default: return "";
    }
}
}

void ofSetLogLevel(int level) {
    threshold = level;
}

void ofLog(int level, const char* format, ...) {
    if (level < threshold) return;
    flockfile(stdout);
    std::fputs(prefixFor(level), stdout);
    va_list args;
    va_start(args, format);
    std::vprintf(format, args);
    va_end(args);
    std::putchar('\n');
    std::fflush(stdout);
    funlockfile(stdout);
}

void ofLog(int level, const std::string& message) {
    if (level < threshold) return;
    flockfile(stdout);
    std::fputs(prefixFor(level), stdout);
    std::puts(message.c_str());
    std::fflush(stdout);
    funlockfile(stdout);
}

void ofSetConsoleColor(unsigned short attribute) {
    ofPlatform::setConsoleColor(attribute);
}

void ofRestoreConsoleColor() {
    ofPlatform::restoreConsoleColor();
}
