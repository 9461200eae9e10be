#pragma once

// The measured paths of the comparison run; each adds its rows to the table.

#include "Compare.h"

namespace bench {

void RunSavePath(const Options& o, Table& table);
void RunArticlesPagePaths(const Options& o, Table& table);
void RunOpenPath(const Options& o, Table& table);
void RunStartPath(const Options& o, Table& table);
void RunMemoryPath(const Options& o, Table& table);

// The child process of the memory path: opens the window on the program folder's
// Kovantel.ini, fills both lists and prints its resident memory. Returns the exit code.
int MemoryProbeMain(const QString& programFolder);

} // namespace bench
