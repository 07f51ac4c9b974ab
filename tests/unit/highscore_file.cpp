// The top-ten file: ranking and inserting, and what survives malformed
// files, failed writes and a save cut short.
#include "CaptureStdout.h"
#include "HighscoreFile.h"
#include "SafeFileWrite.h"
#include "TestPaths.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace {

const std::string LOAD_ERROR = "OF_ERROR: Couldn't load text file!\n";
const std::string SAVE_ERROR = "OF_ERROR: Couldn't save text file!\n";

struct HighscoreFileTest : ::testing::Test {
    std::string dir = testpaths::makeScratchDir("scores");
    std::string path = dir + "/scores.txt";
    HighscoreFile scores{path};

    ~HighscoreFileTest() override { std::filesystem::remove_all(dir); }
    void write(const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }
    std::string contents() const {
        std::stringstream s;
        s << std::ifstream(path, std::ios::binary).rdbuf();
        return s.str();
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
    EXPECT_NE(access(safefile::temporaryFor(path).c_str(), F_OK), 0);
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

TEST_F(HighscoreFileTest, SaveCutShortBeforeTheRenameKeepsTheOldTableWhole) {
    writeDescending();
    const std::string before = contents();
    // What a crash after writing the new table but before renaming it leaves.
    ASSERT_TRUE(safefile::writeTemporary(path, "half\n1\n"));
    EXPECT_EQ(contents(), before);
    EXPECT_EQ(scores.readNames()[0], "A");
    // The next save is not disturbed by the leftover.
    scores.insert(950, "next");
    EXPECT_EQ(scores.readNames()[0], "next");
    EXPECT_EQ(scores.readScores()[1], 900);
    EXPECT_NE(access(safefile::temporaryFor(path).c_str(), F_OK), 0);
}

TEST_F(HighscoreFileTest, FailedWriteIsReportedAndTheOldTableStays) {
    writeDescending();
    const std::string before = contents();
    const std::string tmp = safefile::temporaryFor(path);
    ASSERT_EQ(symlink("/dev/full", tmp.c_str()), 0);  // the disk fills up
    {
        CaptureStdout out;
        scores.insert(950, "lost");
        EXPECT_EQ(out.finish(), SAVE_ERROR);
    }
    EXPECT_EQ(contents(), before);
    EXPECT_NE(access(tmp.c_str(), F_OK), 0);

    // A folder under the file's name reads as missing, and the rename fails.
    HighscoreFile blocked(dir);
    CaptureStdout out;
    blocked.insert(950, "lost");
    EXPECT_EQ(out.finish(), LOAD_ERROR + LOAD_ERROR + LOAD_ERROR + SAVE_ERROR);
    EXPECT_NE(access(safefile::temporaryFor(dir).c_str(), F_OK), 0);
}

}  // namespace
