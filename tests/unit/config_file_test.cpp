// The configuration file layer on real files in a fresh folder: what a write leaves
// on the disk, byte for byte, and what it must never leave.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "countdown/config.h"
#include "countdown/file_io.h"
#include "temp_folder.h"

#ifndef _WIN32
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace vendaro {
namespace {

using testing::TempFolder;
using ::testing::ElementsAre;

constexpr std::string_view kFile = "Vendaro.ini";

// A file a person has kept by hand: comments, blank lines, a foreign section.
constexpr std::string_view kKeptByHand =
    "; 我的倒计时\r\n"
    "\r\n"
    "[窗口]\r\n"
    "事项=别的程序的\r\n"
    "\r\n"
    "[事项1]\r\n"
    "; 生日那天\r\n"
    "事项=生日\r\n"
    "到期日=2020年8月8日\r\n"
    "\r\n"
    "[事项2]\r\n"
    "事项=考试\r\n"
    "\r\n";

TEST(ConfigFilePath, IsTheRunDirectoryAndVendaroIni) {
#ifdef _WIN32
  EXPECT_EQ(ConfigFilePath(L"C:"), L"C:\\Vendaro.ini");
  EXPECT_EQ(ConfigFilePath(L""), L"\\Vendaro.ini");
  EXPECT_EQ(ConfigFilePath(L"D:\\工具\\倒计时"), L"D:\\工具\\倒计时\\Vendaro.ini");
#else
  EXPECT_EQ(ConfigFilePath("/opt/vendaro"), "/opt/vendaro/Vendaro.ini");
  EXPECT_EQ(ConfigFilePath(""), "/Vendaro.ini");
#endif
}

TEST(ConfigFile, ValueReplacedInItsLineAndNothingElseChanges) {
  TempFolder folder;
  folder.Write(kFile, kKeptByHand);
  WriteConfigValue(folder.Path(), "事项1", "事项", "妈妈的生日");
  std::string expected(kKeptByHand);
  expected.replace(expected.find("事项=生日"), std::string_view("事项=生日").size(), "事项=妈妈的生日");
  EXPECT_EQ(folder.Read(kFile), expected);
  EXPECT_THAT(folder.Names(), ElementsAre("Vendaro.ini"));  // no temporary file left
}

TEST(ConfigFile, KeyAddedAfterTheLastLineOfItsSection) {
  TempFolder folder;
  folder.Write(kFile, kKeptByHand);
  WriteConfigValue(folder.Path(), "事项2", "到期日", "2021年1月1日");
  std::string expected(kKeptByHand);
  expected.insert(expected.find("事项=考试\r\n") + std::string_view("事项=考试\r\n").size(),
                  "到期日=2021年1月1日\r\n");
  EXPECT_EQ(folder.Read(kFile), expected);
}

TEST(ConfigFile, SectionAddedAtTheEnd) {
  TempFolder folder;
  folder.Write(kFile, kKeptByHand);
  WriteConfigValue(folder.Path(), "事项3", "事项", "");
  EXPECT_EQ(folder.Read(kFile), std::string(kKeptByHand) + "[事项3]\r\n事项=\r\n");
  EXPECT_EQ(ReadConfigValue(folder.Path(), "事项3", "事项", "无此项"), "");
}

TEST(ConfigFile, MissingFileIsCreatedMissingFolderIsNot) {
  TempFolder folder;
  WriteConfigValue(folder.Path(), "事项1", "事项", "生日");
  EXPECT_EQ(folder.Read(kFile), "[事项1]\r\n事项=生日\r\n");

  const NativePath missing = (folder / "missing").native();
  WriteConfigValue(missing, "事项1", "事项", "生日");
  EXPECT_FALSE(folder.Exists("missing"));
  EXPECT_EQ(ReadConfigValue(missing, "事项1", "事项", "无此项"), "无此项");
}

TEST(ConfigFile, EveryReadOpensTheFile) {
  TempFolder folder;
  EXPECT_EQ(ReadConfigValue(folder.Path(), "事项1", "事项", "无此项"), "无此项");
  folder.Write(kFile, "[事项1]\r\n事项=一\r\n");
  EXPECT_EQ(ReadConfigValue(folder.Path(), "事项1", "事项", "无此项"), "一");
  folder.Write(kFile, "[事项1]\r\n事项=二\r\n");  // another program's change
  EXPECT_EQ(ReadConfigValue(folder.Path(), "事项1", "事项", "无此项"), "二");
}

TEST(ConfigFile, ReadOnlyFileStaysAsItIs) {
  TempFolder folder;
  folder.Write(kFile, kKeptByHand);
  folder.SetReadOnly(kFile, true);
  WriteConfigValue(folder.Path(), "事项1", "事项", "改了");
  WriteConfigValue(folder.Path(), "事项3", "事项", "新的");
  EXPECT_EQ(folder.Read(kFile), kKeptByHand);
  EXPECT_EQ(ReadConfigValue(folder.Path(), "事项1", "事项", "无此项"), "生日");
  EXPECT_THAT(folder.Names(), ElementsAre("Vendaro.ini"));

  folder.SetReadOnly(kFile, false);
  WriteConfigValue(folder.Path(), "事项1", "事项", "改了");
  EXPECT_EQ(ReadConfigValue(folder.Path(), "事项1", "事项", "无此项"), "改了");
}

TEST(ConfigFile, FolderNamedVendaroIniIsNeitherReadNorReplaced) {
  TempFolder folder;
  std::filesystem::create_directory(folder / kFile);
  folder.Write("Vendaro.ini/keep.txt", "x");
  EXPECT_EQ(ReadConfigValue(folder.Path(), "事项1", "事项", "无此项"), "无此项");
  WriteConfigValue(folder.Path(), "事项1", "事项", "生日");
  EXPECT_TRUE(std::filesystem::is_directory(folder / kFile));
  EXPECT_EQ(folder.Read("Vendaro.ini/keep.txt"), "x");
  EXPECT_THAT(folder.Names(), ElementsAre("Vendaro.ini"));
}

TEST(ConfigFile, UpdateInterruptedBeforeTheReplaceLeavesTheOldFile) {
  TempFolder folder;
  folder.Write(kFile, kKeptByHand);
  const NativePath path = ConfigFilePath(folder.Path());
  {
    std::optional<StagedFile> staged = StagedFile::Stage(path, "[事项1]\r\n事项=新\r\n");
    ASSERT_TRUE(staged);
    // The moment before the replace: the new content is on the disk in full, beside
    // the old file, which nothing has touched yet.
    EXPECT_EQ(folder.Read(kFile), kKeptByHand);
    EXPECT_EQ(folder.Names().size(), 2u);
    EXPECT_EQ(ReadWholeFile(staged->TemporaryPath()).bytes, "[事项1]\r\n事项=新\r\n");
  }  // given up: no replace
  EXPECT_EQ(folder.Read(kFile), kKeptByHand);
  EXPECT_THAT(folder.Names(), ElementsAre("Vendaro.ini"));

  std::optional<StagedFile> staged = StagedFile::Stage(path, "[事项1]\r\n事项=新\r\n");
  ASSERT_TRUE(staged);
  EXPECT_TRUE(staged->Commit());
  EXPECT_EQ(folder.Read(kFile), "[事项1]\r\n事项=新\r\n");
  EXPECT_THAT(folder.Names(), ElementsAre("Vendaro.ini"));
}

TEST(ReadWholeFile, TellsMissingFromUnreadable) {
  TempFolder folder;
  EXPECT_EQ(ReadWholeFile(ConfigFilePath(folder.Path())).state, FileState::Missing);
  folder.Write(kFile, "");
  const FileContent empty = ReadWholeFile(ConfigFilePath(folder.Path()));
  EXPECT_EQ(empty.state, FileState::Read);
  EXPECT_EQ(empty.bytes, "");
  EXPECT_EQ(ReadWholeFile(folder.Path()).state, FileState::Unreadable);  // a folder
}

#ifndef _WIN32
// Runs `body` in a child process and gives its wait status.
template <class Body>
int InChild(Body body) {
  const pid_t pid = fork();
  if (pid == 0) {
    body();
    _exit(0);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return status;
}

TEST(ConfigFile, CrashBeforeTheReplaceLeavesTheOldFile) {
  TempFolder folder;
  folder.Write(kFile, kKeptByHand);
  const NativePath path = ConfigFilePath(folder.Path());
  const int status = InChild([&] {
    std::optional<StagedFile> staged = StagedFile::Stage(path, "[事项1]\r\n事项=新\r\n");
    if (staged) raise(SIGKILL);
  });
  ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
  EXPECT_EQ(folder.Read(kFile), kKeptByHand);
  // What the crash left behind gets in the way of nothing.
  EXPECT_EQ(folder.Names().size(), 2u);
  WriteConfigValue(folder.Path(), "事项1", "事项", "新");
  EXPECT_EQ(ReadConfigValue(folder.Path(), "事项1", "事项", ""), "新");
}

TEST(ConfigFile, FullDiskLeavesTheOldFile) {
  TempFolder folder;
  folder.Write(kFile, kKeptByHand);
  const int status = InChild([&] {
    // Files may grow to 1000 bytes only, so the write of the new content fails part-way.
    signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{1000, 1000};
    setrlimit(RLIMIT_FSIZE, &limit);
    WriteConfigValue(folder.Path(), "事项1", "事项", std::string(5000, 'x'));
  });
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(folder.Read(kFile), kKeptByHand);
  EXPECT_THAT(folder.Names(), ElementsAre("Vendaro.ini"));
}

// A file that is there but cannot be read must not be taken for a missing one:
// a write would replace it with the one key.
TEST(ConfigFile, UnreadableFileIsNotReplaced) {
  TempFolder folder;
  folder.Write(kFile, kKeptByHand);
  const std::string path = ConfigFilePath(folder.Path());
  ASSERT_EQ(chmod(path.c_str(), 0200), 0);  // write-only
  // Root reads anything: the test then runs as nobody, who owns folder and file.
  const bool root = geteuid() == 0;
  if (root) {
    ASSERT_EQ(chown(folder.Path().c_str(), 65534, 65534), 0);
    ASSERT_EQ(chown(path.c_str(), 65534, 65534), 0);
  }
  const int status = InChild([&] {
    if (root && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(2);
    if (ReadWholeFile(path).state != FileState::Unreadable) _exit(3);
    WriteConfigValue(folder.Path(), "事项1", "事项", "新");
  });
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  ASSERT_EQ(chmod(path.c_str(), 0600), 0);
  EXPECT_EQ(folder.Read(kFile), kKeptByHand);
  EXPECT_THAT(folder.Names(), ElementsAre("Vendaro.ini"));
}

TEST(ConfigFile, ReplaceKeepsThePermissions) {
  TempFolder folder;
  folder.Write(kFile, kKeptByHand);
  const std::string path = ConfigFilePath(folder.Path());
  ASSERT_EQ(chmod(path.c_str(), 0640), 0);
  WriteConfigValue(folder.Path(), "事项1", "事项", "新");
  struct stat st {};
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST(ConfigFile, NewFileFollowsTheUmask) {
  TempFolder folder;
  const mode_t old = umask(022);
  WriteConfigValue(folder.Path(), "事项1", "事项", "新");
  umask(old);
  struct stat st {};
  ASSERT_EQ(stat(ConfigFilePath(folder.Path()).c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0644u);
}
#endif

}  // namespace
}  // namespace vendaro
