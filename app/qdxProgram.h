#pragma once
// The program body: decides between the usage text, refusing the first
// argument and converting, and turns the outcome into an exit code
// (0 success, 1 a file failed, 2 a refused command line).

#include "app/qdxQDPConverter.h"

#include <iosfwd>
#include <string>
#include <vector>

std::string ApplicationTitle();
// The usage text, its lines joined by lineBreak.
std::string UsageText(const std::string& lineBreak);
bool IsHelpSwitch(const std::string& arg);
// Why the first argument cannot be converted, or "" when it can.
std::string RefuseFirstArgument(const std::string& arg);

int QDPConverterMain(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, TQDPConverterEnv env);
