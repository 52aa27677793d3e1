// Playback: the playlist of one folder, starting its rows, and the transport
// commands routed here by the main loop.
//
// How this works: scanPlaylistFolder lists the playable names of the folder of
// `currentPath` into PlaylistBox. Every way of playing something selects a row
// and calls startSelectedTrack, which replaces the one stream with a new one
// made from currentFolder + row text. checkAutoAdvance runs on every pass of
// the loop and starts the next row once the engine reports the stream stopped.
// Paths and names are the file system's bytes; only what is shown is decoded.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// Everything up to and including the last "/" or "\"; empty without either.
std::string_view folderPartOf(std::string_view path);
// Everything after the last "/" or "\"; the whole text without either.
std::string_view filePartOf(std::string_view path);
// The last four bytes, lower-cased, are ".wav", ".mp3" or ".mid".
bool isPlayableName(std::string_view name);
// The playable entry names of a folder in the order the directory lists them;
// empty text is the working directory. Nothing when the folder cannot be listed.
std::vector<std::string> listPlayableNames(const std::string &folder);

void scanPlaylistFolder();
void startSelectedTrack();
// Selects the first row whose bytes equal the name, or no row. True when found.
bool selectRowByName(std::string_view name);
void checkAutoAdvance();

// Handlers routed by the main loop.
void OnMp3Click();
void OnFilesDropped();
void OnPlaylistDoubleClick();
void OnPauseClick();
void OnProgressClick();
