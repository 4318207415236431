#pragma once

#include <QString>
#include <QUrl>

// The addresses the help menu and the about dialog open.
namespace WebLinks {

QUrl makerSite();         // "&Software und Updates ", BWebseite
QString supportAddress(); // BMail
QUrl freeAccessories();   // mnulinks1
QUrl developerHome();     // mnulinks2
QUrl developerNetwork();  // mnulinks3
QUrl supportForums();     // mnulinks4

// A new mail to the maker's support with the product as its subject.
QUrl supportMail(const QString &product);

// Opens an address with the user's default application; failures are not
// reported to the user. Returns the shell's answer.
bool WebSupports(const QUrl &url);

} // namespace WebLinks
