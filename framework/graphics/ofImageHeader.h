#pragma once
// What an image file's header says: its format, and the size it declares,
// read by hand for the formats whose header the image library cannot read
// without decoding. Internal to ofImage.
#include <FreeImage.h>

#include <cstdint>
#include <string>

// The format of a file: by its signature, else by its name. A file that
// exists therefore decides by its contents before its name does.
FREE_IMAGE_FORMAT imageFileFormat(const std::string& path);

// The width x height that the file at path declares for the image that the
// library would decode from it (the larger one where a format declares two).
// False when the header cannot be read: cut short, not of that format, or
// of a form that the library's loader would not take either.
bool declaredPixelCount(FREE_IMAGE_FORMAT fif, const std::string& path, uint64_t& pixels);
