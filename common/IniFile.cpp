#include "IniFile.h"

#include "TextFile.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QStringList>

#include <algorithm>
#include <list>

namespace {

// Only blanks and tabs, like the profile functions: a no-break space (byte
// 0xA0 in Windows-1252) belongs to the value. The CR is there for lines of an
// LF file that end in CR LF.
bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\r';
}

QStringView trimmed(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin])) {
        ++begin;
    }
    while (end > begin && isBlank(text[end - 1])) {
        --end;
    }
    return text.sliced(begin, end - begin);
}

bool sameName(QStringView a, QStringView b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

struct Line
{
    enum class Kind
    {
        Other,
        Section,
        Entry
    };
    Kind kind = Kind::Other;
    QStringView name; // section or key
    QStringView value;
};

// Lenient on purpose: whatever a line holds, it is either a header, an entry
// or something to step over, never an error.
Line classify(const QString &text)
{
    Line line;
    const QStringView t = trimmed(text);
    if (t.startsWith(u'[')) {
        const qsizetype close = t.indexOf(u']');
        line.kind = Line::Kind::Section;
        line.name = trimmed(close < 0 ? t.sliced(1) : t.sliced(1, close - 1));
        return line;
    }
    if (t.startsWith(u';')) {
        return line;
    }
    const qsizetype equals = t.indexOf(u'=');
    if (equals <= 0) {
        return line;
    }
    line.kind = Line::Kind::Entry;
    line.name = trimmed(t.first(equals));
    line.value = trimmed(t.sliced(equals + 1));
    return line;
}

struct Profile
{
    QStringList lines;
    bool finalLineBreak = true;
    TextFormat format = TextFormat::settings();

    QString text() const
    {
        QString joined = lines.join(u'\n');
        if (finalLineBreak && !lines.isEmpty()) {
            joined += u'\n';
        }
        return joined;
    }
};

enum class Load
{
    Ok,
    Missing,
    Failed
};

Load loadFromDisk(const QString &fileName, Profile *profile, TextFile::FileKey *key)
{
    const TextFile::BytesResult read = TextFile::readBytes(fileName, TextFile::MaxStoreBytes);
    if (!read.ok) {
        // A pipe, a device or an oversized file reads as empty, but counts
        // as unreadable, so that nothing is ever written over it.
        return read.missing ? Load::Missing : Load::Failed;
    }
    *key = read.key;
    const DecodedText decoded = TextFile::decodeLines(read.bytes);
    const QString &text = decoded.text;
    profile->format = decoded.format;
    // Plain ASCII is valid UTF-8, and a profile file is UTF-8 unless it
    // proves otherwise; TextFile takes such text for the documents' code page.
    if (profile->format.encoding == TextFormat::Encoding::Windows1252 && QtPrivate::isAscii(QStringView(text))) {
        profile->format.encoding = TextFormat::Encoding::Utf8;
    }
    if (!text.contains(u'\n')) {
        // Nothing to go by: new lines get the line ends of new profile files.
        profile->format.lineEnd = TextFormat::settings().lineEnd;
    }
    if (text.isEmpty()) {
        return Load::Ok;
    }
    profile->lines = text.split(u'\n');
    profile->finalLineBreak = text.endsWith(u'\n');
    if (profile->finalLineBreak) {
        profile->lines.removeLast();
    }
    return Load::Ok;
}

// Files read recently, kept while they are unchanged on disk: a burst of
// look-ups (the thirty favourites at start-up, a help file's topics) reads
// the file once. A change by another program gives the file another size,
// time or inode (an atomic replacement), so it is read again at the next
// look-up.
struct CachedProfile
{
    QString fileName;
    TextFile::FileKey key;
    Profile profile;
    // The header line of each section's first occurrence, names case-folded;
    // built on the first look-up.
    QHash<QString, qsizetype> sections;
    bool indexed = false;
};

constexpr int CachedFiles = 4;

struct ProfileCache
{
    QMutex mutex;
    std::list<CachedProfile> entries; // most recently used first
};

ProfileCache &profileCache()
{
    static ProfileCache cache;
    return cache;
}

void buildIndex(CachedProfile &entry)
{
    const QStringList &lines = entry.profile.lines;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        // Only header lines count here; most lines are entries, and this
        // pass must stay cheap for files of many megabytes.
        const QString &text = lines.at(i);
        qsizetype first = 0;
        while (first < text.size() && isBlank(text.at(first))) {
            ++first;
        }
        if (first == text.size() || text.at(first) != u'[') {
            continue;
        }
        const QString name = classify(text).name.toString().toCaseFolded();
        if (!entry.sections.contains(name)) {
            entry.sections.insert(name, i);
        }
    }
    entry.indexed = true;
}

