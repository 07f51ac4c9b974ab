#pragma once
// The top-ten table, kept in a small text file: for each rank, best first, a
// name line and a decimal score line. No table is held in memory; every
// operation reads the file afresh.
#include <array>
#include <string>

class HighscoreFile {
public:
    static constexpr int RANKS = 10;
    using Names = std::array<std::string, RANKS>;
    using Scores = std::array<int, RANKS>;

    explicit HighscoreFile(const std::string& path);

    // Ranks the file does not supply keep an empty name or a score of 0.
    Names readNames() const;
    Scores readScores() const;

    // The index 0-9 at which `score` would enter, or -1; a tie ranks below
    // the entry already stored.
    int rankOf(int score) const;

    // Enters the pair and rewrites the file; a score that does not place
    // changes nothing. Inserts into one file by several games, also through
    // links, take turns, so each keeps its entry; a game that keeps the file
    // for more than a few seconds is not waited for.
    void insert(int score, std::string name);

    // Ten display lines, each ending in a newline.
    std::string toText() const;

private:
    // The first twenty lines of the file, each without its line end;
    // false when the file cannot be opened.
    bool readLines(std::array<std::string, 2 * RANKS>& lines, int& count) const;

    std::string path;
};
