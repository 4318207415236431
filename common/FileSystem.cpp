#include "FileSystem.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

// Only * and ? are wildcards here. QDir's own name filters would also read
// [ ] as a character class, and document names such as "Notiz [alt].txt"
// must match themselves.
QRegularExpression wildcardExpression(const QString &pattern)
{
    QString body = pattern;
    // "name.*" also matches "name" without an extension, so that "*.*" means
    // every entry, whether its name has a dot or not.
    bool optionalExtension = false;
    if (body.endsWith(QLatin1String(".*"))) {
        body.chop(2);
        optionalExtension = true;
    }
    QString expression;
    expression.reserve(body.size() * 2 + 16);
    for (const QChar c : std::as_const(body)) {
        if (c == u'*') {
            expression += QLatin1String(".*");
        } else if (c == u'?') {
            expression += u'.';
        } else {
            expression += QRegularExpression::escape(QString(c));
        }
    }
    if (optionalExtension) {
        expression += QLatin1String("(\\..*)?");
    }
    // File names may contain line breaks; DotMatchesEverything lets * cover them.
    return QRegularExpression(QRegularExpression::anchoredPattern(expression),
                              QRegularExpression::CaseInsensitiveOption |
                                  QRegularExpression::DotMatchesEverythingOption);
}

bool matchesAnyEntry(const QString &folder, const QString &pattern)
{
    const QDir dir(folder.isEmpty() ? QStringLiteral(".") : folder);
    if (!dir.exists()) {
        return false;
    }
    const QRegularExpression expression = wildcardExpression(pattern);
    const QStringList entries =
        dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::NoSort);
    for (const QString &entry : entries) {
        if (expression.match(entry).hasMatch()) {
            return true;
        }
    }
    return false;
}

} // namespace

bool FileExists(const QString &path)
{
    if (path.isEmpty()) {
        return false;
    }
    const qsizetype slash = path.lastIndexOf(u'/');
    const QString name = path.mid(slash + 1);
    if (name.contains(u'*') || name.contains(u'?')) {
        const QString folder = slash < 0 ? QString() : (slash == 0 ? QStringLiteral("/") : path.left(slash));
        return matchesAnyEntry(folder, name);
    }
    // A dangling symbolic link is still an entry of its folder.
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

bool PathExists(const QString &path)
{
    if (path.isEmpty()) {
        return false;
    }
    return QFileInfo::exists(path);
}
