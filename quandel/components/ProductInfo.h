#pragma once

#include <QString>

// Names and numbers of this program as the dialogs show them.
namespace ProductInfo {

QString productName();       // "Quandel Library"
QString windowCaption();     // "Tivorn Quandel Library", the main window's caption
QString registryKey();       // "Software\Tivorn\Quandel Library"
QString parentRegistryKey(); // "Software\Tivorn"

int majorVersion();
int minorVersion();
int revision();

// "2.5": the version whose disclaimer the user accepted is stored in this form.
QString versionText();

// "Quandel Library 2.05": the minor version filled to two digits.
QString nameAndVersion(int major, int minor);
QString nameAndVersion();

// "Quandel Library 2.05 Build 200": the revision filled with zeros on the
// right to three digits, and a revision of 0 shown as 100.
QString nameVersionAndBuild(int major, int minor, int revision);

// Product identification under the splash: the fixed text, the major version,
// "0" and the minor version.
QString identification();

// Owner of this installation for the splash: the registered owner when the
// system knows one, else "Nicht Lizenziert".
QString registeredOwner();

} // namespace ProductInfo