// Runs use on the file's cached profile, reading it first when it is not
// cached or changed on disk. Returns how the file could be read.
template <typename Use> Load withProfile(const QString &fileName, Use use)
{
    ProfileCache &cache = profileCache();
    const TextFile::FileKey now = TextFile::FileKey::of(fileName);
    QMutexLocker locker(&cache.mutex);
    for (auto it = cache.entries.begin(); it != cache.entries.end(); ++it) {
        if (it->fileName == fileName) {
            if (now.valid && it->key == now) {
                cache.entries.splice(cache.entries.begin(), cache.entries, it);
                use(cache.entries.front());
                return Load::Ok;
            }
            cache.entries.erase(it);
            break;
        }
    }
    locker.unlock();
    CachedProfile fresh;
    fresh.fileName = fileName;
    const Load loaded = loadFromDisk(fileName, &fresh.profile, &fresh.key);
    if (loaded != Load::Ok) {
        return loaded;
    }
    locker.relock();
    cache.entries.push_front(std::move(fresh));
    if (cache.entries.size() > CachedFiles) {
        cache.entries.pop_back();
    }
    use(cache.entries.front());
    return Load::Ok;
}

Load load(const QString &fileName, Profile *profile)
{
    return withProfile(fileName, [profile](const CachedProfile &entry) { *profile = entry.profile; });
}

// Where one occurrence of a section lies: its header and the lines up to the
// next header.
struct Range
{
    qsizetype header = -1;
    qsizetype end = -1;
};

QList<Range> sectionRanges(const QStringList &lines, QStringView section)
{
    QList<Range> ranges;
    Range *open = nullptr;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const Line line = classify(lines.at(i));
        if (line.kind != Line::Kind::Section) {
            continue;
        }
        if (open) {
            open->end = i;
            open = nullptr;
        }
        if (sameName(line.name, section)) {
            ranges.append({i, lines.size()});
            open = &ranges.last();
        }
    }
    return ranges;
}

qsizetype findKey(const QStringList &lines, const Range &range, QStringView key)
{
    for (qsizetype i = range.header + 1; i < range.end; ++i) {
        const Line line = classify(lines.at(i));
        if (line.kind == Line::Kind::Entry && sameName(line.name, key)) {
            return i;
        }
    }
    return -1;
}

// Names that would read back as something else are refused rather than
// written into a file they would damage.
bool validSection(QStringView section)
{
    return !section.isEmpty() && !section.contains(u']') && !section.contains(u'\n') && !section.contains(u'\r');
}

bool validKey(QStringView key)
{
    return !key.isEmpty() && !key.startsWith(u'[') && !key.startsWith(u';') && !key.contains(u'=') &&
           !key.contains(u'\n') && !key.contains(u'\r');
}

// The profile functions hand back a quoted value without its quotes.
QString readValue(QStringView value)
{
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') && value.back() == value.front()) {
        value = value.sliced(1, value.size() - 2);
    }
    if (value.size() > IniFiles::MaxValueLength) {
        qsizetype length = IniFiles::MaxValueLength;
        // Half a surrogate pair would turn into '?' once written anywhere.
        if (value[length - 1].isHighSurrogate()) {
            --length;
        }
        value = value.first(length);
    }
    return value.toString();
}

bool save(const QString &fileName, const Profile &profile)
{
    return TextFile::write(fileName, profile.text(), profile.format).ok;
}

// The changes work on the lines in memory; a batch of them is one read and
// one atomic write of the file.
bool writeInto(Profile &profile, QStringView sectionName, QStringView keyName, const QString &value)
{
    if (!validSection(sectionName) || !validKey(keyName)) {
        return false;
    }
    // A line break would end the entry early and turn the rest of the value
    // into a line of its own, so it is written as a blank instead.
    QString cleanValue = value;
    cleanValue.replace(QLatin1String("\r\n"), QLatin1String(" "));
    cleanValue.replace(u'\r', u' ');
    cleanValue.replace(u'\n', u' ');

    QStringList &lines = profile.lines;
    const QList<Range> ranges = sectionRanges(lines, sectionName);
    if (ranges.isEmpty()) {
        if (!lines.isEmpty() && !trimmed(lines.last()).isEmpty()) {
            lines.append(QString());
        }
        lines.append(u'[' + sectionName.toString() + u']');
        lines.append(keyName.toString() + u'=' + cleanValue);
        return true;
    }
    const Range &first = ranges.first();
    const qsizetype existing = findKey(lines, first, keyName);
    if (existing >= 0) {
        const Line line = classify(lines.at(existing));
        // An unchanged value leaves the line as the user formatted it; a
        // changed one keeps at least the file's spelling of the key.
        if (line.value != cleanValue) {
            lines[existing] = line.name.toString() + u'=' + cleanValue;
        }
        return true;
    }
    qsizetype after = first.header;
    for (qsizetype i = first.end - 1; i > first.header; --i) {
        if (!trimmed(lines.at(i)).isEmpty()) {
            after = i;
            break;
        }
    }
    lines.insert(after + 1, keyName.toString() + u'=' + cleanValue);
    return true;
}

