#include "IniFile.h"

#include "TextFile.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QStringDecoder>
#include <QStringList>

#include <algorithm>
#include <list>

namespace {

// Only blanks and tabs, like the profile functions: a no-break space (byte
// 0xA0 in Windows-1252) belongs to the value.
bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
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

// How the bytes of one line are written. A file mixes UTF-8 and Windows-1252
// where programs of both kinds wrote to it; each line keeps its own, so a
// write changes no byte of the lines it leaves alone.
enum class Code : quint8
{
    Utf8,
    Windows1252,
    Utf16
};

// CR, LF and CR LF all end a line; each line keeps its own.
enum class End : quint8
{
    None, // the last line, without a line break
    Lf,
    CrLf,
    Cr
};

struct ProfileLine
{
    QString text;
    Code code = Code::Utf8;
    End end = End::Lf;
};

struct Profile
{
    enum class Base
    {
        Utf8,
        Windows1252,
        Utf16Le,
        Utf16Be
    };

    QList<ProfileLine> lines;
    // The file's own way, for lines that are new or changed.
    Base base = Base::Utf8;
    bool bom = false;
    End style = End::Lf;
    bool changed = false;

    bool wide() const { return base == Base::Utf16Le || base == Base::Utf16Be; }
};

inline char16_t unitOf(QChar c)
{
    return c.unicode();
}

inline char16_t unitOf(char c)
{
    return static_cast<unsigned char>(c);
}

// Calls visit(line, end) for each line of text, without its line break.
template <typename View, typename Visit> void splitLines(View text, Visit visit)
{
    const qsizetype size = text.size();
    qsizetype start = 0;
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t c = unitOf(text[i]);
        if (c != u'\n' && c != u'\r') {
            continue;
        }
        End end = End::Lf;
        qsizetype next = i + 1;
        if (c == u'\r') {
            end = End::Cr;
            if (next < size && unitOf(text[next]) == u'\n') {
                end = End::CrLf;
                ++next;
            }
        }
        visit(text.sliced(start, i - start), end);
        start = next;
        i = next - 1;
    }
    if (start < size) {
        visit(text.sliced(start), End::None);
    }
}

