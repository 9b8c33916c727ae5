#pragma once
// The INI file as text: looking a value up and applying one update, as pure
// functions over the file's bytes. The bytes are GBK (code page 936) and are never
// converted, so the file reads the same whatever the system's code page is.
//
// Reading follows the Windows profile service (the tests compare the two), except
// where the service would lose or hide what the file holds: a value is never cut
// at 10239 bytes, NUL bytes and invalid GBK come back as they are, a line without
// "=" hides no later key, and a UTF-8 byte-order mark does not turn the file into
// UTF-8. The rules:
// - A line ends at CR LF, at a lone LF or at a lone CR; the last line needs no end.
//   A UTF-8 byte-order mark at the very start is passed over, not read as part of
//   the first line (the file's text itself is taken as GBK all the same).
// - Blanks (space, tab, VT, FF and ^Z) around a line, a name or a value are
//   removed. The ideographic space (A1 A1) is a character like any other.
// - A line that starts with "[" and holds a "]" later is a section header; the
//   name runs up to the first "]", and what follows that is ignored. A line of
//   blanks is blank. Any other line with "=" is a key line: the key name stands
//   before the first "=", the value after it. Every other line (";" comments, a
//   "[" without "]", a line without "=") is no key and is passed over. The lines
//   ahead of the first header form a section whose name is empty.
// - One pair of matching quotation marks (" or ') round a value is removed.
// - Section and key names match without regard to the case of ASCII letters. A
//   byte 0x81…0xFE starts a double-byte character together with the byte after
//   it; such a character is compared exactly, never folded, and is never taken
//   apart in a search for "]" or "=" (its second byte may well be "]" or a letter).
// - The first section of the name counts and later ones of the same name are not
//   looked at; within it, the first key line of the name wins.
// - A value is given whole, whatever its length, with every byte the file holds
//   (NUL bytes and invalid GBK included).
//
// Writing keeps every byte of the file that is not the value being replaced:
// - An existing key's value (all that follows its "=") is replaced in its line.
// - A missing key goes in as a new line after the last non-blank line of its
//   section; a missing section, with its key, goes at the end of the file.
// - New lines end in CR LF; an unended last line gets a CR LF before one is added.
// - CR and LF in a section name, key name or value are dropped, so nothing written
//   can start a line of its own.
// - Names and values are written as given; a value read back loses its
//   surrounding blanks and one pair of quotation marks, as it would on Windows.
//   A name can only be read back if the file can hold it: a section name without
//   "]", a key name without "=" that does not start with "[", neither of them
//   ending in a lone lead byte.
#include <optional>
#include <string>
#include <string_view>

namespace vendaro {

// The value stored under key in section, or nothing when the section or the key
// is missing. A key whose value is empty gives the empty text.
std::optional<std::string> FindIniValue(std::string_view file, std::string_view section,
                                        std::string_view key);

// The file's bytes after storing value under key in section.
std::string ApplyIniUpdate(std::string_view file, std::string_view section, std::string_view key,
                           std::string_view value);

}  // namespace vendaro