bool deleteFrom(Profile &profile, QStringView sectionName)
{
    if (sectionName.isEmpty()) {
        return false;
    }
    const QList<Range> ranges = sectionRanges(profile.lines, sectionName);
    if (ranges.isEmpty()) {
        return true;
    }
    // The lines left over all had their line break; only the removed last
    // one may have lacked it.
    if (ranges.last().end == profile.lines.size()) {
        profile.finalLineBreak = true;
    }
    for (auto range = ranges.crbegin(); range != ranges.crend(); ++range) {
        profile.lines.remove(range->header, range->end - range->header);
    }
    return true;
}

} // namespace

namespace IniFiles {

bool ApplyINIChanges(const QString &fileName, const QList<Change> &changes)
{
    Profile profile;
    const Load loaded = load(fileName, &profile);
    if (loaded == Load::Failed) {
        // Unreadable is not empty: writing now would throw the content away.
        return false;
    }
    const bool writes =
        std::any_of(changes.begin(), changes.end(), [](const Change &c) { return c.kind == Change::Kind::Write; });
    if (loaded == Load::Missing && !writes) {
        return true; // nothing to delete from, and nothing is created
    }
    const QString before = profile.text();
    bool ok = true;
    for (const Change &change : changes) {
        const QStringView section = trimmed(change.section);
        ok = (change.kind == Change::Kind::Write ? writeInto(profile, section, trimmed(change.key), change.value)
                                                 : deleteFrom(profile, section)) &&
             ok;
    }
    if (loaded == Load::Ok && profile.text() == before) {
        return ok;
    }
    if (loaded == Load::Missing && !QDir().mkpath(QFileInfo(fileName).absolutePath())) {
        return false;
    }
    return save(fileName, profile) && ok;
}

bool WriteINI(const QString &fileName, const QString &section, const QString &key, const QString &value)
{
    if (!validSection(trimmed(section)) || !validKey(trimmed(key))) {
        return false;
    }
    return ApplyINIChanges(fileName, {{Change::Kind::Write, section, key, value}});
}

QString GetINIString(const QString &fileName, const QString &section, const QString &key)
{
    const QStringView sectionName = trimmed(section);
    const QStringView keyName = trimmed(key);
    if (sectionName.isEmpty() || keyName.isEmpty()) {
        return {};
    }
    QString value;
    withProfile(fileName, [&](CachedProfile &entry) {
        if (!entry.indexed) {
            buildIndex(entry);
        }
        const qsizetype header = entry.sections.value(sectionName.toString().toCaseFolded(), -1);
        if (header < 0) {
            return;
        }
        const QStringList &lines = entry.profile.lines;
        for (qsizetype i = header + 1; i < lines.size(); ++i) {
            const Line line = classify(lines.at(i));
            if (line.kind == Line::Kind::Section) {
                return;
            }
            if (line.kind == Line::Kind::Entry && sameName(line.name, keyName)) {
                value = readValue(line.value);
                return;
            }
        }
    });
    return value;
}

Snapshot Snapshot::read(const QString &fileName)
{
    Snapshot snapshot;
    Profile profile;
    if (load(fileName, &profile) == Load::Ok) {
        snapshot.m_lines = std::move(profile.lines);
    }
    return snapshot;
}

QString Snapshot::value(const QString &section, const QString &key) const
{
    const QStringView sectionName = trimmed(section);
    const QStringView keyName = trimmed(key);
    if (sectionName.isEmpty() || keyName.isEmpty()) {
        return {};
    }
    const QList<Range> ranges = sectionRanges(m_lines, sectionName);
    if (ranges.isEmpty()) {
        return {};
    }
    const qsizetype found = findKey(m_lines, ranges.first(), keyName);
    if (found < 0) {
        return {};
    }
    return readValue(classify(m_lines.at(found)).value);
}

bool DeleteINISection(const QString &fileName, const QString &section)
{
    if (trimmed(section).isEmpty()) {
        return false;
    }
    return ApplyINIChanges(fileName, {{Change::Kind::DeleteSection, section, {}, {}}});
}

} // namespace IniFiles
