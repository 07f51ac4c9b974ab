#include "HighscoreFile.h"

#include "ofFileReplacement.h"
#include "ofLog.h"
#include "ofPlatform.h"
#include "ofUtils.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Names are at most twelve bytes; anything much longer is junk, and keeping
// it whole would let a huge file without line ends fill the memory.
constexpr size_t MAX_LINE = 1024;

// One line up to '\n' (dropped), keeping at most MAX_LINE bytes of it. A line
// written on Windows loses its carriage return. False at the end of the
// stream before any byte was read.
bool readBoundedLine(std::FILE* in, std::string& line) {
    line.clear();
    bool any = false;
    for (;;) {
        int c = std::getc(in);
        if (c == EOF) break;
        any = true;
        if (c == '\n') break;
        if (line.size() < MAX_LINE) line.push_back(static_cast<char>(c));
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return any;
}

// The decimal number at the start of the line (after blanks), as the
// framework's integer conversion reads it; a line without one reads as 0 and
// a number beyond the int range is held at the range's end.
int scoreFromLine(const std::string& line) {
    const char* text = line.c_str();
    char* end = nullptr;
    errno = 0;
    long long value = std::strtoll(text, &end, 10);
    if (end == text) return 0;
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

// A line end inside a name would shift every later line of the file.
std::string nameForFile(std::string name) {
    for (char& c : name)
        if (c == '\n' || c == '\r') c = ' ';
    return name;
}

// Two games ending together must not both read the old table and each save
// it with only their own entry, so an insert holds this lock from its first
// read to its save. It lives in a file of its own beside the file that a
// save replaces, so that games reaching one table through links and by its
// own name take the same lock; a lock on the table itself would be lost with
// the file that a save renames over. A game that keeps the lock (one that
// hangs) must not freeze this one: after a short wait the save goes ahead
// without it, still whole, only no longer sure to keep the other's entry.
// The same holds for a lock that cannot be had at all (a folder or a link
// under its name): the entry is worth more than the lock.
class TableLock {
public:
    explicit TableLock(const std::string& table) {
        const std::string name = ofReplacedFile(table) + ".lock";
        // Not following a link keeps a save from creating files elsewhere;
        // not blocking keeps a pipe under the lock's name from freezing it.
        fd = ::open(name.c_str(), O_RDONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
        for (int tries = 1; fd < 0 || ::flock(fd, LOCK_EX | LOCK_NB) != 0; ++tries) {
            if (fd < 0 || errno != EWOULDBLOCK || tries * POLL_MS >= MAX_WAIT_MS) {
                ofLog(OF_WARNING, "Couldn't lock %s, saving anyway", name.c_str());
                return;
            }
            ofPlatform::sleepMillis(POLL_MS);
        }
    }
    ~TableLock() {
        if (fd >= 0) ::close(fd);
    }
    TableLock(const TableLock&) = delete;
    TableLock& operator=(const TableLock&) = delete;

private:
    static constexpr int POLL_MS = 10, MAX_WAIT_MS = 3000;
    int fd = -1;
};

}  // namespace

HighscoreFile::HighscoreFile(const std::string& path) : path(path) {}

bool HighscoreFile::readLines(std::array<std::string, 2 * RANKS>& lines, int& count) const {
    count = 0;
    // Only a plain file will do: a folder or a pipe under the file's name
    // would fail or block the reading.
    std::FILE* in = nullptr;
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat info;
    if (fd >= 0 && ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) in = ::fdopen(fd, "r");
    if (!in) {
        if (fd >= 0) ::close(fd);
        ofLog(OF_ERROR, "Couldn't load text file!");
        return false;
    }
    while (count < 2 * RANKS && readBoundedLine(in, lines[count])) ++count;
    std::fclose(in);
    return true;
}

HighscoreFile::Names HighscoreFile::readNames() const {
    Names names{};
    std::array<std::string, 2 * RANKS> lines;
    int count = 0;
    readLines(lines, count);
    for (int i = 0; i < count; i += 2) names[i / 2] = lines[i];
    return names;
}

HighscoreFile::Scores HighscoreFile::readScores() const {
    Scores scores{};
    std::array<std::string, 2 * RANKS> lines;
    int count = 0;
    readLines(lines, count);
    for (int i = 1; i < count; i += 2) scores[i / 2] = scoreFromLine(lines[i]);
    return scores;
}

int HighscoreFile::rankOf(int score) const {
    Scores scores = readScores();
    for (int i = 0; i < RANKS; ++i)
        if (scores[i] < score) return i;
    return -1;
}

void HighscoreFile::insert(int score, std::string name) {
    TableLock lock(path);
    int pos = rankOf(score);
    if (pos < 0) return;
    Scores scores = readScores();
    Names names = readNames();
    for (int i = RANKS - 2; i >= pos; --i) {
        scores[i + 1] = scores[i];
        names[i + 1] = names[i];
    }
    scores[pos] = score;
    names[pos] = std::move(name);

    std::string text;
    for (int i = 0; i < RANKS; ++i) text += nameForFile(names[i]) + "\n" + ofToString(scores[i]) + "\n";
    if (!ofReplaceFileContents(path, text)) ofLog(OF_ERROR, "Couldn't save text file!");
}

std::string HighscoreFile::toText() const {
    Scores scores = readScores();
    Names names = readNames();
    std::string text;
    for (int i = 0; i < RANKS; ++i) {
        if (i < RANKS - 1) text += " ";
        text += ofToString(i + 1) + ". " + ofToString(scores[i]) + " " + names[i] + "\n";
    }
    return text;
}
