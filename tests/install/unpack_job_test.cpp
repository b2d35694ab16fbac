#include "install/unpack_job.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <regex>
#include <thread>

#include "../archive/archive_fixtures.h"
#include "platform/text.h"
#ifdef _WIN32
#include "support/win_test_support.h"
#endif

namespace varnet {
namespace {

using namespace varnet::testing;
using namespace std::chrono_literals;

// The kind of the job's last failure, if any.
std::optional<archive::ErrorKind> failureOf(const UnpackJob& job) {
  std::optional<archive::Error> error = job.lastError();
  return error ? std::optional<archive::ErrorKind>(error->kind) : std::nullopt;
}

// A job on real folders: the package folder, the install root (with its closing "/") and a
// desktop, all in temporary folders (HOME and the XDG folders point there; on Windows the shell's
// desktop folder setting).
class UnpackJobTest : public ::testing::Test {
 protected:
  UnpackJobTest() {
    writeFile(temp / "config/user-dirs.dirs", "XDG_DESKTOP_DIR=\"$HOME/Desktop\"\n");
    fs::create_directories(desktop);
    fs::create_directories(packageDir);
    fs::create_directories(games);
  }
#ifdef _WIN32
  void SetUp() override {
    ASSERT_TRUE(desktopFolder.active());
  }
#endif

  fs::path shortcut(const std::string& name) {
#ifdef _WIN32
    return desktop / (name + ".lnk");
#else
    return desktop / (name + ".desktop");
#endif
  }

  fs::path makeSource() {
    fs::path source = temp / "source";
    writeFile(source / "bin/game.exe", sampleBytes(2 << 20, 3));
    writeFile(source / "data/level.dat", sampleBytes(300000, 4));
    writeFile(source / "readme.txt", "play");
    return source;
  }

  // Large enough (and with enough items) to be unpacked by one worker per core.
  fs::path makeLargeSource(int files) {
    fs::path source = temp / "source";
    for (int i = 0; i < files; ++i)
      writeFile(source / std::to_string(i % 4) / ("pack" + std::to_string(i) + ".bin"),
                sampleBytes(512 << 10, i));
    return source;
  }

  UnpackRequest request(int32_t mode = 0) {
    UnpackRequest r;
    r.setupPath = fromPath(games) + u"/";
    r.packageDir = fromPath(packageDir);
    r.shortcutName = u"Game";
    r.extraArg = u"unused";
    r.exePath = u"bin/game.exe";
    r.setupMode = mode;
    return r;
  }

  // Polls as the page does until the job ends; every value seen, in order.
  std::vector<int32_t> waitForEnd(UnpackJob& job) {
    std::vector<int32_t> seen;
    auto deadline = std::chrono::steady_clock::now() + 120s;
    while (std::chrono::steady_clock::now() < deadline) {
      int32_t progress = job.progress();
      if (seen.empty() || seen.back() != progress)
        seen.push_back(progress);
      if (progress == UnpackJob::kSucceeded || progress == UnpackJob::kFailed)
        break;
      std::this_thread::sleep_for(1ms);
    }
    // The worker's last step follows its last progress value at once.
    std::this_thread::sleep_for(20ms);
    return seen;
  }

