// SPDX-License-Identifier: GPL-3.0-or-later
// The support functions the program calls by name. Failures raise qv::Error.
#pragma once

#include <cstdint>
#include <string>

namespace qv {

// Special folder numbers understood by skGetSpecialFolder.
enum SpecialFolder { sfAppData = 26 };

// Records where the program lives (for the desktop's launcher); answers whether it could.
bool skRegisterAppPath();
// Whether the program runs inside its development environment: never here.
bool skIsInIDE();

// Path of a special folder. 26: the user's application-data folder
// ($XDG_DATA_HOME, else ~/.local/share).
std::string skGetSpecialFolder(int folder);
// `folder` and `name` joined by one separator; backslashes in `name` count as separators.
std::string skBuildFileName(const std::string& folder, const std::string& name);
// Creates the folder and every missing parent; answers whether it exists afterwards.
bool skCreateComplexDirectory(const std::string& path);
// The folder part of a file path ("" for a bare name).
std::string skGetFilePath(const std::string& path);

// "1,234,567"
std::string skFormatLong(int32_t value);
// "512 bytes", "1.5 KB", "23.4 MB"
std::string skFormatByteSize(double bytes);
// The size and its exact byte count: "1.5 KB (1,536 bytes)"
std::string skFormatByteSizeEx(double bytes);
// "2.0.41"
std::string skFormatVersion(int major, int minor, int revision);

// Decodes UTF-8 bytes held one byte per character; malformed sequences become U+FFFD.
std::string skUTF8ToUNICODE(const std::string& utf8Bytes);
// Text from outside made safe to show, print or log: control characters (C0
// but tab, DEL, C1) and malformed UTF-8 become U+FFFD, so that no server can
// move the cursor, retitle or clear a terminal. Line feeds stay on request.
std::string skPrintable(const std::string& text, bool keepLineFeeds = false);
// Windows-1252 bytes as UTF-8, and back; a character the code page lacks becomes "?".
std::string skCodePageToUTF8(const std::string& codes);
std::string skUTF8ToCodePage(const std::string& text);
// Without leading and trailing blanks, tabs, CR and LF.
std::string skTrimEx(const std::string& text);
// Without its first `count` characters (all of them when count >= length).
std::string skCutLeft(const std::string& text, int count);

// A random whole number in [lower, upper].
int skGetRnd(int lower, int upper);
// Exactly two upper-case hexadecimal digits.
std::string skHex1(uint8_t value);

// One timestamped line in the program's log.
void skLogWarning(const std::string& message);
void skLogError(const std::string& message);
// The log file: Quillvault.log in the data folder.
std::string skLogFilePath();

}  // namespace qv
