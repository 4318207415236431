#pragma once

#include <QString>

// The companion programs of the same maker that the help menu can start when
// they are installed beside this one.
namespace SiblingPrograms {

constexpr int Count = 3;

// The menu caption of program i (0 to 2).
QString caption(int i);
// The executable's file name of program i.
QString executable(int i);
// Where program i would lie: the program folder and its file name.
QString path(int i);
// True when program i lies in the program folder.
bool exists(int i);

} // namespace SiblingPrograms
