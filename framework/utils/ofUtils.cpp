#include "ofUtils.h"

#include "ofLog.h"
#include "ofPlatform.h"

#include <cerrno>
#include <cfloat>
#include <climits>
#include <cstdlib>
#include <ctime>
#include <sstream>

// ---------------------------------------------------------------- time

namespace {
uint32_t startTime = ofPlatform::millis();

std::tm localNow() {
    const std::time_t now = std::time(nullptr);
    std::tm fields{};
    localtime_r(&now, &fields);
    return fields;
}
}

uint32_t ofGetSystemTime() {
    return ofPlatform::millis();
}

void ofResetElapsedTimeCounter() {
    startTime = ofPlatform::millis();
}

int ofGetElapsedTimeMillis() {
    // Unsigned subtraction keeps the span right across a wrap of the timer.
    return static_cast<int>(ofPlatform::millis() - startTime);
}

float ofGetElapsedTimeSeconds() {
    return static_cast<float>(static_cast<int>(ofPlatform::millis() - startTime) / 1000.0);
}

int ofGetSeconds() { return localNow().tm_sec; }
int ofGetMinutes() { return localNow().tm_min; }
int ofGetHours() { return localNow().tm_hour; }
int ofGetYear() { return localNow().tm_year + 1900; }
int ofGetMonth() { return localNow().tm_mon + 1; }
int ofGetDay() { return localNow().tm_mday; }
int ofGetWeekday() { return localNow().tm_wday; }

// ----------------------------------------------------------- data path

namespace {
bool dataPathEnabled = true;

std::string& dataPathRoot() {
    static std::string root = "data/";
    return root;
}
}

std::string ofToDataPath(std::string path, bool makeAbsolute) {
    if (!dataPathEnabled) return path;
    const std::string& root = dataPathRoot();
    const bool startsWithSlash = !path.empty() && path[0] == '/';
    const bool hasDriveColon = path.size() >= 2 && path[1] == ':';
    const bool startsWithRoot = path.compare(0, root.size(), root) == 0;
    if (!startsWithSlash && !hasDriveColon && !startsWithRoot) path = root + path;
    if (makeAbsolute && (path.empty() || path[0] != '/')) {
        // Without a readable working directory the path stays relative
        // rather than pointing at the file system's root.
        const std::string cwd = ofPlatform::currentDirectory();
        if (!cwd.empty()) path = cwd + "/" + path;
    }
    return path;
}

void ofEnableDataPath() { dataPathEnabled = true; }
void ofDisableDataPath() { dataPathEnabled = false; }
void ofSetDataPathRoot(const std::string& root) { dataPathRoot() = root; }

// --------------------------------------------------------- conversions

std::string ofToString(int value) {
    std::ostringstream out;
    out << value;
    return out.str();
}

std::string ofToString(double value, int precision) {
    std::ostringstream out;
    out.setf(std::ios::fixed, std::ios::floatfield);
    out.precision(precision);
    out << value;
    return out.str();
}

int ofToInt(const std::string& text) {
    const long value = std::strtol(text.c_str(), nullptr, 10);
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

float ofToFloat(const std::string& text) {
    errno = 0;
    const float value = std::strtof(text.c_str(), nullptr);
    if (errno == ERANGE && value > FLT_MAX) return FLT_MAX;
    if (errno == ERANGE && value < -FLT_MAX) return -FLT_MAX;
    return value;
}

std::vector<std::string> ofSplitString(const std::string& source, const std::string& delimiters) {
    std::vector<std::string> tokens;
    std::string::size_type pos = 0;
    while ((pos = source.find_first_not_of(delimiters, pos)) != std::string::npos) {
        const std::string::size_type end = source.find_first_of(delimiters, pos);
        tokens.push_back(source.substr(pos, end == std::string::npos ? std::string::npos : end - pos));
        if (end == std::string::npos) break;
        pos = end;
    }
    return tokens;
}

std::string ofGetVersionInfo() {
    return "of version: 6\n";
}

// ------------------------------------------------------------- browser

void ofLaunchBrowser(std::string url) {
    if (url.compare(0, 7, "http://") != 0) {
        ofLog(OF_WARNING, "ofLaunchBrowser: url must begin http://");
        return;
    }
    ofPlatform::openUrl(url);
}
