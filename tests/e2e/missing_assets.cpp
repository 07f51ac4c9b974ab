// The game with each of its files missing in turn: it still reaches the menu
// and a game, says what failed, and ends cleanly.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "GameScreens.h"
#include "TestPaths.h"

using namespace screens;
namespace fs = std::filesystem;

namespace {

// Every file the game reads from data/, found in the repository so that a
// new asset is covered too; the table is a text file like the licences, so
// it is named here.
std::vector<std::string> gameFiles() {
    std::vector<std::string> files{"scores.txt"};
    const fs::path data = fs::path(testpaths::sourceDir()) / "data";
    for (const auto& entry : fs::recursive_directory_iterator(data)) {
        if (!entry.is_regular_file()) continue;
        const std::string ext = entry.path().extension().string();
        if (ext == ".md" || ext == ".txt" || ext == "") continue;  // documents and licences
        files.push_back(fs::relative(entry.path(), data).string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

// What the log says when the file is missing.
std::string expectedComplaint(const std::string& file) {
    const std::string ext = fs::path(file).extension().string();
    if (file == "scores.txt") return "OF_ERROR: Couldn't load text file!\n";
    if (file == "space.jpg") return "OF_ERROR: Failed to load space\n";
    if (file == "brackwater_logo.png") return "OF_ERROR: Failed to load logo\n";
    if (file == "background.jpg") return "OF_ERROR: Failed to load background\n";
    if (file == "vantor.ttf") return "OF_ERROR: Failed to load menu font\n";
    if (ext == ".3ds") return "[3DS] ERROR: Could not open '";
    if (ext == ".wav" || ext == ".mp3") return "OF_ERROR: ofSoundPlayer: Could not load sound file data/" + file + "\n";
    // The maps of the models' materials.
    return "OF_ERROR: texture3DS ERROR:  Could not open ";
}

std::string testName(const ::testing::TestParamInfo<std::string>& info) {
    std::string name = info.param;
    for (char& c : name)
        if (!isalnum(static_cast<unsigned char>(c))) c = '_';
    return name;
}

}  // namespace

class MissingAsset : public ::testing::TestWithParam<std::string> {};

TEST_P(MissingAsset, GameStillRunsAndSaysWhatFailed) {
    const std::string file = GetParam();
    GameProcess game("e2e-missing");
    std::error_code ignored;
    fs::remove(game.dataFile(file), ignored);
    ASSERT_TRUE(game.start()) << game.failure();
    MenuPoints p;
    std::string why;
    ASSERT_TRUE(reachMenu(game, p, why)) << why;
    ASSERT_TRUE(startGame(game, p, why)) << why;
    game.key("Escape");
    EXPECT_EQ(game.waitExit(10 * GameProcess::patience()), 0);
    const std::string log = game.log();
    EXPECT_NE(log.find(expectedComplaint(file)), std::string::npos) << log.substr(0, 2000);
}

INSTANTIATE_TEST_SUITE_P(EachFile, MissingAsset, ::testing::ValuesIn(gameFiles()), testName);
