#include "countdown/ini_text.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace vendaro {
namespace {

using namespace std::string_literals;
using namespace std::string_view_literals;

struct LookUpCase {
  const char* what;
  std::string file;
  std::string_view section;
  std::string_view key;
  std::optional<std::string> value;  // nothing: missing
};

TEST(FindIniValue, ReadsAsTheWindowsProfileServiceDoes) {
  const std::string nameTooLong(20000, 'x');
  const LookUpCase cases[] = {
      {"plain", "[事项1]\r\n事项=生日\r\n到期日=2020年8月8日\r\n", "事项1", "到期日", "2020年8月8日"},
      {"empty value is a value", "[事项1]\r\n事项=\r\n", "事项1", "事项", ""},
      {"blanks-only value is empty", "[事项1]\r\n事项=  \t \r\n", "事项1", "事项", ""},
      {"missing key", "[事项1]\r\n到期日=x\r\n", "事项1", "事项", std::nullopt},
      {"missing section", "[事项2]\r\n事项=x\r\n", "事项1", "事项", std::nullopt},
      {"empty file", "", "事项1", "事项", std::nullopt},
      {"blanks round everything", "  [ 事项1 ]  \r\n \t事项 \t= \t生 日\t \r\n", "事项1", "事项", "生 日"},
      {"query names are trimmed", "[事项1]\r\n事项=x\r\n", " 事项1 ", "\t事项 ", "x"},
      {"ideographic space is no blank", "[s]\r\nk=\xA1\xA1生日\xA1\xA1\r\n", "s", "k", "\xA1\xA1生日\xA1\xA1"},
      {"^Z, VT and FF are blanks", "[s]\r\nk=\v生日\f\x1A\r\n", "s", "k", "生日"},
      {"double quotes", "[s]\r\nk=\"生日\"\r\n", "s", "k", "生日"},
      {"single quotes", "[s]\r\nk='生日'\r\n", "s", "k", "生日"},
      {"only one pair", "[s]\r\nk=\"\"生日\"\"\r\n", "s", "k", "\"生日\""},
      {"quotes keep inner blanks", "[s]\r\nk= \"  生日 \" \r\n", "s", "k", "  生日 "},
      {"unmatched quotes stay", "[s]\r\nk=\"生日'\r\n", "s", "k", "\"生日'"},
      {"a lone quote stays", "[s]\r\nk=\"\r\n", "s", "k", "\""},
      {"a pair of quotes is empty", "[s]\r\nk=''\r\n", "s", "k", ""},
      {"ASCII letters fold", "[AbC]\r\nKeY=v\r\n", "aBc", "kEy", "v"},
      {"full-width letters do not fold", "[\xA3\xC1]\r\nk=v\r\n", "\xA3\xE1", "k", std::nullopt},
      {"a trail byte that is a letter does not fold", "[\x81\x41]\r\nk=v\r\n", "\x81\x61", "k", std::nullopt},
      {"a trail byte that is ] ends no header", "[\x81\x5D" "1]\r\nk=v\r\n", "\x81\x5D" "1", "k", "v"},
      {"a trail byte that is a letter, matched exactly", "[s]\r\n\x81\x41=v\r\n", "s", "\x81\x41", "v"},
      {"a lead byte takes = with it", "[s]\r\n\x81=v\r\n", "s", "\x81", std::nullopt},
      {"first key wins", "[s]\r\nk=1\r\nK=2\r\n", "s", "k", "1"},
      {"first section wins", "[s]\r\nk=1\r\n[S]\r\nk=2\r\n", "s", "k", "1"},
      {"later sections of the name are not looked at", "[s]\r\na=1\r\n[s]\r\nk=2\r\n", "s", "k", std::nullopt},
      {"a line without = is no key", "[s]\r\nk\r\nk=v\r\n", "s", "k", "v"},
      {"a comment is no key", "[s]\r\n;k=v\r\nk=w\r\n", "s", "k", "w"},
      {"= inside the value", "[s]\r\nk=a=b\r\n", "s", "k", "a=b"},
      {"brackets inside the value", "[s]\r\nk=[t]\r\n", "s", "k", "[t]"},
      {"text after ] is ignored", "[s] ; note\r\nk=v\r\n", "s", "k", "v"},
      {"[ without ] is no header", "[t]\r\n[s\r\nk=v\r\n", "t", "k", "v"},
      {"= in a header", "[a=b]\r\nk=v\r\n", "a=b", "k", "v"},
      {"lines ahead of any header", "k=v\r\n[s]\r\n", "", "k", "v"},
      {"... are in no named section", "k=v\r\n[s]\r\n", "s", "k", std::nullopt},
      {"LF only", "[s]\nk=v\n", "s", "k", "v"},
      {"CR only", "[s]\rk=v\r", "s", "k", "v"},
      {"mixed ends and no final end", "[t]\rx=1\n\r\n[s]\r\r\nk=v", "s", "k", "v"},
      {"byte-order mark before the first header", "\xEF\xBB\xBF[事项1]\r\n事项=生日\r\n", "事项1", "事项", "生日"},
      {"NUL bytes are bytes", "[s]\r\nk=a\0b\r\n"s, "s", "k", "a\0b"s},
      {"NUL in a key name", "[s]\r\nk\0x=v\r\n"s, "s", "k", std::nullopt},
      {"invalid GBK is kept", "[s]\r\nk=v\x81\r\n", "s", "k", "v\x81"},
      {"no cut at 10239 bytes", "[s]\r\nk=" + nameTooLong + "\r\n", "s", "k", nameTooLong},
  };
  for (const LookUpCase& c : cases) {
    EXPECT_EQ(FindIniValue(c.file, c.section, c.key), c.value) << c.what;
  }
}

struct UpdateCase {
  const char* what;
  std::string file;
  std::string_view section;
  std::string_view key;
  std::string_view value;
  std::string after;
};

TEST(ApplyIniUpdate, ChangesOnlyWhatTheUpdateNeeds) {
  const UpdateCase cases[] = {
      {"empty file", "", "事项1", "事项", "生日", "[事项1]\r\n事项=生日\r\n"},
      {"value replaced in its line",
       "; 我的事项\r\n[其它]\r\n事项=别动\r\n\r\n[事项1]\r\n事项=旧\r\n到期日=2020年8月8日\r\n",
       "事项1", "事项", "新",
       "; 我的事项\r\n[其它]\r\n事项=别动\r\n\r\n[事项1]\r\n事项=新\r\n到期日=2020年8月8日\r\n"},
      {"blanks before = and the line end stay", "[s]\n  k =  \"old\"  \nx=1", "S", "K", "new",
       "[s]\n  k =new\nx=1"},
      {"empty value keeps the key", "[s]\r\nk=old\r\n", "s", "k", "", "[s]\r\nk=\r\n"},
      {"key after the section's last non-blank line",
       "[s]\r\na=1\r\n; note\r\n\r\n  \r\n[t]\r\n", "s", "k", "v",
       "[s]\r\na=1\r\n; note\r\nk=v\r\n\r\n  \r\n[t]\r\n"},
      {"key right after a bare header", "[s]\r\n\r\n[t]\r\n", "s", "k", "v", "[s]\r\nk=v\r\n\r\n[t]\r\n"},
      {"key after an unended last line", "[s]\r\na=1", "s", "k", "v", "[s]\r\na=1\r\nk=v\r\n"},
      {"key into an LF file", "[s]\na=1\n[t]\n", "s", "k", "v", "[s]\na=1\nk=v\r\n[t]\n"},
      {"key into a CR file", "[s]\ra=1\r", "s", "k", "v", "[s]\ra=1\rk=v\r\n"},
      {"key into the first section of the name", "[s]\r\na=1\r\n[s]\r\nb=2\r\n", "s", "k", "v",
       "[s]\r\na=1\r\nk=v\r\n[s]\r\nb=2\r\n"},
      {"first key of the name replaced", "[s]\r\nk=1\r\nk=2\r\n", "s", "k", "v", "[s]\r\nk=v\r\nk=2\r\n"},
      {"a line without = is left alone", "[s]\r\nk\r\n", "s", "k", "v", "[s]\r\nk\r\nk=v\r\n"},
      {"section at the end", "[t]\r\na=1\r\n\r\n", "s", "k", "v", "[t]\r\na=1\r\n\r\n[s]\r\nk=v\r\n"},
      {"section after an unended last line", "[t]\r\na=1", "s", "k", "v", "[t]\r\na=1\r\n[s]\r\nk=v\r\n"},
      {"byte-order mark kept", "\xEF\xBB\xBF", "s", "k", "v", "\xEF\xBB\xBF[s]\r\nk=v\r\n"},
      {"byte-order mark kept before a key", "\xEF\xBB\xBF[s]\r\nk=1\r\n", "s", "k", "2",
       "\xEF\xBB\xBF[s]\r\nk=2\r\n"},
      {"line breaks in the value dropped", "[s]\r\nk=1\r\n", "s", "k", "a\r\n[t]\r\nb=c\rd\n",
       "[s]\r\nk=a[t]b=cd\r\n"},
      {"line breaks in names dropped", "", "s\r\n[x]", "k\n", "v", "[s[x]]\r\nk=v\r\n"},
      {"nameless leading section", "x=1\r\n[s]\r\n", "", "k", "v", "x=1\r\nk=v\r\n[s]\r\n"},
      {"nameless leading section, empty", "\xEF\xBB\xBF[s]\r\n", "", "k", "v", "\xEF\xBB\xBFk=v\r\n[s]\r\n"},
      {"NUL bytes around stay", "\0\r\n[s]\r\nk=\0\r\n\0"s, "s", "k", "v", "\0\r\n[s]\r\nk=v\r\n\0"s},
  };
  for (const UpdateCase& c : cases) {
    EXPECT_EQ(ApplyIniUpdate(c.file, c.section, c.key, c.value), c.after) << c.what;
  }
}

// Files built from the pieces that matter to the rules, in random order.
std::string RandomIniText(std::mt19937& random) {
  static const std::string_view pieces[] = {
      "[", "]", "=", "s", "S", "k", "K", " ", "\t", "\r", "\n", "\r\n", "\"", "'", ";", "\xEF\xBB\xBF",
      "事项", "\x81\x5D", "\x81\x41", "\x81\x61", "\x81", "\0"sv, "x", "[s]\r\n", "k=v\r\n"};
  std::uniform_int_distribution<std::size_t> length(0, 40), piece(0, std::size(pieces) - 1);
  std::string text;
  for (std::size_t n = length(random); n > 0; --n) text += pieces[piece(random)];
  return text;
}

// Whatever the file holds, an update stores its value so that it reads back as
// from a clean file, touches no other key, and a second time changes nothing.
TEST(ApplyIniUpdate, RandomFilesKeepEverythingElse) {
  std::mt19937 random(20200808);
  const std::string_view names[] = {"s", "S", "k", "K", " s", "事项", "\x81\x5D", "\x81\x41", "x"};
  const std::string_view values[] = {"", "v", " v ", "\"v\"", "a\r\nb", "生日"};
  std::uniform_int_distribution<std::size_t> name(0, std::size(names) - 1), value(0, std::size(values) - 1);
  for (int round = 0; round < 3000; ++round) {
    const std::string file = RandomIniText(random);
    const std::string_view section = names[name(random)], key = names[name(random)], v = values[value(random)];
    const std::string after = ApplyIniUpdate(file, section, key, v);
    const std::string clean = ApplyIniUpdate("", section, key, v);
    ASSERT_EQ(FindIniValue(after, section, key), FindIniValue(clean, section, key))
        << ::testing::PrintToString(file);
    ASSERT_EQ(ApplyIniUpdate(after, section, key, v), after) << ::testing::PrintToString(file);
    for (std::string_view s : names) {
      for (std::string_view k : names) {
        if (FindIniValue(clean, s, k)) continue;  // the key just written, under any spelling
        ASSERT_EQ(FindIniValue(after, s, k), FindIniValue(file, s, k))
            << ::testing::PrintToString(file) << " [" << s << "] " << k;
      }
    }
  }
}

// A 10 MB file and a 1 MB line: linear time, no limit on size. (A quadratic pass
// would take minutes here.)
TEST(ApplyIniUpdate, LargeFilesAndLongLines) {
  std::string file;
  for (int i = 0; file.size() < 10'000'000; ++i) {
    char line[64];
    std::snprintf(line, sizeof line, "[其它%d]\r\n键=值%d\r\n", i, i);
    file += line;
  }
  const std::string longName(1'000'000, 'n');
  file += "[事项1]\r\n事项=" + longName + "\r\n";

  EXPECT_EQ(FindIniValue(file, "事项1", "事项"), longName);
  const std::string after = ApplyIniUpdate(file, "事项1", "到期日", "2020年8月8日");
  EXPECT_EQ(after, file + "到期日=2020年8月8日\r\n");
  const std::string renamed = ApplyIniUpdate(after, "事项1", "事项", longName + "!");
  EXPECT_EQ(FindIniValue(renamed, "事项1", "事项"), longName + "!");
  EXPECT_EQ(renamed.size(), after.size() + 1);
  EXPECT_EQ(FindIniValue(renamed, "其它0", "键"), "值0");
}

}  // namespace
}  // namespace vendaro
