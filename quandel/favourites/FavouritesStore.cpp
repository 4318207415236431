#include "FavouritesStore.h"

#include "DataFileKeys.h"
#include "IniFile.h"

#include <QDir>

#include <algorithm>

namespace {

QString section(int slot)
{
    return QString::number(slot);
}

void appendRecord(QList<IniFiles::Change> &changes, int slot, const Favourite &favourite)
{
    using Kind = IniFiles::Change::Kind;
    changes.append({Kind::Write, section(slot), QString::fromUtf16(DataFileKeys::FavouriteName), favourite.name});
    changes.append({Kind::Write, section(slot), QString::fromUtf16(DataFileKeys::FavouriteFile), favourite.datei});
    changes.append({Kind::Write, section(slot), QString::fromUtf16(DataFileKeys::FavouriteFolder), favourite.dir});
}

// The dot that ends the name. Leading dots belong to the name: a hidden
// document ".Notiz.txt" is listed as ".Notiz", and an empty name would leave
// its slot free and its menu entry blank.
qsizetype nameEnd(const QString &entry)
{
    qsizetype from = 0;
    while (from < entry.size() && entry.at(from) == u'.') {
        ++from;
    }
    return entry.indexOf(u'.', from);
}

} // namespace

QString Favourite::fullPath() const
{
    return dir.endsWith(u'/') ? QString(dir + datei) : QString(dir + u'/' + datei);
}

namespace FavouritesStore {

Favourite read(const QString &dataFile, int slot)
{
    return {IniFiles::GetINIString(dataFile, section(slot), QString::fromUtf16(DataFileKeys::FavouriteName)),
            IniFiles::GetINIString(dataFile, section(slot), QString::fromUtf16(DataFileKeys::FavouriteFile)),
            IniFiles::GetINIString(dataFile, section(slot), QString::fromUtf16(DataFileKeys::FavouriteFolder))};
}

bool write(const QString &dataFile, int slot, const Favourite &favourite)
{
    QList<IniFiles::Change> changes;
    appendRecord(changes, slot, favourite);
    return IniFiles::ApplyINIChanges(dataFile, changes);
}

bool replaceAll(const QString &dataFile, const QList<Favourite> &favourites)
{
    QList<IniFiles::Change> changes;
    for (int slot = 1; slot <= MaxSlots; ++slot) {
        changes.append({IniFiles::Change::Kind::DeleteSection, section(slot), {}, {}});
    }
    for (int slot = 1; slot <= MaxSlots && slot <= favourites.size(); ++slot) {
        appendRecord(changes, slot, favourites.at(slot - 1));
    }
    return IniFiles::ApplyINIChanges(dataFile, changes);
}

bool storable(const Favourite &favourite)
{
    const auto blank = [](QChar c) { return c == u' ' || c == u'\t'; };
    const auto fits = [](const QString &value) {
        return !value.contains(u'\n') && !value.contains(u'\r') && value.size() <= IniFiles::MaxValueLength;
    };
    // Blanks around the name only change its caption; around the file or
    // folder they would break the link, and quotes around them would go.
    const auto readsBack = [&](const QString &value) {
        const bool quoted =
            value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') && value.back() == value.front();
        return fits(value) && !quoted && (value.isEmpty() || (!blank(value.front()) && !blank(value.back())));
    };
    return std::any_of(favourite.name.begin(), favourite.name.end(), [&](QChar c) { return !blank(c); }) &&
           fits(favourite.name) && readsBack(favourite.datei) && readsBack(favourite.dir);
}

int firstFreeSlot(const QString &dataFile)
{
    for (int slot = 1; slot <= MaxSlots; ++slot) {
        if (read(dataFile, slot).isFree()) {
            return slot;
        }
    }
    return 0;
}

QString displayName(const QString &entry)
{
    const qsizetype dot = nameEnd(entry);
    return dot >= 0 ? entry.left(dot) : entry;
}

QString kindOf(const QString &datei)
{
    const qsizetype dot = nameEnd(datei);
    return dot >= 0 ? datei.mid(dot).toLower() : QString();
}

int viewFor(const QString &kind)
{
    if (kind == u".txt") {
        return 0;
    }
    if (kind == u".bas" || kind == u".cls") {
        return 1;
    }
    if (kind.isEmpty()) {
        return 2;
    }
    if (kind == u".vbp") {
        return 3;
    }
    return -1;
}

} // namespace FavouritesStore
