#pragma once

#include <QString>

// True when path names an existing file or folder, or when it is a pattern
// with the wildcards * and ? in its last component that matches at least one
// entry of its folder (hidden entries included). Empty text is false.
bool FileExists(const QString &path);

// True when the attributes of the file or folder can be read. Empty is false.
bool PathExists(const QString &path);
