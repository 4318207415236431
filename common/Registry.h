#pragma once

#include <QList>
#include <QString>
#include <QVariant>

#include <utility>

// The per-user key store that plays the registry. It lives in one text file in
// the syntax of a registry export:
//
//   [HKEY_CURRENT_USER\Software\Tivorn\Quandel Library]
//   "Path"="/home/anna/Dokumente"
//   "Viewer"=dword:00000001
//
// Keys hold text values and 32-bit numbers; key and value names compare
// without regard to case. Every change re-reads the file, applies itself and
// replaces the file atomically, so two running programs never tear it (the
// last writer wins). A damaged file is read as far as it is valid.
//
// Exports of the Windows registry editor copied into place are read too:
// UTF-16 with a byte-order mark and REGEDIT4 in Windows-1252, with CR, LF or
// CR LF line ends. The first change writes the store in its own UTF-8 form.
//
// HKEY_LOCAL_MACHINE is a read-only view: it answers RegisteredOwner (under
// both ...\Windows\CurrentVersion and ...\Windows Nt\CurrentVersion) with the
// account's full name when one is set; writes to it report failure.
namespace Registry {

enum class Root
{
    CurrentUser,
    LocalMachine
};

// The file behind HKEY_CURRENT_USER. Defaults to AppPaths::registryFile();
// an empty text restores that default.
void setStoreFile(const QString &path);
QString storeFile();

// True when the key exists.
bool KeyExists(Root root, const QString &subKey);

// Creates the key and any missing parent keys. True only when the key was
// newly created; an existing key gives false and is left untouched. The class
// text is kept for compatibility and not stored.
[[nodiscard]] bool CreateRegKey(Root root, const QString &subKey, const QString &classText);

// The kind stored follows the kind of the value: 16- and 32-bit whole numbers
// (short, ushort, int, uint) become 32-bit numbers, text becomes text, and
// anything else (bool, floating point, invalid) writes nothing and reports
// true when the key exists. The key is never created here.
[[nodiscard]] bool SetRegValue(Root root, const QString &subKey, const QString &valueName, const QVariant &value);

// Several values of one key in one atomic change, as SetRegValue stores each:
// other programs see all of them or none. True when every value was stored.
[[nodiscard]] bool SetRegValues(Root root, const QString &subKey, const QList<std::pair<QString, QVariant>> &values);

// Text values come back as QString, numbers as uint (QMetaType::UInt).
// On false, value is left unchanged.
bool QueryRegValue(Root root, const QString &subKey, const QString &valueName, QVariant &value);

// True when the value existed and was removed.
[[nodiscard]] bool DeleteRegValue(Root root, const QString &subKey, const QString &valueName);

} // namespace Registry
