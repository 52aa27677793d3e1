// How a save meets the file system: read-only files, unwritable folders, atomic
// replacement, permissions, symbolic links and files that are not settings files.
#include "settings.h"
#include "settings_files.h"

#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>

namespace {

namespace fs = std::filesystem;

const std::string oldContents = "; kept\r\nvolume = 3\r\n";
const uid_t nobodyUser = 65534;

mode_t modeOf(const std::string &path) {
  struct stat status {};
  EXPECT_EQ(stat(path.c_str(), &status), 0);
  return status.st_mode & 07777;
}

/* Saves as an ordinary user: the superuser may write anywhere, so under root the save
 * runs in a child process that has given its rights up. */
void saveAsOrdinaryUser(const std::string &file) {
  if (geteuid() != 0) {
    writePathAndPosition(file, "/new.mp3", 1);
    return;
  }
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (setgid(nobodyUser) != 0 || setuid(nobodyUser) != 0) _exit(2);
    writePathAndPosition(file, "/new.mp3", 1);
    _exit(0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  ASSERT_EQ(WEXITSTATUS(status), 0);
}

TEST(SettingsDisk, ReadOnlyFileIsReadButNeverWritten) {
  TemporaryFolder folder;
  const std::string file = folder.file(settingsFileName);
  writeBytes(file, "\xCF\xF3\xF2\xFC=/old.mp3\r\n");
  chmod(file.c_str(), 0444);
  std::string path, position;
  ASSERT_TRUE(readPathAndPosition(file, path, position));
  EXPECT_EQ(path, "/old.mp3");
  writePathAndPosition(file, "/new.mp3", 1);
  EXPECT_EQ(readBytes(file), "\xCF\xF3\xF2\xFC=/old.mp3\r\n");
  EXPECT_EQ(modeOf(file), 0444u);
}

TEST(SettingsDisk, FileTheUserMayOnlyReadIsNotReplaced) {
  TemporaryFolder folder;
  chmod(folder.path().c_str(), 0777);  // the folder would allow a rename
  const std::string file = folder.file(settingsFileName);
  writeBytes(file, oldContents);
  chmod(file.c_str(), geteuid() == 0 ? 0644 : 0444);
  saveAsOrdinaryUser(file);
  EXPECT_EQ(readBytes(file), oldContents);
  EXPECT_EQ(entryCount(folder.path()), 1u);
}

TEST(SettingsDisk, UnwritableFolderCreatesNothing) {
  TemporaryFolder folder;
  chmod(folder.path().c_str(), 0555);
  saveAsOrdinaryUser(folder.file(settingsFileName));
  chmod(folder.path().c_str(), 0700);
  EXPECT_EQ(entryCount(folder.path()), 0u);
}

TEST(SettingsDisk, UnwritableFolderKeepsTheOldFileWhole) {
  TemporaryFolder folder;
  const std::string file = folder.file(settingsFileName);
  writeBytes(file, oldContents);
  chmod(file.c_str(), 0666);
  chmod(folder.path().c_str(), 0555);
  saveAsOrdinaryUser(file);
  chmod(folder.path().c_str(), 0700);
  EXPECT_EQ(readBytes(file), oldContents);
  EXPECT_EQ(entryCount(folder.path()), 1u);
}

TEST(SettingsDisk, SaveCutShortByTheFileSizeLimitLeavesTheOldFile) {
  TemporaryFolder folder;
  const std::string file = folder.file(settingsFileName);
  writeBytes(file, oldContents);
  const std::string longPath(64 * 1024, 'p');

  struct rlimit saved {};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  const auto previousHandler = signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = saved;
  small.rlim_cur = 4096;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  writePathAndPosition(file, longPath, 0);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &saved), 0);
  signal(SIGXFSZ, previousHandler);

  EXPECT_EQ(readBytes(file), oldContents);
  EXPECT_EQ(entryCount(folder.path()), 1u) << "the partial temporary file is removed";
  writePathAndPosition(file, longPath, 0);
  EXPECT_GT(readBytes(file)->size(), longPath.size()) << "without the limit the same save succeeds";
}

TEST(SettingsDisk, NameTakenBeforeCloseIsNotReplaced) {
  TemporaryFolder folder;
  const std::string file = folder.file(settingsFileName);
  EXPECT_FALSE(openSettings(file));
  writeSetting("k", "v");
  fs::create_directory(file);
  writeBytes(file + "/inside", "x");
  closeSettings();
  EXPECT_TRUE(fs::is_directory(file));
  EXPECT_EQ(readBytes(file + "/inside"), "x");
  EXPECT_EQ(entryCount(folder.path()), 1u);
}