  TempFolder temp;
#ifdef _WIN32
  test::ScopedDesktopFolder desktopFolder;
  fs::path desktop = desktopFolder.path();
#else
  ScopedEnvironment home{"HOME", temp.path().string()};
  ScopedEnvironment config{"XDG_CONFIG_HOME", (temp / "config").string()};
  fs::path desktop = temp / "Desktop";
#endif
  fs::path packageDir = temp / "downloads/pkg";
  fs::path games = temp / "games";
};

TEST_F(UnpackJobTest, Modes0And1_UnpackDeleteThePackageFolderAndWriteTheShortcut) {
  fs::path source = makeSource();
  for (int32_t mode : {0, 1}) {
    SCOPED_TRACE(mode);
    fs::create_directories(packageDir);
    writeFile(packageDir / "readme.txt", "notes");
    ASSERT_TRUE(sevenZip(packageDir / "game.zip", source, "-tzip"));
    UnpackJob job;
    EXPECT_EQ(job.setupPath(), u"");
    job.start(request(mode));
    EXPECT_TRUE(job.hasWorker());
    EXPECT_EQ(waitForEnd(job).back(), 100);
    EXPECT_EQ(job.progress(), 100);
    EXPECT_EQ(job.lastError(), std::nullopt);
    EXPECT_FALSE(job.hasWorker());
    EXPECT_EQ(job.setupPath(), fromPath(games) + u"/game");
    EXPECT_EQ(snapshot(games / "game"), snapshot(source));
    EXPECT_FALSE(fs::exists(packageDir));
    EXPECT_TRUE(fs::exists(shortcut("Game")));
#ifndef _WIN32
    std::string launcher = readFile(shortcut("Game"));
    EXPECT_NE(launcher.find((games / "game/bin/game.exe").string()), std::string::npos) << launcher;
#endif
    fs::remove_all(games / "game");
    fs::remove(shortcut("Game"));
  }
}

TEST_F(UnpackJobTest, PackageFolderThatIsOrHoldsTheInstallFolder_OnlyTheArchiveGoes) {
  fs::path source = makeSource();
  // The download folder is the install root ("unpack games/ games"), or the install folder itself.
  for (fs::path package : {games, games / "game"}) {
    SCOPED_TRACE(package.string());
    writeFile(games / "other/saves/slot1.dat", "another game's save");
    ASSERT_TRUE(sevenZip(package / "game.zip", source, "-tzip"));
    UnpackJob job;
    UnpackRequest r = request(0);
    r.packageDir = fromPath(package);
    job.start(r);
    EXPECT_EQ(waitForEnd(job).back(), 100);
    EXPECT_EQ(readFile(games / "other/saves/slot1.dat"), "another game's save");
    EXPECT_EQ(readFile(games / "game/readme.txt"), "play");
    EXPECT_FALSE(fs::exists(package / "game.zip"));
    EXPECT_TRUE(fs::exists(shortcut("Game")));
    fs::remove_all(games / "game");
    fs::remove(shortcut("Game"));
  }
}

#ifndef _WIN32
TEST_F(UnpackJobTest, ShortcutTarget_JoinsInstallFolderAndProgramWithASlash) {
  ASSERT_TRUE(sevenZip(packageDir / "game.zip", makeSource(), "-tzip"));
  UnpackJob job;
  UnpackRequest r = request(0);
  r.exePath = u"bin\\game.exe";  // kept as the page wrote it
  job.start(r);
  EXPECT_EQ(waitForEnd(job).back(), 100);
  std::string launcher = readFile(desktop / "Game.desktop");
  // The launcher escapes the backslash; the join itself is install folder + "/" + exePath.
  EXPECT_TRUE(std::regex_search(launcher, std::regex("games/game/bin\\\\+game\\.exe"))) << launcher;
  EXPECT_NE(launcher.find("Path=" + (games / "game").string() + "\n"), std::string::npos)
      << launcher;
}
#endif

TEST_F(UnpackJobTest, Mode2_UnpacksButKeepsThePackageAndWritesNoShortcut) {
  ASSERT_TRUE(sevenZip(packageDir / "game.7z", makeSource(), "-t7z"));
  UnpackJob job;
  job.start(request(2));
  EXPECT_EQ(waitForEnd(job).back(), 100);
  EXPECT_TRUE(fs::exists(packageDir / "game.7z"));
  EXPECT_TRUE(fs::exists(games / "game/bin/game.exe"));
  EXPECT_TRUE(fs::is_empty(desktop));
}

TEST_F(UnpackJobTest, InstallFolderIsTheRootFollowedDirectlyByTheBaseName) {
  ASSERT_TRUE(sevenZip(packageDir / "data.tar.zip", makeSource(), "-tzip"));
  UnpackJob job;
  UnpackRequest withoutSeparator = request(2);
  withoutSeparator.setupPath = fromPath(games);  // no closing "/"
  job.start(withoutSeparator);
  EXPECT_EQ(waitForEnd(job).back(), 100);
  EXPECT_EQ(job.setupPath(), fromPath(games) + u"data.tar");
  EXPECT_TRUE(fs::exists(temp / "gamesdata.tar/readme.txt"));
}

TEST_F(UnpackJobTest, NoArchiveInThePackageFolder_FailsAndKeepsTheRoot) {
  fs::path source = makeSource();
  ASSERT_TRUE(sevenZip(temp / "GAME.ZIP", source, "-tzip"));
  const std::vector<std::pair<std::string, std::string>> layouts = {
      {"GAME.ZIP", ""}, {"game.zip.part", ""}, {"old.zip/inner.zip", ""}, {".hidden.zip", ""}};
  for (const auto& [name, unused] : layouts) {
    SCOPED_TRACE(name);
    fs::create_directories((packageDir / name).parent_path());
    fs::copy_file(temp / "GAME.ZIP", packageDir / name);
    UnpackJob job;
    job.start(request(0));
    EXPECT_EQ(waitForEnd(job).back(), -100);
    EXPECT_EQ(failureOf(job), archive::ErrorKind::NoArchive);
    EXPECT_EQ(job.setupPath(), fromPath(games) + u"/");
    EXPECT_TRUE(job.hasWorker());  // a failed worker stays until the page stops it
    EXPECT_TRUE(fs::exists(packageDir / name));
    fs::remove_all(packageDir);
    fs::create_directories(packageDir);
  }
  UnpackJob missing;
  UnpackRequest r = request(0);
  r.packageDir = fromPath(temp / "nowhere");
  missing.start(r);
  EXPECT_EQ(waitForEnd(missing).back(), -100);
}

TEST_F(UnpackJobTest, RarVolumeSet_InstallsWholeAndFailsWithAVolumeMissing) {
  const std::vector<ArchiveEntry> entries{
      {"bin/", ""}, {"bin/game.exe", sampleBytes(50000, 3)}, {"readme.txt", "play"}};
  std::vector<std::string> volumes = rar5Volumes(entries, 20000);
  ASSERT_EQ(volumes.size(), 3u);
  // Whatever the listing gives first, the set is read from its first volume.
  for (size_t index : {2, 1, 0})
    writeFile(packageDir / ("game.part" + std::to_string(index + 1) + ".rar"), volumes[index]);
  UnpackJob job;
  job.start(request(2));
  EXPECT_EQ(waitForEnd(job).back(), 100);
  EXPECT_EQ(job.setupPath(), fromPath(games) + u"/game.part1");
  EXPECT_EQ(readFile(games / "game.part1/bin/game.exe"), entries[1].data);
  EXPECT_EQ(readFile(games / "game.part1/readme.txt"), "play");

  fs::remove(packageDir / "game.part1.rar");
  job.start(request(2));
  EXPECT_EQ(waitForEnd(job).back(), -100);
  EXPECT_EQ(failureOf(job), archive::ErrorKind::Damaged);
}

TEST_F(UnpackJobTest, PathPartLongerThanItsBuffer_Fails) {
  fs::path deep = packageDir;
  for (int i = 0; i < 3; ++i)
    deep /= std::string(100, 'd');
  ASSERT_TRUE(sevenZip(deep / "game.zip", makeSource(), "-tzip"));
  UnpackJob job;
  UnpackRequest r = request(2);
  r.packageDir = fromPath(deep);
  job.start(r);
  EXPECT_EQ(waitForEnd(job).back(), -100);
}

TEST_F(UnpackJobTest, Passwords_RightOneInstallsWrongOrMissingOneFails) {
  fs::path source = makeSource();
  ASSERT_TRUE(sevenZip(temp / "aes.zip", source, "-tzip -mem=AES256 -pgame"));
  ASSERT_TRUE(sevenZip(temp / "headers.7z", source, "-t7z -mhe=on -pgame"));
  for (std::string name : {"aes.zip", "headers.7z"}) {
    for (auto [password, outcome] : {std::pair{u"game", 100}, {u"wrong", -100}, {u"", -100}}) {
      SCOPED_TRACE(name + " " + toUtf8(password));
      fs::remove_all(packageDir);
      fs::remove_all(games / "aes");
      fs::remove_all(games / "headers");
      fs::create_directories(packageDir);
      fs::copy_file(temp / name, packageDir / name);
      UnpackJob job;
      UnpackRequest r = request(2);
      r.password = password;
      job.start(r);
      std::vector<int32_t> seen = waitForEnd(job);
      EXPECT_EQ(seen.back(), outcome);
      fs::path installed = games / fs::path(name).stem();
      if (outcome == 100) {
        EXPECT_EQ(snapshot(installed), snapshot(source));
      } else {
        EXPECT_EQ(failureOf(job), archive::ErrorKind::WrongPassword);
        for (const auto& [path, content] : snapshot(installed))
          EXPECT_EQ(path.back(), '/') << "left behind: " << path;
      }
    }
  }
}

TEST_F(UnpackJobTest, HostileArchive_FailsWithNothingOutsideTheInstallFolder) {
  writeFile(packageDir / "game.zip", zipArchive({{"ok.txt", "ok"}, {"../../escaped.txt", "evil"}}));
  UnpackJob job;
  job.start(request(0));
  EXPECT_EQ(waitForEnd(job).back(), -100);
  ASSERT_EQ(failureOf(job), archive::ErrorKind::LeavesFolder);
  EXPECT_EQ(toUtf8(job.lastError()->path), itemPath("../../escaped.txt"));
  EXPECT_FALSE(fs::exists(temp / "escaped.txt"));
  EXPECT_FALSE(fs::exists(temp / "downloads/escaped.txt"));
  EXPECT_TRUE(fs::exists(packageDir / "game.zip"));
  EXPECT_TRUE(fs::is_empty(desktop));
}

TEST_F(UnpackJobTest, Progress_PolledFromAnotherThreadNeverDecreasesAndEndsAt100) {
  ASSERT_TRUE(sevenZip(packageDir / "game.zip", makeLargeSource(72), "-tzip -mx=1"));
  UnpackJob job;
  job.start(request(2));
  std::vector<int32_t> seen;
  std::thread page([&] { seen = waitForEnd(job); });
  page.join();
  ASSERT_GE(seen.size(), 3u);
  EXPECT_EQ(seen.front(), 0);
  EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
  EXPECT_EQ(seen.back(), 100);
}

TEST_F(UnpackJobTest, ArchiveDeclaringNoSize_Publishes0Until100) {
  writeFile(packageDir / "empty.zip", zipArchive({{"a/", ""}, {"a/empty.txt", ""}}));
  UnpackJob job;
  job.start(request(2));
  std::vector<int32_t> seen = waitForEnd(job);
  EXPECT_EQ(seen, (std::vector<int32_t>{0, 100}));
  EXPECT_TRUE(fs::exists(games / "empty/a/empty.txt"));
}

TEST_F(UnpackJobTest, Stop_DuringExtractionFreezesTheJobAndTheInstallFolder) {
  fs::path source = makeLargeSource(80);
  ASSERT_TRUE(sevenZip(packageDir / "game.zip", source, "-tzip -mx=1"));
  auto job = std::make_unique<UnpackJob>();
  job->start(request(0));
  while (job->progress() < 10 && job->progress() != -100)
    std::this_thread::yield();
  job->stop();
  int32_t atStop = job->progress();
  std::u16string setupAtStop = job->setupPath();
  std::map<std::string, std::string> filesAtStop = snapshot(games / "game");
  EXPECT_GE(atStop, 10);
  EXPECT_LT(atStop, 100);
  EXPECT_FALSE(job->hasWorker());
  EXPECT_EQ(failureOf(*job), archive::ErrorKind::Stopped);
  std::this_thread::sleep_for(300ms);
  EXPECT_EQ(job->progress(), atStop);
  EXPECT_EQ(job->setupPath(), setupAtStop);
  job.reset();  // waits for the worker thread to end
  EXPECT_EQ(snapshot(games / "game"), filesAtStop);
  std::map<std::string, std::string> original = snapshot(source);
  for (const auto& [path, content] : filesAtStop)
    EXPECT_TRUE(content == original[path]) << "half-written file left: " << path;
  EXPECT_TRUE(fs::exists(packageDir / "game.zip"));
  EXPECT_TRUE(fs::is_empty(desktop));
}

TEST_F(UnpackJobTest, Stop_WithoutWorkerOrAfterFailureChangesNothing) {
  UnpackJob job;
  job.stop();
  EXPECT_EQ(job.progress(), 0);
  EXPECT_EQ(job.setupPath(), u"");
  job.start(request(0));  // empty package folder
  EXPECT_EQ(waitForEnd(job).back(), -100);
  job.stop();
  EXPECT_EQ(job.progress(), -100);
  EXPECT_FALSE(job.hasWorker());
}

TEST_F(UnpackJobTest, StartWhileRunning_StopsTheFirstWorkerAndRunsTheSecondJob) {
  ASSERT_TRUE(sevenZip(packageDir / "first.zip", makeLargeSource(64), "-tzip -mx=1"));
  fs::path second = temp / "downloads/second";
  writeFile(second / "src/readme.txt", "second");
  ASSERT_TRUE(sevenZip(second / "second.zip", second / "src", "-tzip"));
  fs::remove_all(second / "src");

  UnpackJob job;
  job.start(request(2));
  while (job.progress() < 5 && job.progress() != -100)
    std::this_thread::yield();
  UnpackRequest next = request(2);
  next.packageDir = fromPath(second);
  job.start(next);
  std::map<std::string, std::string> firstAtRestart = snapshot(games / "first");
  EXPECT_EQ(waitForEnd(job).back(), 100);
  EXPECT_EQ(job.setupPath(), fromPath(games) + u"/second");
  EXPECT_EQ(readFile(games / "second/readme.txt"), "second");
  EXPECT_EQ(snapshot(games / "first"), firstAtRestart);
}

TEST_F(UnpackJobTest, ForgetTexts_EmptiesTheSetupPath) {
  UnpackJob job;
  job.start(request(0));
  waitForEnd(job);
  job.forgetTexts();
  EXPECT_EQ(job.setupPath(), u"");
  EXPECT_EQ(job.progress(), -100);
}

}  // namespace
}  // namespace varnet
