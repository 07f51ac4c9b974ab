// The top-ten file: ranking, inserting, the text view, and what survives
// malformed files, failed writes and a save cut short.
#include "CaptureStdout.h"
#include "HighscoreFile.h"
#include "SafeFileWrite.h"
#include "TestPaths.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

struct HighscoreFileTest : ::testing::Test {
    std::string dir = testpaths::makeScratchDir("scores");
    std::string path = dir + "/scores.txt";

    ~HighscoreFileTest() override { std::filesystem::remove_all(dir); }

    void write(const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }
    std::string contents() const {
        std::ifstream in(path, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    // 900, 800, ... 0 under the names A ... J.
    void writeDescending() {
        std::string t;
        for (int i = 0; i < 10; ++i) t += std::string(1, char('A' + i)) + "\n" + std::to_string(900 - 100 * i) + "\n";
        write(t);
    }
    std::vector<std::string> lines() const {
        std::vector<std::string> out;
        std::istringstream in(contents());
        for (std::string l; std::getline(in, l);) out.push_back(l);
        return out;
    }
};

TEST_F(HighscoreFileTest, RanksTiesBelowAndInsertShiftsTheTableDown) {
    writeDescending();
    HighscoreFile scores(path);
    EXPECT_EQ(scores.rankOf(850), 1);
    EXPECT_EQ(scores.rankOf(800), 2);
    EXPECT_EQ(scores.rankOf(1000), 0);
    EXPECT_EQ(scores.rankOf(0), -1);

    scores.insert(850, "Mary Ann  Lee");
    auto l = lines();
    ASSERT_EQ(l.size(), 20u);
    EXPECT_EQ(l[2], "Mary Ann  Lee");
    EXPECT_EQ(l[3], "850");
    EXPECT_EQ(l[4], "B");
    EXPECT_EQ(l[5], "800");
    EXPECT_EQ(l[18], "I");
    EXPECT_EQ(l[19], "100");
    EXPECT_EQ(scores.readNames()[1], "Mary Ann  Lee");

    scores.insert(-5, "nobody");  // does not place: the file stays as it is
    EXPECT_EQ(lines().size(), 20u);
    EXPECT_EQ(lines()[19], "100");

    EXPECT_EQ(scores.toText(),
              " 1. 900 A\n 2. 850 Mary Ann  Lee\n 3. 800 B\n 4. 700 C\n 5. 600 D\n"
              " 6. 500 E\n 7. 400 F\n 8. 300 G\n 9. 200 H\n10. 100 I\n");
}

TEST_F(HighscoreFileTest, MissingFileReadsAsEmptyTableAndFirstInsertCreatesIt) {
    HighscoreFile scores(path);
    {
        CaptureStdout out;
        EXPECT_EQ(scores.rankOf(1), 0);
        EXPECT_EQ(out.finish(), "OF_ERROR: Couldn't load text file!\n");
    }
    {
        CaptureStdout out;
        EXPECT_EQ(scores.toText(), " 1. 0 \n 2. 0 \n 3. 0 \n 4. 0 \n 5. 0 \n 6. 0 \n 7. 0 \n 8. 0 \n 9. 0 \n10. 0 \n");
        EXPECT_EQ(out.finish(), "OF_ERROR: Couldn't load text file!\nOF_ERROR: Couldn't load text file!\n");
    }
    {
        CaptureStdout out;
        scores.insert(42, "first");
        out.finish();
    }
    std::string expected = "first\n42\n";
    for (int i = 0; i < 9; ++i) expected += "\n0\n";
    EXPECT_EQ(contents(), expected);
    EXPECT_EQ(access(safefile::temporaryFor(path).c_str(), F_OK), -1);
}

TEST_F(HighscoreFileTest, MalformedFilesReadWithoutHarm) {
    HighscoreFile scores(path);
    struct Case {
        const char* what;
        std::string bytes;
        std::string name0, name2;
        int score0, score9;
    };
    std::string junk;
    for (int i = 0; i < 4096; ++i) junk.push_back(char((i * 131 + 7) & 0xff));
    const std::vector<Case> cases = {
        {"written on Windows", "Ann Bo\r\n900\r\nx\r\n800\r\nCarl\r\n700\r\n", "Ann Bo", "Carl", 900, 0},
        {"short, no final newline", "Ann\n900\nBo", "Ann", "", 900, 0},
        {"longer than twenty lines",
         "a\n10\nb\n9\nc\n8\nd\n7\ne\n6\nf\n5\ng\n4\nh\n3\ni\n2\nj\n1\nk\n99999\nl\n", "a", "c", 10, 1},
        {"non-numeric scores", "Ann\nlots\nBo\n\nCarl\n 12abc\n", "Ann", "Carl", 0, 0},
        {"out of range scores", "Ann\n99999999999999999999\nBo\n-99999999999999999999\n", "Ann", "", 2147483647, 0},
        {"empty", "", "", "", 0, 0},
        {"binary junk", junk, "", "", 0, 0},
        {"one endless line", std::string(3 << 20, '7'), "", "", 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        write(c.bytes);
        CaptureStdout out;
        auto names = scores.readNames();
        auto values = scores.readScores();
        std::string text = scores.toText();
        EXPECT_EQ(out.finish(), "");
        if (c.bytes != junk && c.what != std::string("one endless line")) {
            EXPECT_EQ(names[0], c.name0);
            EXPECT_EQ(names[2], c.name2);
            EXPECT_EQ(values[0], c.score0);
            EXPECT_EQ(values[9], c.score9);
        }
        for (const auto& n : names) EXPECT_LE(n.size(), 1024u);
        // Ten display lines, whatever the file held.
        size_t newlines = 0;
        for (char ch : text) newlines += ch == '\n';
        EXPECT_GE(newlines, 10u);
    }
    // Scores read as 12 from " 12abc", like the framework's integer reading.
    write("a\n 12abc\n");
    EXPECT_EQ(scores.readScores()[0], 12);
    // A table read from a Windows file is written back in the twenty-line form.
    write("Ann\r\n900\r\n");
    scores.insert(950, "Zed");
    auto l = lines();
    ASSERT_EQ(l.size(), 20u);
    EXPECT_EQ(l[0], "Zed");
    EXPECT_EQ(l[2], "Ann");
    EXPECT_EQ(l[3], "900");
}

TEST_F(HighscoreFileTest, NameWithLineBreakCannotShiftTheTable) {
    writeDescending();
    HighscoreFile scores(path);
    scores.insert(1000, "two\nlines\r");
    auto l = lines();
    ASSERT_EQ(l.size(), 20u);
    EXPECT_EQ(l[0], "two lines ");
    EXPECT_EQ(l[1], "1000");
    EXPECT_EQ(scores.readScores()[9], 100);
}

TEST_F(HighscoreFileTest, SaveCutShortBeforeTheRenameKeepsTheOldTableWhole) {
    writeDescending();
    const std::string before = contents();
    // A crash after the new table was written but before it was renamed
    // leaves exactly this behind: the old file and a finished temporary.
    ASSERT_TRUE(safefile::writeTemporary(path, "half\n1\n"));
    HighscoreFile scores(path);
    EXPECT_EQ(contents(), before);
    EXPECT_EQ(scores.readNames()[0], "A");
    EXPECT_EQ(scores.readScores()[9], 0);
    // The next save is not disturbed by the leftover.
    scores.insert(950, "next");
    EXPECT_EQ(lines().size(), 20u);
    EXPECT_EQ(scores.readNames()[0], "next");
    EXPECT_EQ(scores.readScores()[1], 900);
    EXPECT_EQ(access(safefile::temporaryFor(path).c_str(), F_OK), -1);
}

TEST_F(HighscoreFileTest, FailedWriteIsReportedAndTheOldTableStays) {
    writeDescending();
    const std::string before = contents();
    const std::string tmp = safefile::temporaryFor(path);
    HighscoreFile scores(path);

    // The disk fills up while the new table is written.
    ASSERT_EQ(symlink("/dev/full", tmp.c_str()), 0);
    {
        CaptureStdout out;
        scores.insert(950, "lost");
        EXPECT_EQ(out.finish(), "OF_ERROR: Couldn't save text file!\n");
    }
    EXPECT_EQ(contents(), before);
    EXPECT_EQ(access(tmp.c_str(), F_OK), -1);

    // The temporary cannot even be created.
    ASSERT_EQ(mkdir(tmp.c_str(), 0755), 0);
    {
        CaptureStdout out;
        scores.insert(950, "lost");
        EXPECT_EQ(out.finish(), "OF_ERROR: Couldn't save text file!\n");
    }
    EXPECT_EQ(contents(), before);
    rmdir(tmp.c_str());

    // The rename fails: a folder stands under the file's name. Reading it
    // counts as a missing file.
    std::string folderPath = dir + "/taken";
    ASSERT_EQ(mkdir(folderPath.c_str(), 0755), 0);
    HighscoreFile blocked(folderPath);
    {
        CaptureStdout out;
        blocked.insert(950, "lost");
        const std::string load = "OF_ERROR: Couldn't load text file!\n";
        EXPECT_EQ(out.finish(), load + load + load + "OF_ERROR: Couldn't save text file!\n");
    }
    EXPECT_EQ(access(safefile::temporaryFor(folderPath).c_str(), F_OK), -1);
}

}  // namespace
