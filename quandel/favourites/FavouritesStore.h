#pragma once

#include <QList>
#include <QString>

// The favourites kept in sections "1" to "30" of the data file: one record a
// slot, with the keys Name, Datei and Dir. A slot whose Name is empty is free.
struct Favourite
{
    QString name;  // display name: menu caption
    QString datei; // file name with extension; a project folder's name
    QString dir;   // the folder holding it

    bool isFree() const { return name.isEmpty(); }
    // Dir and Datei joined.
    QString fullPath() const;
};

namespace FavouritesStore {

constexpr int MaxSlots = 30;

Favourite read(const QString &dataFile, int slot);
// Writes Name, Datei and Dir in this order, in one atomic replacement of the
// file: no reader and no failure ever leaves a record half written. True
// when the file was written.
[[nodiscard]] bool write(const QString &dataFile, int slot, const Favourite &favourite);
// Makes the favourites the slots 1 to n and removes every other slot, again
// in one replacement: a failure keeps the old records, all of them.
[[nodiscard]] bool replaceAll(const QString &dataFile, const QList<Favourite> &favourites);
// False when the record would not read back as a working favourite: a line
// break or a value longer than a profile value can be, blanks or quotes
// around the file or folder (they are dropped on reading), or a name of
// blanks only (read back as a free slot).
bool storable(const Favourite &favourite);
// The lowest free slot, 0 when all are taken.
int firstFreeSlot(const QString &dataFile);

// The display name for an entry: the text up to its first "." after any
// leading dots.
QString displayName(const QString &entry);
// The kind of a file name: the text from that "." on, in lower case.
QString kindOf(const QString &datei);
// The view that shows a kind: 0 ".txt", 1 ".bas" and ".cls", 2 no
// extension (project folders), 3 ".vbp"; -1 for any other.
int viewFor(const QString &kind);

} // namespace FavouritesStore
