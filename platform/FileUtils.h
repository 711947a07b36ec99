#pragma once
// File-name and file-system helpers. Paths use "/" as separator; a folder
// path keeps its trailing separator, as the converter joins paths by
// concatenation.

#include <cstdint>
#include <string>

// Part up to and including the last "/" (empty when there is none).
std::string ExtractFilePath(const std::string& name);
// Part after the last "/".
std::string ExtractFileName(const std::string& name);
// Extension of the file-name part, with its dot ("" when there is none).
std::string ExtractFileExt(const std::string& name);
// Replaces the extension of the file-name part, or appends ext when there is none.
std::string ChangeFileExt(const std::string& name, const std::string& ext);
std::string IncludeTrailingPathDelimiter(const std::string& path);
// Absolute form of name against the current folder, with "." and ".." resolved.
std::string ExpandFileName(const std::string& name);

bool FileExists(const std::string& name);       // an existing regular file (or link to one)
bool DirectoryExists(const std::string& name);  // an existing folder (or link to one)
// Creates the folder and its missing parents; false when that fails.
bool ForceDirectories(const std::string& path);

// Folder of the running program, with its trailing separator.
std::string ProgramFolder();

// Writes data to a temporary file beside name and renames it over name, so
// that readers see the old or the new content, never a part. False on failure
// (nothing is left behind).
bool WriteFileAtomically(const std::string& name, const std::string& data);

std::string UpperCase(std::string s);  // ASCII letters only: safe on UTF-8
std::string LowerCase(std::string s);
bool SameText(const std::string& a, const std::string& b);
std::string Trim(const std::string& s);
