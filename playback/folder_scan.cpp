// The playlist is the playable entries of one folder, in the order the
// directory gives them; names stay the bytes the file system returned.
#include <dirent.h>

#include <algorithm>
#include <iterator>
#include <memory>

#include "app/player_state.h"
#include "platform/toolkit.h"
#include "playback/playback.h"

namespace {

constexpr std::string_view PathSeparators = "/\\";
constexpr size_t ExtensionBytes = 4;
constexpr std::string_view PlayableExtensions[] = {".wav", ".mp3", ".mid"};
static_assert(std::size(PlayableExtensions) == 3);

struct DirectoryCloser {
    void operator()(DIR *directory) const { closedir(directory); }
};

char asciiLower(char byte)
{
    return byte >= 'A' && byte <= 'Z' ? static_cast<char>(byte - 'A' + 'a') : byte;
}

} // namespace

std::string_view folderPartOf(std::string_view path)
{
    const size_t separator = path.find_last_of(PathSeparators);
    return separator == std::string_view::npos ? std::string_view{} : path.substr(0, separator + 1);
}

std::string_view filePartOf(std::string_view path)
{
    const size_t separator = path.find_last_of(PathSeparators);
    return separator == std::string_view::npos ? path : path.substr(separator + 1);
}

bool isPlayableName(std::string_view name)
{
    const std::string_view tail = name.substr(name.size() - std::min(name.size(), ExtensionBytes));
    std::string lowered(tail);
    for (char &byte : lowered)
        byte = asciiLower(byte);
    for (std::string_view extension : PlayableExtensions)
        if (lowered == extension)
            return true;
    return false;
}

std::vector<std::string> listPlayableNames(const std::string &folder)
{
    std::vector<std::string> names;
    // A NUL inside the text would open some other, shorter path.
    if (folder.find('\0') != std::string::npos)
        return names;
    const std::unique_ptr<DIR, DirectoryCloser> directory(opendir(folder.empty() ? "." : folder.c_str()));
    if (!directory)
        return names;
    while (const dirent *entry = readdir(directory.get())) {
        const std::string_view name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        if (isPlayableName(name))
            names.emplace_back(name);
    }
    return names;
}

void scanPlaylistFolder()
{
    player.trackCount = 0;
    player.currentFolder = std::string(folderPartOf(player.currentPath));
    playlistBoxClear();
    for (const std::string &name : listPlayableNames(player.currentFolder)) {
        playlistBoxAppend(name);
        ++player.trackCount;
    }
    playlistBoxSelect(player.currentIndex < player.trackCount ? player.currentIndex : -1);
}
