#pragma once
// Elapsed time and the wall clock, the data path, text conversions and the
// browser.
#include <cstdint>
#include <string>
#include <vector>

// Milliseconds of the system timer: monotonic, 32 bits, wrapping.
uint32_t ofGetSystemTime();
// Elapsed time counts from program start until the first reset.
void ofResetElapsedTimeCounter();
int ofGetElapsedTimeMillis();
float ofGetElapsedTimeSeconds();

// Fields of the local time, read afresh on every call.
int ofGetSeconds();
int ofGetMinutes();
int ofGetHours();
int ofGetYear();
int ofGetMonth();     // 1 = January
int ofGetDay();       // day of the month
int ofGetWeekday();   // 0 = Sunday

// Puts the data root ("data/" by default) in front of relative names.
std::string ofToDataPath(std::string path, bool makeAbsolute = false);
void ofEnableDataPath();
void ofDisableDataPath();
void ofSetDataPathRoot(const std::string& root);

std::string ofToString(int value);
std::string ofToString(double value, int precision);
// Read a number from the start of the text after leading white space.
// A text that does not start with a number gives 0; a number out of range
// gives the nearest value the type can hold.
int ofToInt(const std::string& text);
float ofToFloat(const std::string& text);

// Every character of delimiters separates tokens; no token is empty.
std::vector<std::string> ofSplitString(const std::string& source, const std::string& delimiters);

std::string ofGetVersionInfo();

// Opens an "http://" address in the desktop's browser.
void ofLaunchBrowser(std::string url);

// Saves the window's contents as an image file; the name goes through the
// data path and its extension picks the format.
void ofSaveScreen(std::string filename);
// Saves under the next number of a running count: "0.png", "1.png", ...
void ofSaveFrame();
