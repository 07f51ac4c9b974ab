#pragma once
// Replacing a small file so that a crash or power cut at any moment leaves
// either the old contents or the new ones on disk, never a torn mix.
#include <string>

namespace safefile {

// The name of the temporary file that a save writes beside `path`.
std::string temporaryFor(const std::string& path);

// Writes `contents` whole into the temporary file beside `path` and forces it
// to disk. False (and no temporary left behind) when any step fails.
bool writeTemporary(const std::string& path, const std::string& contents);

// Moves the temporary file over `path` in one step and syncs the folder, so
// the new name survives a power cut. False when the move fails.
bool commitTemporary(const std::string& path);

// Both steps; `path` keeps its old contents unless everything succeeded.
bool replaceContents(const std::string& path, const std::string& contents);

}
