// The playlist of a real folder: which entries become rows, in which order,
// with which bytes, and which row ends up selected.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "app/player_state.h"
#include "platform/toolkit.h"
#include "playback/playback.h"
#include "playback/tests/playback_test_support.h"

namespace {

using namespace playback_test;

struct Entry {
    std::string name;
    bool folder;
    bool listed;
};

const std::vector<Entry> MixedEntries = {
    {"SONG.MP3", false, true},
    {"Track.Wav", false, true},
    {"quiet.mid", false, true},
    {".mid", false, true},
    {"x.mp3", true, true},
    {"with spaces .wav", false, true},
    {"\xE9t\xE9 \xCF\xF3.mp3", false, true},
    {"line\nfeed.wav", false, true},
    {"a.mp3.txt", false, false},
    {"a.flac", false, false},
    {"mp3", false, false},
    {"wav", false, false},
    {"a.mp", false, false},
    {"sub", true, false},
    {"notes.MID.bak", false, false},
};

void makeEntries(const TempFolder &folder, const std::vector<Entry> &entries)
{
    for (const Entry &entry : entries) {
        if (entry.folder)
            ASSERT_EQ(mkdir((folder / entry.name).c_str(), 0755), 0) << entry.name;
        else
            writeBytes(folder / entry.name, "not really sound");
    }
}

// The names as the directory itself lists them, through the C library.
std::vector<std::string> directoryOrder(const std::string &folder)
{
    std::vector<std::string> names;
    DIR *directory = opendir(folder.c_str());
    while (const dirent *entry = readdir(directory))
        names.emplace_back(entry->d_name);
    closedir(directory);
    return names;
}

std::vector<std::string> expectedRows(const TempFolder &folder, const std::vector<Entry> &entries)
{
    std::vector<std::string> rows;
    for (const std::string &name : directoryOrder(folder.slash()))
        for (const Entry &entry : entries)
            if (entry.name == name && entry.listed)
                rows.push_back(name);
    return rows;
}

void scanWith(const std::string &path, int32_t currentIndex)
{
    player.currentPath = path;
    player.currentIndex = currentIndex;
    scanPlaylistFolder();
}

TEST(PathParts, FolderAndFileSplitAtTheLastSeparatorOfEitherKind)
{
    struct Case {
        std::string_view path, folder, file;
    };
    const Case cases[] = {
        {"/music/a.mp3", "/music/", "a.mp3"},
        {"C:\\music\\a.mp3", "C:\\music\\", "a.mp3"},
        {"/mixed\\dir/x\\y.wav", "/mixed\\dir/x\\", "y.wav"},
        {"a.mp3", "", "a.mp3"},
        {"", "", ""},
        {"/music/", "/music/", ""},
        {"/", "/", ""},
    };
    for (const Case &test : cases) {
        EXPECT_EQ(folderPartOf(test.path), test.folder) << test.path;
        EXPECT_EQ(filePartOf(test.path), test.file) << test.path;
    }
}

TEST(PlayableNames, LastFourBytesLowerCased)
{
    struct Case {
        std::string_view name;
        bool playable;
    };
    const Case cases[] = {
        {"a.wav", true},  {"A.WAV", true},    {"b.Mp3", true},     {".mid", true},     {"x.MiD", true},
        {"mid", false},   {"", false},        {"a.mp3 ", false},   {"a.mp4", false},   {"a.wave", false},
        {"\xC0.mp3", true}, {"a.mp\xB3", false},
    };
    for (const Case &test : cases)
        EXPECT_EQ(isPlayableName(test.name), test.playable) << test.name;
}

TEST(FolderListing, PlayableEntriesInDirectoryOrderWithTheirBytes)
{
    TempFolder folder;
    makeEntries(folder, MixedEntries);
    EXPECT_EQ(listPlayableNames(folder.slash()), expectedRows(folder, MixedEntries));
    EXPECT_EQ(listPlayableNames(folder.slash()).size(), 8u);
}

TEST(FolderListing, UnlistableFoldersGiveNothing)
{
    TempFolder folder;
    writeBytes(folder / "plain.mp3", "x");
    for (const std::string &path : {folder / "missing/", folder / "plain.mp3/", folder.slash() + std::string(1, '\0')})
        EXPECT_TRUE(listPlayableNames(path).empty()) << path;
}

TEST(FolderScan, FillsTheListAndSelectsTheRememberedRow)
{
    TempFolder folder;
    makeEntries(folder, MixedEntries);
    const std::vector<std::string> rows = expectedRows(folder, MixedEntries);
    const int32_t count = int32_t(rows.size());

    struct Case {
        int32_t currentIndex;
        int selected;
    };
    const Case cases[] = {{0, 0}, {3, 3}, {count - 1, count - 1}, {count, -1}, {-1, -1}, {-7, -1}, {1 << 30, -1}};
    for (const Case &test : cases) {
        SCOPED_TRACE(test.currentIndex);
        scanWith(folder / "SONG.MP3", test.currentIndex);
        EXPECT_EQ(listRows(), rows);
        EXPECT_EQ(player.trackCount, count);
        EXPECT_EQ(player.currentFolder, folder.slash());
        EXPECT_EQ(playlistBoxSelectedRow(), test.selected);
    }
}

TEST(FolderScan, AFolderThatCannotBeListedLeavesAnEmptyList)
{
    TempFolder folder;
    makeEntries(folder, MixedEntries);
    scanWith(folder / "SONG.MP3", 0);
    ASSERT_GT(playlistBoxRowCount(), 0);

    scanWith(folder / "gone/a.mp3", 0);
    EXPECT_EQ(playlistBoxRowCount(), 0);
    EXPECT_EQ(player.trackCount, 0);
    EXPECT_EQ(playlistBoxSelectedRow(), -1);
    EXPECT_EQ(player.currentFolder, folder / "gone/");
}

TEST(FolderScan, APathWithoutSeparatorListsTheWorkingDirectory)
{
    TempFolder folder;
    makeEntries(folder, MixedEntries);
    const fs::path before = fs::current_path();
    fs::current_path(folder.path());
    for (const std::string path : {"", "whatever.mp3"}) {
        scanWith(path, 0);
        EXPECT_EQ(player.currentFolder, "");
        EXPECT_EQ(listRows(), expectedRows(folder, MixedEntries)) << path;
        EXPECT_EQ(playlistBoxSelectedRow(), 0);
    }
    fs::current_path(before);
}

TEST(FolderScan, StartUpListsTheWorkingDirectoryAndPlaysNothing)
{
    std::vector<std::string> rows = startUpState().rows;
    std::sort(rows.begin(), rows.end());
    EXPECT_EQ(rows, (std::vector<std::string>{"A.MP3", "b.wav"}));
    EXPECT_EQ(startUpState().selectedRow, 0);
    EXPECT_EQ(startUpState().stream, 0u);
}

TEST(FolderScan, RescanningReplacesTheRows)
{
    TempFolder first, second;
    writeBytes(first / "one.wav", "x");
    writeBytes(first / "two.wav", "x");
    writeBytes(second / "three.mid", "x");
    scanWith(first / "one.wav", 1);
    scanWith(first / "one.wav", 1);
    EXPECT_EQ(playlistBoxRowCount(), 2);
    scanWith(second / "three.mid", 1);
    EXPECT_EQ(listRows(), std::vector<std::string>{"three.mid"});
    EXPECT_EQ(player.trackCount, 1);
    EXPECT_EQ(playlistBoxSelectedRow(), -1);
}

} // namespace