// A file that is valid UTF-8 as a whole (plain ASCII too) is UTF-8. In any
// other file a line is UTF-8 only where that reading is the plausible one,
// and Windows-1252 otherwise. UTF-16 needs its byte-order mark.
Profile parseProfile(const QByteArray &bytes)
{
    Profile profile;
    QString wide;
    bool bigEndian = false;
    if (TextFile::decodeUtf16(bytes, &wide, &bigEndian)) {
        profile.base = bigEndian ? Profile::Base::Utf16Be : Profile::Base::Utf16Le;
        profile.bom = true;
        splitLines(QStringView(wide), [&profile](QStringView text, End end) {
            profile.lines.append({text.toString(), Code::Utf16, end});
        });
    } else {
        QByteArrayView rest = bytes;
        if (rest.startsWith(TextFile::Utf8Bom)) {
            profile.bom = true;
            rest = rest.sliced(TextFile::Utf8Bom.size());
        }
        const bool utf8 = TextFile::isUtf8(rest);
        profile.base = utf8 ? Profile::Base::Utf8 : Profile::Base::Windows1252;
        const Code baseCode = utf8 ? Code::Utf8 : Code::Windows1252;
        // A BOM in the middle of the file is a character of its line.
        QStringDecoder decoder(QStringDecoder::Utf8,
                               QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
        splitLines(rest, [&](QByteArrayView raw, End end) {
            ProfileLine line;
            line.end = end;
            if (QtPrivate::isAscii(QLatin1StringView(raw))) {
                line.text = QString::fromLatin1(raw);
                line.code = baseCode;
            } else if (utf8 || (TextFile::isUtf8(raw) && TextFile::utf8ReadingIsPlausible(raw))) {
                line.text = decoder.decode(raw);
                line.code = Code::Utf8;
            } else {
                line.text = TextFile::decodeWindows1252(raw);
                line.code = Code::Windows1252;
            }
            profile.lines.append(std::move(line));
        });
    }
    const auto broken = std::find_if(profile.lines.cbegin(), profile.lines.cend(),
                                     [](const ProfileLine &line) { return line.end != End::None; });
    // Nothing to go by: new lines get the line ends of new profile files, or
    // in UTF-16 those of the system that writes such files.
    profile.style = broken != profile.lines.cend() ? broken->end : profile.wide() ? End::CrLf : End::Lf;
    return profile;
}

QByteArrayView endBytes(End end)
{
    switch (end) {
    case End::None:
        return {};
    case End::Lf:
        return "\n";
    case End::CrLf:
        return "\r\n";
    case End::Cr:
        return "\r";
    }
    return {};
}

QByteArray bytesOf(const Profile &profile)
{
    const bool bigEndian = profile.base == Profile::Base::Utf16Be;
    QByteArray out;
    if (profile.wide()) {
        out = bigEndian ? QByteArrayLiteral("\xFE\xFF") : QByteArrayLiteral("\xFF\xFE");
    } else if (profile.bom) {
        out = TextFile::Utf8Bom;
    }
    for (const ProfileLine &line : profile.lines) {
        const QByteArrayView end = endBytes(line.end);
        if (profile.wide()) {
            out += TextFile::encodeUtf16(line.text, bigEndian);
            out += TextFile::encodeUtf16(QString::fromLatin1(end), bigEndian);
            continue;
        }
        if (line.code == Code::Windows1252) {
            // Chosen only for text that the code page holds (codeFor()).
            out += TextFile::encode(line.text, {TextFormat::Encoding::Windows1252, false, TextFormat::LineEnd::Lf});
        } else {
            out += line.text.toUtf8();
        }
        out += end;
    }
    return out;
}

// The code a new or changed line is written in: the file's own, and UTF-8
// in a Windows-1252 file for text that code page cannot hold.
Code codeFor(const Profile &profile, const QString &text)
{
    switch (profile.base) {
    case Profile::Base::Utf16Le:
    case Profile::Base::Utf16Be:
        return Code::Utf16;
    case Profile::Base::Utf8:
        return Code::Utf8;
    case Profile::Base::Windows1252:
        break;
    }
    return TextFile::fitsWindows1252(text) ? Code::Windows1252 : Code::Utf8;
}

void setLine(Profile &profile, qsizetype index, QString text)
{
    ProfileLine &line = profile.lines[index];
    line.code = codeFor(profile, text);
    line.text = std::move(text);
    profile.changed = true;
}

// A line put after the last one of a file without a final line break takes
// that lack over.
void insertLine(Profile &profile, qsizetype index, QString text)
{
    End end = profile.style;
    if (index == profile.lines.size() && index > 0 && profile.lines.last().end == End::None) {
        profile.lines.last().end = profile.style;
        end = End::None;
    }
    const Code code = codeFor(profile, text);
    profile.lines.insert(index, {std::move(text), code, end});
    profile.changed = true;
}

// The bytes to write: every line that was not changed as it was read. When
// they would read back as other text (a change made a mixed file valid UTF-8
// as a whole, or a new UTF-8 line passes for Windows-1252), the whole file
// is written in UTF-8 instead, which reads back as it is.
QByteArray bytesToWrite(Profile &profile)
{
    QByteArray bytes = bytesOf(profile);
    const Profile back = parseProfile(bytes);
    const bool same = std::equal(back.lines.cbegin(), back.lines.cend(), profile.lines.cbegin(), profile.lines.cend(),
                                 [](const ProfileLine &a, const ProfileLine &b) { return a.text == b.text; });
    if (same) {
        return bytes;
    }
    profile.base = Profile::Base::Utf8;
    for (ProfileLine &line : profile.lines) {
        line.code = Code::Utf8;
    }
    return bytesOf(profile);
}

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
    *profile = parseProfile(read.bytes);
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
    const QList<ProfileLine> &lines = entry.profile.lines;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        // Only header lines count here; most lines are entries, and this
        // pass must stay cheap for files of many megabytes.
        const QString &text = lines.at(i).text;
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

const QString &textOf(const QString &line)
{
    return line;
}

const QString &textOf(const ProfileLine &line)
{
    return line.text;
}

template <typename Lines> QList<Range> sectionRanges(const Lines &lines, QStringView section)
{
    QList<Range> ranges;
    Range *open = nullptr;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const Line line = classify(textOf(lines.at(i)));
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

template <typename Lines> qsizetype findKey(const Lines &lines, const Range &range, QStringView key)
{
    for (qsizetype i = range.header + 1; i < range.end; ++i) {
        const Line line = classify(textOf(lines.at(i)));
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

bool save(const QString &fileName, Profile &profile)
{
    return TextFile::writeBytes(fileName, bytesToWrite(profile)).isEmpty();
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

    const QList<ProfileLine> &lines = profile.lines;
    const QList<Range> ranges = sectionRanges(lines, sectionName);
    if (ranges.isEmpty()) {
        if (!lines.isEmpty() && !trimmed(lines.last().text).isEmpty()) {
            insertLine(profile, lines.size(), QString());
        }
        insertLine(profile, lines.size(), u'[' + sectionName.toString() + u']');
        insertLine(profile, lines.size(), keyName.toString() + u'=' + cleanValue);
        return true;
    }
    const Range &first = ranges.first();
    const qsizetype existing = findKey(lines, first, keyName);
    if (existing >= 0) {
        const Line line = classify(lines.at(existing).text);
        // An unchanged value leaves the line as the user formatted it; a
        // changed one keeps at least the file's spelling of the key.
        if (line.value != cleanValue) {
            setLine(profile, existing, line.name.toString() + u'=' + cleanValue);
        }
        return true;
    }
    qsizetype after = first.header;
    for (qsizetype i = first.end - 1; i > first.header; --i) {
        if (!trimmed(lines.at(i).text).isEmpty()) {
            after = i;
            break;
        }
    }
    insertLine(profile, after + 1, keyName.toString() + u'=' + cleanValue);
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
    // The lines left over all keep their line breaks.
    profile.changed = true;
    // Backwards, so the ranges still to remove keep their places. (No
    // std::views::reverse: clang 14 cannot build it over libstdc++ 12.)
    for (auto range = ranges.crbegin(); range != ranges.crend(); ++range) { // NOLINT(modernize-loop-convert)
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
    bool ok = true;
    for (const Change &change : changes) {
        const QStringView section = trimmed(change.section);
        ok = (change.kind == Change::Kind::Write ? writeInto(profile, section, trimmed(change.key), change.value)
                                                 : deleteFrom(profile, section)) &&
             ok;
    }
    if (loaded == Load::Ok && !profile.changed) {
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
        const QList<ProfileLine> &lines = entry.profile.lines;
        for (qsizetype i = header + 1; i < lines.size(); ++i) {
            const Line line = classify(lines.at(i).text);
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
        snapshot.m_lines.reserve(profile.lines.size());
        for (ProfileLine &line : profile.lines) {
            snapshot.m_lines.append(std::move(line.text));
        }
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
