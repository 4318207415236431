#include "WebLinks.h"

#include "DesktopShell.h"

#include <QUrlQuery>

namespace WebLinks {

QUrl makerSite()
{
    return QUrl(QStringLiteral("https://www.tivorn.example/quandel/"));
}

QString supportAddress()
{
    return QStringLiteral("support@tivorn.example");
}

QUrl freeAccessories()
{
    return QUrl(QStringLiteral("https://visualstudio.microsoft.com/de/free-developer-offers/"));
}

QUrl developerHome()
{
    return QUrl(QStringLiteral("https://developer.microsoft.com/de-de/"));
}

QUrl developerNetwork()
{
    return QUrl(QStringLiteral("https://learn.microsoft.com/de-de/"));
}

QUrl supportForums()
{
    return QUrl(QStringLiteral("https://learn.microsoft.com/de-de/answers/"));
}

QUrl supportMail(const QString &product)
{
    QUrl url(QStringLiteral("mailto:") + supportAddress());
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("Subject"), product);
    query.addQueryItem(QStringLiteral("Body"), QStringLiteral(" "));
    url.setQuery(query);
    return url;
}

bool WebSupports(const QUrl &url)
{
    return Shell::instance().openUrl(url, nullptr);
}

} // namespace WebLinks
