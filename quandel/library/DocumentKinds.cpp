#include "DocumentKinds.h"

#include "FileSystem.h"
#include "GermanText.h"
#include "TextFile.h"

#include <QCollator>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>

#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <numeric>
#include <vector>

namespace DocumentKinds {

QString projectFileName()
{
    return QStringLiteral("Quandel.ini");
}

QString projectFilePath(const QString &projectFolder)
{
    QString exact = projectFolder + u'/' + projectFileName();
    if (QFileInfo(exact).isFile()) {
        return exact;
    }
    const QStringList spelled =
        QDir(projectFolder).entryList({projectFileName()}, QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    return spelled.isEmpty() ? exact : projectFolder + u'/' + spelled.first();
}

bool isValid(int kind)
{
    return kind >= 0 && kind < Count;
}

QString viewCaption(int kind)
{
    switch (kind) {
    case HelpDocuments:
        return QStringLiteral("&Hilfe Dokumente");
    case ClassesAndModules:
        return QStringLiteral("&Klassen-/Modul Dokumente ");
    case ProjectFolders:
        return QStringLiteral("&Visual Basic Projekte");
    case HelpProjects:
        return QStringLiteral("Hilfe &Projekte");
    default:
        return {};
    }
}

QString newCaption(int kind)
{
    switch (kind) {
    case HelpDocuments:
        return QStringLiteral("&Hilfe Dokument");
    case ClassesAndModules:
        return QStringLiteral("&Klassen-/Module");
    case ProjectFolders:
        return QStringLiteral("&Visual Basic Projekt ");
    case HelpProjects:
        return QStringLiteral("Hilfe &Projekt");
    default:
        return {};
    }
}

QString pattern(int kind)
{
    switch (kind) {
    case HelpDocuments:
        return QStringLiteral("*.txt");
    case ClassesAndModules:
        return QStringLiteral("*.bas;*.cls");
    case ProjectFolders:
        return QStringLiteral("*.ini");
    case HelpProjects:
        return QStringLiteral("*.vbp");
    default:
        return {};
    }
}

QString proposedName(const QString &pattern)
{
    if (pattern == u"*.txt") {
        return QStringLiteral("Unbenannt.txt");
    }
    if (pattern == u"*.bas;*.cls") {
        return QStringLiteral("Unbenannt.bas");
    }
    if (pattern == u"*.vbp") {
        return QStringLiteral("Unbenannt.vbp");
    }
    return {};
}

QStringList saveFilters(const QString &pattern)
{
    const QString all = QStringLiteral("Alle Dateitypen (*)");
    if (pattern == u"*.txt") {
        return {QStringLiteral("Hilfe Dokumente (*.txt)"), all};
    }
    if (pattern == u"*.bas;*.cls") {
        return {QStringLiteral("Module (*.bas)"), all};
    }
    if (pattern == u"*.vbp") {
        return {QStringLiteral("Projekt Vorbereitungen (*.vbp)"), all};
    }
    return {};
}

namespace {

// The length of a file's display name, without the tab of a class.
qsizetype shownLength(QStringView fileName)
{
    const qsizetype dot = fileName.indexOf(u'.', std::max<qsizetype>(0, fileName.size() - 4));
    return dot >= 0 ? dot : fileName.size();
}

} // namespace

QString displayName(const QString &fileName)
{
    QString name = fileName.left(shownLength(fileName));
    if (fileName.right(3).compare(u"cls", Qt::CaseInsensitive) == 0) {
        name += u'\t';
    }
    return name;
}

QString documentName(const QString &entryText)
{
    return entryText.endsWith(u'\t') ? entryText.chopped(1) : entryText;
}

QString lookupName(const QString &fileName)
{
    const qsizetype from = std::max<qsizetype>(0, fileName.size() - 5);
    const qsizetype dot = fileName.indexOf(u'.', from);
    return dot >= 0 ? fileName.left(dot) : fileName;
}

QCollator nameCollator()
{
    QCollator collator{QLocale(QLocale::German, QLocale::Germany)};
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    return collator;
}

QStringList listFiles(const QString &folder, const QString &pattern)
{
    return list(folder, pattern).files;
}

QStringList listFolders(const QString &folder)
{
    return list(folder, QString()).folders;
}

namespace {

// A file name pattern: "*.ext" is a test of the ending, anything else a
// wildcard expression.
class NamePattern final
{
public:
    explicit NamePattern(const QString &wildcard)
    {
        const QString ending = wildcard.mid(1);
        if (wildcard.startsWith(u'*') && !ending.contains(u'*') && !ending.contains(u'?') && !ending.contains(u'[')) {
            m_ending = ending;
        } else {
            m_expression = QRegularExpression::fromWildcard(wildcard, Qt::CaseInsensitive);
        }
    }
    bool matches(const QString &name) const
    {
        return m_expression.pattern().isEmpty() ? name.endsWith(m_ending, Qt::CaseInsensitive)
                                                : m_expression.match(name).hasMatch();
    }

private:
    QString m_ending;
    QRegularExpression m_expression;
};

// A folder, or a link to one; anything else that is no "." or ".." counts as
// a file, as hidden files, links to nowhere, pipes and sockets do.
bool isFolder(DIR *folder, const dirent *entry)
{
    if (entry->d_type == DT_DIR) {
        return true;
    }
    if (entry->d_type != DT_UNKNOWN && entry->d_type != DT_LNK) {
        return false;
    }
    struct stat info
    {
    };
    return ::fstatat(::dirfd(folder), entry->d_name, &info, 0) == 0 && S_ISDIR(info.st_mode);
}

// Small, as the sort moves it about.
struct Entry
{
    QString name;
    bool folder = false;
    // Where the name as the file system holds it is not UTF-8: its index
    // among the names kept aside; else -1.
    int foreign = -1;
    // The length of the part of the name the list shows: the display name of
    // a file, the whole name of a folder. The rest (the extension) only
    // breaks ties, so that Haupt comes before Haupt_1.
    qsizetype shown = 0;
    // For a name of printable ASCII characters only: the ranks in the
    // collation of the shown part's characters, a 0, and those of the
    // extension, compared as bytes; empty for any other name.
    QByteArray rank;
};

// The collation orders a printable ASCII character by one weight, the same
// for a letter in either case, and a string of such characters letter by
// letter; so such names compare by their characters' ranks, taken from the
// collation itself, without it. Other names go to the collation.
class NameOrder final
{
public:
    NameOrder() : m_collator(nameCollator())
    {
        std::array<char16_t, Last - First + 1> chars{};
        std::iota(chars.begin(), chars.end(), char16_t(First));
        const auto text = [](const char16_t &c) { return QStringView(&c, 1); };
        std::stable_sort(chars.begin(), chars.end(),
                         [&](char16_t a, char16_t b) { return m_collator.compare(text(a), text(b)) < 0; });
        char rank = 1;
        for (size_t i = 0; i < chars.size(); ++i) {
            if (i > 0 && m_collator.compare(text(chars[i - 1]), text(chars[i])) != 0) {
                ++rank;
            }
            m_ranks[size_t(chars[i] - First)] = rank;
        }
    }

    // Ranks start at 1: the 0 after the shown part puts a name before the
    // longer names it begins.
    QByteArray rank(const QString &name, qsizetype shown) const
    {
        QByteArray ranks(name.size() + 1, Qt::Uninitialized);
        char *out = ranks.data();
        for (qsizetype i = 0; i < name.size(); ++i) {
            if (i == shown) {
                *out++ = 0;
            }
            const char16_t c = name.at(i).unicode();
            if (c < First || c > Last) {
                return {};
            }
            *out++ = m_ranks[size_t(c - First)];
        }
        if (shown == name.size()) {
            *out++ = 0;
        }
        return ranks;
    }

    // The shown parts first, then the extensions; names the collation finds
    // equal (they differ in case only) in the order of their lower-case
    // letters, then of their letters.
    bool less(const Entry &a, const Entry &b) const
    {
        int c = 0;
        if (!a.rank.isEmpty() && !b.rank.isEmpty()) {
            const qsizetype common = std::min(a.rank.size(), b.rank.size());
            c = std::memcmp(a.rank.constData(), b.rank.constData(), size_t(common));
            if (c == 0) {
                c = a.rank.size() < b.rank.size() ? -1 : a.rank.size() > b.rank.size() ? 1 : 0;
            }
        } else {
            const QStringView nameA(a.name);
            const QStringView nameB(b.name);
            c = m_collator.compare(nameA.first(a.shown), nameB.first(b.shown));
            if (c == 0) {
                c = m_collator.compare(nameA.sliced(a.shown), nameB.sliced(b.shown));
            }
        }
        if (c != 0) {
            return c < 0;
        }
        if (const int lower = a.name.toLower().compare(b.name.toLower()); lower != 0) {
            return lower < 0;
        }
        return a.name < b.name;
    }

private:
    static constexpr char16_t First = 0x20;
    static constexpr char16_t Last = 0x7e;
    QCollator m_collator;
    std::array<char, Last - First + 1> m_ranks{};
};

const NameOrder &nameOrder()
{
    static const NameOrder order;
    return order;
}

// In the order a German reader expects: Ü beside U, not after z.
void sortEntries(std::vector<Entry> &entries)
{
    const NameOrder &order = nameOrder();
    for (Entry &entry : entries) {
        entry.shown = entry.folder ? entry.name.size() : shownLength(entry.name);
        entry.rank = order.rank(entry.name, entry.shown);
    }
    std::sort(entries.begin(), entries.end(), [&order](const Entry &a, const Entry &b) { return order.less(a, b); });
}

} // namespace

QStringList sortedNames(const QStringList &names)
{
    std::vector<Entry> entries;
    entries.reserve(size_t(names.size()));
    for (const QString &name : names) {
        entries.push_back(Entry{name, false, -1, 0, {}});
    }
    sortEntries(entries);
    QStringList sorted;
    sorted.reserve(names.size());
    for (Entry &entry : entries) {
        sorted.append(std::move(entry.name));
    }
    return sorted;
}

Listing list(const QString &folder, const QString &pattern)
{
    Listing listing;
    if (folder.isEmpty()) {
        return listing;
    }
    std::vector<NamePattern> patterns;
    for (const QString &wildcard : pattern.split(u';', Qt::SkipEmptyParts)) {
        patterns.emplace_back(wildcard);
    }
    const auto matches = [&patterns](const QString &name) {
        return patterns.empty() ||
               std::any_of(patterns.begin(), patterns.end(), [&name](const NamePattern &p) { return p.matches(name); });
    };
    // One reading of the folder; the kind of an entry comes with its name
    // where the file system gives it, so only links are looked at.
    DIR *dir = ::opendir(QFile::encodeName(folder).constData());
    if (dir == nullptr) {
        return listing;
    }
    std::vector<Entry> entries;
    std::vector<QByteArray> foreignNames;
    while (const dirent *entry = ::readdir(dir)) {
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) {
            continue;
        }
        const bool isDir = isFolder(dir, entry);
        const QByteArrayView bytes(entry->d_name);
        const bool foreign = !TextFile::isUtf8(bytes);
        QString name = foreign ? TextFile::decodeWindows1252(bytes) : QFile::decodeName(entry->d_name);
        // The pattern applies to files only.
        if (isDir || matches(name)) {
            if (foreign) {
                foreignNames.push_back(bytes.toByteArray());
            }
            entries.push_back(Entry{std::move(name), isDir, foreign ? int(foreignNames.size()) - 1 : -1, 0, {}});
        }
    }
    ::closedir(dir);
    sortEntries(entries);
    const QDir base(folder);
    for (Entry &entry : entries) {
        if (entry.folder) {
            if (entry.foreign >= 0) {
                listing.foreignFolders.insert(listing.folders.size(), foreignNames[size_t(entry.foreign)]);
            }
            listing.folders.append(base.filePath(entry.name));
        } else {
            if (entry.foreign >= 0) {
                listing.foreignFiles.insert(listing.files.size(), foreignNames[size_t(entry.foreign)]);
            }
            listing.files.append(std::move(entry.name));
        }
    }
    return listing;
}

bool renameForeign(const QString &folder, const QByteArray &foreignName, const QString &newName, QString *error,
                   bool *taken)
{
    *taken = false;
    const QByteArray base = QFile::encodeName(folder) + '/';
    const QByteArray source = base + foreignName;
    const QByteArray target = base + QFile::encodeName(newName);
    const int failure = renameWithoutReplacing(source, target);
    if (failure == 0) {
        return true;
    }
    *taken = failure == EEXIST || failure == ENOTEMPTY;
    *error = qt_error_string(failure);
    return false;
}

QStringList listEntries(const QStringList &files, const QStringList &folders, bool projectFolders)
{
    QStringList entries;
    if (projectFolders) {
        for (const QString &path : folders) {
            entries.append(QFileInfo(path).fileName());
        }
        return entries;
    }
    entries.reserve(files.size());
    for (const QString &name : files) {
        entries.append(displayName(name));
    }
    return entries;
}

QString modifiedText(const QString &path)
{
    const QString label = QStringLiteral(" Geändert: ");
    return path.isEmpty() ? label : label + germanDateTime(QFileInfo(path).lastModified());
}

} // namespace DocumentKinds
