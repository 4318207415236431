#pragma once

#include <QString>

// Where the program finds and keeps things.
namespace AppPaths {

// The folder of the running executable: quandel and brenlow lie side by side.
QString programFolder();

// Per-user data folder (favourites and font in Quandel.dat, search history).
// Created on demand by ensureFolder(); the paths below are valid either way.
QString dataFolder();
QString dataFile();    // <data>/Quandel.dat
QString historyFile(); // <data>/Quandel.ini

// Per-user configuration folder: the key store and Win.ini.
QString configFolder();
QString registryFile(); // <config>/registry.reg
QString winIniFile();   // <config>/Win.ini

// Creates the folder and its parents; true when it exists afterwards.
bool ensureFolder(const QString &folder);

// A read-only resource file that ships with the program (Quandel.chf), looked
// for in this order: in the program folder, in the share folder
// "../share/quandel" beside the program's real folder, and in the share
// folder the program was built for. So a package, an installation under any
// prefix and the build tree all find it without a rebuild. The path in the
// program folder when it is found nowhere.
QString resourceFile(const QString &fileName, const QString &programFolder);
QString resourceFile(const QString &fileName); // for the running program

} // namespace AppPaths
