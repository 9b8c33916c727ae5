// Our reading of the configuration file against the Windows profile service that it
// replaces, GetPrivateProfileStringA as Wine implements it (here with code page 936,
// so the service reads GBK as we do), on real files.
//
// Where we differ, we mean to; the cases are listed below with the reason. The
// random comparison builds files that keep clear of those cases.
#include <windows.h>

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "countdown/config.h"
#include "../temp_folder.h"

namespace vendaro {
namespace {

using namespace std::string_literals;
using testing::TempFolder;

constexpr std::string_view kFile = "Vendaro.ini";

// The service's answer, with the buffer size of the program it replaces.
std::string WindowsReads(const TempFolder& folder, const std::string& section, const std::string& key,
                         const std::string& defaultText) {
  const std::wstring wide = ConfigFilePath(folder.Path());
  char path[MAX_PATH * 2];
  const int n = WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, path, sizeof path, nullptr, nullptr);
  EXPECT_GT(n, 0);
  std::vector<char> buffer(10240);
  const DWORD length = GetPrivateProfileStringA(section.c_str(), key.c_str(),
                                                defaultText.empty() ? nullptr : defaultText.c_str(),
                                                buffer.data(), static_cast<DWORD>(buffer.size()), path);
  return std::string(buffer.data(), length);
}

struct ReadCase {
  const char* what;
  std::string file;  // "" for no file at all
  std::string section;
  std::string key;
};

TEST(IniProfileCompare, ReadsAsTheWindowsServiceDoes) {
  const ReadCase cases[] = {
      {"no file", "", "事项1", "事项"},
      {"the nine lines", "[事项1]\r\n事项=生日\r\n到期日=2020年8月8日\r\n[事项2]\r\n事项=\r\n到期日=2020年8月8日\r\n", "事项1", "到期日"},
      {"missing section", "[事项1]\r\n事项=生日\r\n", "事项2", "事项"},
      {"missing key", "[事项1]\r\n到期日=x\r\n", "事项1", "事项"},
      {"empty value", "[事项1]\r\n事项=\r\n", "事项1", "事项"},
      {"blanks-only value", "[事项1]\r\n事项=   \r\n", "事项1", "事项"},
      {"blanks round everything", "  [s]  \r\n  k  =  v w  \r\n", "s", "k"},
      {"blanks inside the header", "[ 事项1 ]\r\n事项=v\r\n", "事项1", "事项"},
      {"tabs", "[s]\r\n\tk\t=\tv\t\r\n", "s", "k"},
      {"^Z, VT and FF", "[s]\r\nk=\x0Bv\x0C\x1A\r\n", "s", "k"},
      {"ideographic spaces stay", "[s]\r\nk=\xA1\xA1v\xA1\xA1\r\n", "s", "k"},
      {"double quotes", "[s]\r\nk=\"生日\"\r\n", "s", "k"},
      {"single quotes", "[s]\r\nk='生日'\r\n", "s", "k"},
      {"unmatched quotes", "[s]\r\nk=\"v'\r\n", "s", "k"},
      {"a lone quote", "[s]\r\nk=\"\r\n", "s", "k"},
      {"a pair of quotes", "[s]\r\nk=\"\"\r\n", "s", "k"},
      {"two pairs", "[s]\r\nk=\"\"v\"\"\r\n", "s", "k"},
      {"blanks inside quotes", "[s]\r\nk=\"  v  \"\r\n", "s", "k"},
      {"blanks outside quotes", "[s]\r\nk=  \"v\"  \r\n", "s", "k"},
      {"quotes round a key", "[s]\r\n\"k\"=v\r\n", "s", "k"},
      {"ASCII letter case", "[AbC]\r\nKeY=v\r\n", "aBc", "kEy"},
      {"full-width letter case", "[\xA3\xC1]\r\nk=v\r\n", "\xA3\xE1", "k"},
      {"Greek letter case", "[\xA6\xA1]\r\nk=v\r\n", "\xA6\xC1", "k"},
      {"a trail byte that is a letter", "[\x81\x41]\r\nk=v\r\n", "\x81\x61", "k"},
      {"a trail byte that is ]", "[\x81\x5D" "1]\r\nk=v\r\n", "\x81\x5D" "1", "k"},
      {"a lead byte before =", "[s]\r\n\x81=v\r\n", "s", "\x81"},
      {"repeated section", "[s]\r\na=1\r\n[s]\r\nk=v\r\n", "s", "k"},
      {"repeated section and key", "[s]\r\nk=1\r\n[S]\r\nk=2\r\n", "s", "k"},
      {"repeated key", "[s]\r\nk=1\r\nK=2\r\n", "s", "k"},
      {"a line without = alone", "[s]\r\nk\r\n", "s", "k"},
      {"another line without =", "[s]\r\njunk\r\nk=v\r\n", "s", "k"},
      {"a comment", "[s]\r\n;k=v\r\n", "s", "k"},
      {"a comment looked up", "[s]\r\n;k=v\r\n", "s", ";k"},
      {"= inside the value", "[s]\r\nk=a=b\r\n", "s", "k"},
      {"brackets inside the value", "[s]\r\nk=[x]\r\n", "s", "k"},
      {"a blank inside the key", "[s]\r\na b=v\r\n", "s", "a b"},
      {"an empty key", "[s]\r\n=v\r\n", "s", ""},
      {"query names with blanks", "[s]\r\nk=v\r\n", " s ", " k "},
      {"text after ]", "[s] ; note\r\nk=v\r\n", "s", "k"},
      {"[ without ]", "[t]\r\n[s\r\nk=v\r\n", "t", "k"},
      {"= in a header", "[a=b]\r\nk=v\r\n", "a=b", "k"},
      {"ahead of any header", "k=v\r\n[s]\r\n", "s", "k"},
      {"ahead of any header, nameless", "k=v\r\n[s]\r\n", "", "k"},
      {"an empty header", "[]\r\nk=v\r\n", "", "k"},
      {"LF only", "[s]\nk=v\n", "s", "k"},
      {"CR only", "[s]\rk=v\r", "s", "k"},
      {"CR CR LF", "[s]\r\r\nk=v\r\n", "s", "k"},
      {"no final line end", "[s]\r\nk=v", "s", "k"},
      {"byte-order mark, ASCII", "\xEF\xBB\xBF[s]\r\nk=v\r\n", "s", "k"},
      {"a long value within the buffer", "[s]\r\nk=" + std::string(10239, 'x') + "\r\n", "s", "k"},
  };
  for (const ReadCase& c : cases) {
    TempFolder folder;
    if (!c.file.empty()) folder.Write(kFile, c.file);
    for (const std::string defaultText : {"无此项", ""}) {
      EXPECT_EQ(ReadConfigValue(folder.Path(), c.section, c.key, defaultText),
                WindowsReads(folder, c.section, c.key, defaultText))
          << c.what << ", default \"" << defaultText << '"';
    }
  }
}

struct DifferenceCase {
  const char* what;
  std::string file;
  std::string key;
  std::string ours;
  std::string windows;
  const char* why;
};

TEST(IniProfileCompare, DeliberateDifferences) {
  const std::string longValue = "生" + std::string(10237, 'x') + "日日";  // 10242 bytes
  const DifferenceCase cases[] = {
      {"a value longer than 10239 bytes", "[s]\r\nk=" + longValue + "\r\n", "k", longValue,
       longValue.substr(0, 10239),
       "Read whole: the service cuts it, splitting the last double-byte character here, and the "
       "next save would write the loss back."},
      {"a line without = ahead of the key", "[s]\r\nk\r\nk=v\r\n", "k", "v", "无此项",
       "A line without = holds no value; the service lets it hide the value that follows."},
      {"NUL inside a value", "[s]\r\nk=a\0b\r\n"s, "k", "a\0b"s, "a",
       "Every byte of a value comes back; the service ends the text at the NUL."},
      {"NUL inside a key name", "[s]\r\nk\0x=v\r\n"s, "k", "无此项", "v",
       "A name matches whole; the service stops comparing at the NUL."},
      {"invalid GBK in a value", "[s]\r\nk=v\x81\r\n", "k", "v\x81", "v?",
       "Bytes are not converted, so a save writes back what was read; the service turns the lone "
       "lead byte into ?."},
      {"a byte-order mark ahead of GBK", "\xEF\xBB\xBF[s]\r\nk=\xC9\xFA\xC8\xD5\r\n", "k", "\xC9\xFA\xC8\xD5",
       "????",
       "The file is GBK, mark or no mark; Wine takes a file with the mark for UTF-8, so GBK in it "
       "comes out as question marks."},
  };
  for (const DifferenceCase& c : cases) {
    TempFolder folder;
    folder.Write(kFile, c.file);
    EXPECT_EQ(ReadConfigValue(folder.Path(), "s", c.key, "无此项"), c.ours) << c.what << ": " << c.why;
    EXPECT_EQ(WindowsReads(folder, "s", c.key, "无此项"), c.windows) << c.what << " (the service)";
  }
}

// Random files in the shape of the tricky cases above (and clear of the
// differences), read by both; then updated by us, and read by both again.
// Few names, so that lookups often find something; letter case and trail bytes
// that are letters or "]" among them.
std::string RandomSection(std::mt19937& random) {
  static const char* const names[] = {"s", "S", "\x81\x5D", ""};
  return names[random() % std::size(names)];
}

std::string RandomKey(std::mt19937& random) {
  static const char* const names[] = {"k", "K", "\x81\x41", "\x81\x61", "事项"};
  return names[random() % std::size(names)];
}

std::string RandomBlanks(std::mt19937& random) {
  static const char* const blanks[] = {"", "", "", " ", "\t", "  ", " \t"};
  return blanks[random() % std::size(blanks)];
}

std::string RandomLine(std::mt19937& random) {
  const std::string pad = RandomBlanks(random);
  switch (random() % 6) {
    case 0: return pad + "[" + RandomBlanks(random) + RandomSection(random) + RandomBlanks(random) + "]" + pad;
    case 1: return "";
    case 2: return ";" + RandomKey(random) + "=x";
    default: {
      static const char* const values[] = {"v", "", "生日", "\"v\"", "'v'", "\"v'", "\"", "a=b", " v w ",
                                           "[t]", "\xA1\xA1v"};
      const char* quote = random() % 4 == 0 ? "\"" : "";
      return pad + RandomKey(random) + RandomBlanks(random) + "=" + RandomBlanks(random) + quote +
             values[random() % std::size(values)] + quote + pad;
    }
  }
}

std::string RandomFile(std::mt19937& random) {
  static const char* const ends[] = {"\r\n", "\r\n", "\n", "\r"};
  std::string file;
  for (int n = static_cast<int>(random() % 24); n > 0; --n) {
    file += RandomLine(random) + ends[random() % std::size(ends)];
  }
  if (random() % 4 == 0) file += RandomLine(random);  // no final line end
  return file;
}

TEST(IniProfileCompare, RandomFilesReadTheSameBeforeAndAfterOurUpdates) {
  std::mt19937 random(936);
  int reads = 0, found = 0;
  for (int round = 0; round < 100; ++round) {
    TempFolder folder;
    const std::string file = RandomFile(random);
    folder.Write(kFile, file);
    for (int step = 0; step < 2; ++step) {
      for (int q = 0; q < 8; ++q) {
        const std::string section = RandomSection(random), key = RandomKey(random);
        const std::string ours = ReadConfigValue(folder.Path(), section, key, "无此项");
        ASSERT_EQ(ours, WindowsReads(folder, section, key, "无此项"))
            << ::testing::PrintToString(folder.Read(kFile)) << " [" << section << "] " << key;
        ++reads;
        found += ours != "无此项";
      }
      // Wine notices a changed file by its time stamp; a later one makes sure.
      WriteConfigValue(folder.Path(), RandomSection(random), RandomKey(random), "新 值");
      const HANDLE h = CreateFileW(ConfigFilePath(folder.Path()).c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr,
                                   OPEN_EXISTING, 0, nullptr);
      FILETIME later{};
      GetSystemTimeAsFileTime(&later);
      later.dwHighDateTime += 1;
      SetFileTime(h, nullptr, nullptr, &later);
      CloseHandle(h);
    }
  }
  // A comparison of defaults alone would prove little.
  EXPECT_GT(found, reads / 5) << found << " of " << reads << " reads found a value";
}

}  // namespace
}  // namespace vendaro
