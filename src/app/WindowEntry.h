#pragma once

#include "app/CommandLine.h"

#include <QString>

// The windows live in a module of their own (`pelorin-window.so`), loaded only for a
// windowed start, so that scripted runs never load Qt's window-system libraries. The
// program resolves every core symbol for the module; the module exports only this entry.
using WindowMainFunction = int (*)(int& argc, char** argv, const CommandLine& line);
inline constexpr char kWindowMainSymbol[] = "pelorinWindowMain";

// Where the module is looked for: beside the program (the build tree), then in the
// installed layout's private library folder.
QStringList WindowModuleCandidates(const QString& programFolder);
