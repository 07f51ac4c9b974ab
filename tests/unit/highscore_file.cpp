// The top-ten file: ranking and inserting, and what survives malformed
// files, failed writes and a save cut short.
#include "CaptureStdout.h"
#include "HighscoreFile.h"
#include "TestPaths.h"
#include "ofFileReplacement.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <poll.h>
#include <sstream>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

const std::string LOAD_ERROR = "OF_ERROR: Couldn't load text file!\n";
const std::string SAVE_ERROR = "OF_ERROR: Couldn't save text file!\n";

bool endedWell(pid_t child) {
    int status = 0;
    return waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Another game that took the table's lock and hangs: a child process that
// holds it until let go, or for a minute at most.
class LockHeldElsewhere {
public:
    explicit LockHeldElsewhere(const std::string& lockFile) {
        int ready[2], release[2];
        if (pipe(ready) != 0 || pipe(release) != 0) return;
        pid = fork();
        if (pid == 0) {
            close(release[1]);
            int fd = open(lockFile.c_str(), O_RDONLY | O_CREAT, 0644);
            if (fd < 0 || flock(fd, LOCK_EX) != 0 || ::write(ready[1], "!", 1) != 1) _exit(2);
            pollfd until{release[0], POLLIN, 0};
            poll(&until, 1, 60000);
            _exit(0);
        }
        close(ready[1]);
        close(release[0]);
        char c;
        holding = pid > 0 && read(ready[0], &c, 1) == 1;
        close(ready[0]);
        letGoFd = release[1];
    }
    ~LockHeldElsewhere() { letGo(); }
    // True when the child held the lock and ended normally.
    bool letGo() {
        if (letGoFd < 0) return false;
        close(letGoFd);
        letGoFd = -1;
        return pid > 0 && endedWell(pid);
    }
    bool holding = false;

private:
    pid_t pid = -1;
    int letGoFd = -1;
};

struct HighscoreFileTest : ::testing::Test {
    ScratchDir dir{"scores"};
    std::string path = dir / "scores.txt";
    HighscoreFile scores{path};

    void write(const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }
    std::string contents() const {
        std::stringstream s;
        s << std::ifstream(path, std::ios::binary).rdbuf();
        return s.str();
    }
    static std::vector<std::string> entries(const std::string& folder) {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(folder)) names.push_back(e.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }
    // 900, 800, ... 0 under the names A ... J.
    void writeDescending() {
        std::string t;
        for (int i = 0; i < 10; ++i) t += std::string(1, char('A' + i)) + "\n" + std::to_string(900 - 100 * i) + "\n";
        write(t);
    }
};

TEST_F(HighscoreFileTest, RanksTiesBelowAndInsertShiftsTheTableDown) {
    writeDescending();
    EXPECT_EQ(scores.rankOf(850), 1);
    EXPECT_EQ(scores.rankOf(800), 2);
    EXPECT_EQ(scores.rankOf(1000), 0);
    EXPECT_EQ(scores.rankOf(0), -1);
    scores.insert(850, "Mary Ann  Lee");
    scores.insert(-5, "nobody");  // does not place
    scores.insert(1000, "two\nlines");  // a line end must not shift the table
    EXPECT_EQ(scores.toText(),
              " 1. 1000 two lines\n 2. 900 A\n 3. 850 Mary Ann  Lee\n 4. 800 B\n 5. 700 C\n"
              " 6. 600 D\n 7. 500 E\n 8. 400 F\n 9. 300 G\n10. 200 H\n");
    std::string expected = "two lines\n1000\nA\n900\nMary Ann  Lee\n850\n";
    for (int i = 1; i < 8; ++i) expected += std::string(1, char('A' + i)) + "\n" + std::to_string(900 - 100 * i) + "\n";
    EXPECT_EQ(contents(), expected);
}

TEST_F(HighscoreFileTest, MissingFileReadsAsEmptyTableAndFirstInsertCreatesIt) {
    CaptureStdout out;
    EXPECT_EQ(scores.rankOf(1), 0);
    EXPECT_EQ(scores.toText(), " 1. 0 \n 2. 0 \n 3. 0 \n 4. 0 \n 5. 0 \n 6. 0 \n 7. 0 \n 8. 0 \n 9. 0 \n10. 0 \n");
    EXPECT_EQ(out.finish(), LOAD_ERROR + LOAD_ERROR + LOAD_ERROR);
    CaptureStdout quiet;
    scores.insert(42, "first");
    quiet.finish();
    std::string expected = "first\n42\n";
    for (int i = 0; i < 9; ++i) expected += "\n0\n";
    EXPECT_EQ(contents(), expected);
    EXPECT_EQ(entries(dir.path()), (std::vector<std::string>{"scores.txt", "scores.txt.lock"}));
}

TEST_F(HighscoreFileTest, MalformedFilesReadWithoutHarm) {
    const struct {
        std::string bytes, name1;
        int score1, score10;
    } cases[] = {
        {"x\r\n9\r\nAnn Bo\r\n-800\r\n", "Ann Bo", -800, 0},  // written on Windows
        {"x\n9\nBo", "Bo", 0, 0},                                 // short, no final newline
        {"a\n10\nb\n9\nc\n8\nd\n7\ne\n6\nf\n5\ng\n4\nh\n3\ni\n2\nj\n1\nk\n99\n", "b", 9, 1},
        {"x\nlots\nBo\n 12abc\n", "Bo", 12, 0},                  // scores that are not plain numbers
        {"x\n99999999999999999999\nB\n-99999999999999999999\n", "B", -2147483647 - 1, 0},
        {"", "", 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes);
        write(c.bytes);
        CaptureStdout out;
        EXPECT_EQ(scores.readNames()[1], c.name1);
        EXPECT_EQ(scores.readScores()[1], c.score1);
        EXPECT_EQ(scores.readScores()[9], c.score10);
        EXPECT_EQ(out.finish(), "");
    }
    write("x\n99999999999999999999\n");
    EXPECT_EQ(scores.readScores()[0], 2147483647);
    // Binary junk and a line without end: read, bounded, shown as ten lines.
    std::string junk;
    for (int i = 0; i < 4096; ++i) junk.push_back(char((i * 131 + 7) & 0xff));
    for (const std::string& bytes : {junk, std::string(3 << 20, '7')}) {
        write(bytes);
        for (const std::string& name : scores.readNames()) EXPECT_LE(name.size(), 1024u);
        EXPECT_NE(scores.toText().find("\n10. "), std::string::npos);
    }
    // Written back, a Windows table takes the plain twenty-line form.
    write("Ann\r\n900\r\n");
    scores.insert(950, "Zed");
    EXPECT_EQ(contents().substr(0, 18), "Zed\n950\nAnn\n900\n\n0");
}

TEST_F(HighscoreFileTest, EverySaveWritesATemporaryOfItsOwnAndReplacesOnlyWhenComplete) {
    writeDescending();
    const std::string before = contents();
    {
        ofFileReplacement first(path), second(path);
        ASSERT_TRUE(first.ready() && second.ready());
        EXPECT_NE(first.temporaryPath(), second.temporaryPath());
        ASSERT_TRUE(first.write("first\n1\n") && second.write("second\n2\n"));
        EXPECT_EQ(contents(), before) << "what a crash before the rename leaves";
        EXPECT_TRUE(second.commit());
    }
    EXPECT_EQ(contents(), "second\n2\n");
    EXPECT_EQ(entries(dir.path()), (std::vector<std::string>{"scores.txt"}));
}

TEST_F(HighscoreFileTest, AnInsertWaitsForTheOneBeforeItAndBothEntriesStay) {
    writeDescending();
    // Another game holds the table from its first read to its save.
    int held = open((path + ".lock").c_str(), O_RDONLY | O_CREAT, 0644);
    ASSERT_EQ(flock(held, LOCK_EX), 0);
    std::thread second([&] { scores.insert(850, "second"); });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(contents().substr(0, 12), "A\n900\nB\n800\n") << "saved while the other game held the table";
    write("first\n950\n" + contents().substr(0, contents().size() - 4));
    close(held);
    second.join();
    EXPECT_EQ(contents().substr(0, 29), "first\n950\nA\n900\nsecond\n850\nB\n");
}

TEST_F(HighscoreFileTest, SaveKeepsTheModeFollowsLinksAndLeavesTablesItMayNotWrite) {
    for (mode_t mode : {0640, 0444}) {
        SCOPED_TRACE(mode);
        writeDescending();
        ASSERT_EQ(chmod(path.c_str(), mode), 0);
        const std::string before = contents();
        CaptureStdout out;
        scores.insert(950, "new");
        EXPECT_EQ(out.finish(), mode == 0444 ? SAVE_ERROR : "");
        EXPECT_EQ(contents() == before, mode == 0444);
        EXPECT_EQ(std::filesystem::status(path).permissions(), std::filesystem::perms(mode));
        ASSERT_EQ(chmod(path.c_str(), 0644), 0);
    }
    // A link is saved through: its file changes, the link stays.
    ASSERT_EQ(mkdir((dir / "real").c_str(), 0755), 0);
    ASSERT_EQ(rename(path.c_str(), (dir / "real/table.txt").c_str()), 0);
    ASSERT_EQ(symlink("real/table.txt", path.c_str()), 0);
    scores.insert(990, "linked");
    EXPECT_TRUE(std::filesystem::is_symlink(path));
    EXPECT_EQ(scores.readNames()[0], "linked");

    // A folder under the table's name reads as missing and is not replaced.
    HighscoreFile blocked(dir / "real");
    CaptureStdout out;
    blocked.insert(950, "lost");
    EXPECT_EQ(out.finish(), LOAD_ERROR + LOAD_ERROR + LOAD_ERROR + SAVE_ERROR);
    EXPECT_EQ(entries(dir / "real"), (std::vector<std::string>{"table.txt", "table.txt.lock"}));
    EXPECT_EQ(entries(dir.path()), (std::vector<std::string>{"real", "real.lock", "scores.txt", "scores.txt.lock"}));
}

TEST_F(HighscoreFileTest, AGameKeepingTheLockDelaysASaveBrieflyAlsoThroughALink) {
    writeDescending();
    ASSERT_EQ(mkdir((dir / "other").c_str(), 0755), 0);
    ASSERT_EQ(symlink(path.c_str(), (dir / "other/scores.txt").c_str()), 0);
    LockHeldElsewhere other(path + ".lock");
    ASSERT_TRUE(other.holding);
    for (const std::string& saver : {path, dir / "other/scores.txt"}) {
        SCOPED_TRACE(saver);
        const int score = scores.readScores()[0] + 1;
        CaptureStdout out;
        const auto start = std::chrono::steady_clock::now();
        HighscoreFile(saver).insert(score, "kept");
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        EXPECT_EQ(out.finish(), "OF_WARNING: Couldn't lock " + path + ".lock, saving anyway\n");
        // Waiting for the other game to let go would take a minute.
        EXPECT_LT(took.count(), 30.0);
        EXPECT_EQ(scores.readScores()[0], score);
        EXPECT_EQ(scores.readNames()[0], "kept");
    }
    EXPECT_TRUE(other.letGo());
}

TEST_F(HighscoreFileTest, ALockThatCannotBeHadIsReportedAndTheEntryIsSavedAnyway) {
    const std::string lock = path + ".lock";
    const std::string warning = "OF_WARNING: Couldn't lock " + lock + ", saving anyway\n";
    const struct {
        std::string name;
        std::function<int()> make;
        std::string said;
    } cases[] = {
        {"folder", [&] { return mkdir(lock.c_str(), 0755); }, warning},
        {"link", [&] { return symlink("elsewhere", lock.c_str()); }, warning},
        {"pipe", [&] { return mkfifo(lock.c_str(), 0644); }, ""},  // locks as well as a file
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        writeDescending();
        ASSERT_EQ(c.make(), 0);
        CaptureStdout out;
        auto save = std::async(std::launch::async, [&] { scores.insert(950, c.name); });
        if (save.wait_for(std::chrono::seconds(30)) != std::future_status::ready) {
            ADD_FAILURE() << "the save waits for a writer to the lock's pipe";
            close(open(lock.c_str(), O_WRONLY | O_NONBLOCK));
        }
        save.get();
        EXPECT_EQ(out.finish(), c.said);
        EXPECT_EQ(scores.readNames()[0], c.name);
        // The lock's name keeps what was there, and nothing is made through it.
        EXPECT_EQ(entries(dir.path()), (std::vector<std::string>{"scores.txt", "scores.txt.lock"}));
        EXPECT_FALSE(std::filesystem::is_regular_file(std::filesystem::symlink_status(lock)));
        std::filesystem::remove_all(lock);
    }
}

TEST_F(HighscoreFileTest, FailedWriteIsReportedAndTheOldTableStays) {
    writeDescending();
    const std::string before = contents();
    EXPECT_EQ(stdoutOnAFullDisk(16, [&] { scores.insert(950, "lost"); }), SAVE_ERROR);
    EXPECT_EQ(contents(), before);
    EXPECT_EQ(entries(dir.path()), (std::vector<std::string>{"scores.txt", "scores.txt.lock"}));
}

}  // namespace
