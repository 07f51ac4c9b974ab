#pragma once
// Replacing a file so that a failure or a crash at any moment leaves either
// the old file or the complete new one, never an empty or torn one. The new
// contents go into a temporary file of this replacement's own beside the
// file, and only a complete temporary is renamed over it.
#include <string>
#include <sys/types.h>

class ofFileReplacement {
public:
    // Prepares to replace `path`. A symbolic link is followed, so the file
    // it names is replaced and the link stays. Only a plain file, or nothing,
    // is ever replaced; a file that has no write permission bit at all is
    // kept even for a process that could write it (root), as is one this
    // process may not write.
    explicit ofFileReplacement(const std::string& path);
    ~ofFileReplacement();  // removes the temporary unless it was committed
    ofFileReplacement(const ofFileReplacement&) = delete;
    ofFileReplacement& operator=(const ofFileReplacement&) = delete;

    // The temporary exists and nothing has failed so far.
    bool ready() const { return fd >= 0; }
    // For writers that open files by name; empty when not ready.
    const std::string& temporaryPath() const { return temporary; }

    bool write(const std::string& contents);
    // Puts the temporary on disk with the replaced file's mode and renames it
    // over the file. False when any step failed: the file is as it was.
    bool commit();

private:
    void discard();

    std::string target;
    std::string temporary;
    int fd = -1;
    bool keepMode = false;
    mode_t mode = 0;
};

// The file that a replacement of `path` replaces: the end of its chain of
// symbolic links, which need not exist yet.
std::string ofReplacedFile(std::string path);

// A whole replacement of `path` by `contents`; false when the file was kept.
bool ofReplaceFileContents(const std::string& path, const std::string& contents);
