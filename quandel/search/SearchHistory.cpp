#include "SearchHistory.h"

#include "TextFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace SearchHistory {

namespace {

constexpr QChar Cr = u'\r';
constexpr QChar Lf = u'\n';

QString readContent(const QString &path, bool *ok, TextFormat *format)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *ok = false;
        return {};
    }
    *ok = true;
    return TextFile::decodeBytes(file.readAll(), format);
}

bool writeContent(const QString &path, const QString &content, TextFormat format)
{
    // The history is written as it stands: its line ends are in the text.
    format.lineEnd = TextFormat::LineEnd::Lf;
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    // A read-only history is made writable, as saving a term asks for.
    if (file.exists() && !(file.permissions() & QFileDevice::WriteOwner)) {
        file.setPermissions(file.permissions() | QFileDevice::WriteOwner | QFileDevice::WriteUser);
    }
    return TextFile::writeBytes(path, TextFile::encode(content, format)).isEmpty();
}

} // namespace

QStringList termsFromText(const QString &content)
{
    QStringList terms;
    QString line;
    for (const QChar c : content) {
        if (c == Lf) {
            continue;
        }
        if (c == Cr) {
            if (!line.isEmpty()) {
                terms.append(line);
            }
            line.clear();
            continue;
        }
        line += c;
    }
    return terms;
}

QString textWithTermOnTop(const QString &content, const QString &term)
{
    QString rest;
    QString line;
    for (const QChar c : content) {
        if (c == Lf) {
            continue;
        }
        if (c == Cr) {
            if (line != term) {
                rest += Lf + line + Cr;
            }
            line.clear();
            continue;
        }
        line += c;
    }
    if (rest.startsWith(Lf)) {
        rest.remove(0, 1);
    }
    if (!rest.isEmpty() && !rest.startsWith(Cr)) {
        rest.prepend(QStringLiteral("\r\n"));
    }
    for (const QChar last : {Lf, Cr, Lf}) {
        if (rest.endsWith(last)) {
            rest.chop(1);
        }
    }
    return term + rest + QStringLiteral("\r\n");
}

QString clearedText()
{
    return QStringLiteral("\r\n\r\n");
}

QStringList read(const QString &path, bool *exists)
{
    bool ok = false;
    TextFormat format;
    const QString content = readContent(path, &ok, &format);
    if (exists) {
        *exists = ok;
    }
    return ok ? termsFromText(content) : QStringList();
}

bool save(const QString &path, const QString &term)
{
    bool ok = false;
    TextFormat format = TextFormat::document();
    const QString content = QFileInfo::exists(path) ? readContent(path, &ok, &format) : QString();
    return writeContent(path, textWithTermOnTop(content, term), format);
}

bool clear(const QString &path)
{
    bool ok = false;
    TextFormat format = TextFormat::document();
    readContent(path, &ok, &format);
    return writeContent(path, clearedText(), format);
}

} // namespace SearchHistory