TEST(SettingsDisk, FileTurnedIntoFolderBeforeCloseIsLeftAlone) {
  TemporaryFolder folder;
  const std::string file = folder.file(settingsFileName);
  writeBytes(file, oldContents);
  ASSERT_TRUE(openSettings(file));
  writeSetting("k", "v");
  fs::remove(file);
  fs::create_directory(file);
  closeSettings();
  EXPECT_TRUE(fs::is_directory(file));
  EXPECT_EQ(entryCount(folder.path()), 1u);
}

TEST(SettingsDisk, PermissionsAreKept) {
  for (const mode_t mode : {0600u, 0640u, 0604u, 0755u}) {
    SCOPED_TRACE(mode);
    TemporaryFolder folder;
    const std::string file = folder.file(settingsFileName);
    writeBytes(file, oldContents);
    chmod(file.c_str(), mode);
    writePathAndPosition(file, "/a", 0);
    EXPECT_EQ(modeOf(file), mode);
    EXPECT_NE(readBytes(file), oldContents);
  }
}

TEST(SettingsDisk, NewFileFollowsTheUmask) {
  TemporaryFolder folder;
  const mode_t previous = umask(027);
  writePathAndPosition(folder.file(settingsFileName), "/a", 0);
  umask(previous);
  EXPECT_EQ(modeOf(folder.file(settingsFileName)), 0640u);
}

TEST(SettingsDisk, SymbolicLinkIsFollowedAndItsTargetReplaced) {
  TemporaryFolder folder;
  fs::create_directory(folder.path() / "real");
  const std::string target = folder.file("real/target.pcs");
  writeBytes(target, oldContents);
  chmod(target.c_str(), 0640);
  fs::create_symlink("real/target.pcs", folder.path() / "link.pcs");
  fs::create_symlink("link.pcs", folder.path() / settingsFileName);

  writePathAndPosition(folder.file(settingsFileName), "/a", 7);
  EXPECT_TRUE(fs::is_symlink(folder.path() / settingsFileName));
  EXPECT_TRUE(fs::is_symlink(folder.path() / "link.pcs"));
  EXPECT_EQ(readBytes(target), oldContents + "\xCF\xF3\xF2\xFC = /a\r\n\xCF\xEE\xE7\xE8\xF6\xE8\xFF = 7\r\n");
  EXPECT_EQ(modeOf(target), 0640u);
  EXPECT_EQ(entryCount(folder.path() / "real"), 1u);
}

TEST(SettingsDisk, DanglingSymbolicLinkCreatesItsTarget) {
  TemporaryFolder folder;
  fs::create_symlink("made.pcs", folder.path() / settingsFileName);
  writePathAndPosition(folder.file(settingsFileName), "/a", 0);
  EXPECT_TRUE(fs::is_symlink(folder.path() / settingsFileName));
  EXPECT_EQ(readBytes(folder.file("made.pcs")), "\xCF\xF3\xF2\xFC = /a\r\n\xCF\xEE\xE7\xE8\xF6\xE8\xFF = 0\r\n");
}

TEST(SettingsDisk, NamedPipeNeitherHangsNorIsReplaced) {
  TemporaryFolder folder;
  const std::string file = folder.file(settingsFileName);
  ASSERT_EQ(mkfifo(file.c_str(), 0644), 0);
  std::string path = "kept", position = "kept";
  EXPECT_FALSE(readPathAndPosition(file, path, position));
  EXPECT_EQ(path, "kept");
  writePathAndPosition(file, "/a", 0);
  EXPECT_TRUE(fs::is_fifo(file));
  EXPECT_EQ(entryCount(folder.path()), 1u);
}

TEST(SettingsDisk, HugeFileIsReadFromItsStartAndNeverRewritten) {
  TemporaryFolder folder;
  const std::string file = folder.file(settingsFileName);
  const std::string start = "\xCF\xF3\xF2\xFC=/first.mp3\r\n";
  writeBytes(file, start + std::string(17u << 20, 'x'));
  std::string path, position;
  ASSERT_TRUE(readPathAndPosition(file, path, position));
  EXPECT_EQ(path, "/first.mp3");
  writePathAndPosition(file, "/a", 0);
  EXPECT_EQ(fs::file_size(file), start.size() + (17u << 20));
}

}  // namespace
