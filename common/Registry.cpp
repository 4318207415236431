#include "Registry.h"

#include "AppPaths.h"
#include "TextFile.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QMutex>
#include <QStringDecoder>
#include <QThread>

#include <cerrno>
#include <optional>
#include <vector>

#include <pwd.h>
#include <unistd.h>

namespace {

constexpr char kHeader[] = "Windows Registry Editor Version 5.00";
const QLatin1String kCurrentUser("HKEY_CURRENT_USER");

// Long enough for a slow disk, short enough that a program killed while
// holding the lock does not block the next one for long.
constexpr int kStaleLockMs = 5000;
constexpr int kLockWaitMs = 10000;

struct Value
{
    QString name; // empty for the default value, written as @
    bool isNumber = false;
    QString text;
    quint32 number = 0;
};

struct Key
{
    QString path; // below HKEY_CURRENT_USER, empty for the root itself
    QList<Value> values;

    qsizetype indexOfValue(const QString &name) const
    {
        for (qsizetype i = 0; i < values.size(); ++i) {
            if (values.at(i).name.compare(name, Qt::CaseInsensitive) == 0) {
                return i;
            }
        }
        return -1;
    }
};

struct Store
{
    QList<Key> keys;

    qsizetype indexOf(const QString &path) const
    {
        for (qsizetype i = 0; i < keys.size(); ++i) {
            if (keys.at(i).path.compare(path, Qt::CaseInsensitive) == 0) {
                return i;
            }
        }
        return -1;
    }

    bool exists(const QString &path) const { return path.isEmpty() || indexOf(path) >= 0; }

    // Adds the key and its missing parents, parents first. A part that already
    // exists keeps the spelling it was first written with.
    qsizetype add(const QString &path)
    {
        const qsizetype found = indexOf(path);
        if (found >= 0) {
            return found;
        }
        if (path.isEmpty()) {
            keys.prepend(Key{});
            return 0;
        }
        QString spelled;
        const qsizetype cut = path.lastIndexOf(u'\\');
        if (cut >= 0) {
            const qsizetype parent = add(path.left(cut));
            spelled = keys.at(parent).path + path.mid(cut);
        } else {
            spelled = path;
        }
        keys.append(Key{spelled, {}});
        return keys.size() - 1;
    }
};

enum class ReadResult
{
    Ok,
    Missing,
    Failed
};

// --- key names -------------------------------------------------------------

// Trailing backslashes are dropped; an empty part inside the path or a line
// break (which the file cannot hold in a key line) makes the name unusable.
std::optional<QString> normalisedKey(const QString &subKey)
{
    QString path = subKey;
    while (path.endsWith(u'\\')) {
        path.chop(1);
    }
    if (path.isEmpty()) {
        return path;
    }
    if (path.contains(u'\n') || path.contains(u'\r')) {
        return std::nullopt;
    }
    const QStringList parts = path.split(u'\\');
    for (const QString &part : parts) {
        if (part.isEmpty()) {
            return std::nullopt;
        }
    }
    return path;
}

// --- reading ---------------------------------------------------------------

// Reads a quoted string starting at pos (which holds the opening quote).
// Returns the position after the closing quote, or -1 when the string does
// not end on this line.
qsizetype readQuoted(const QString &line, qsizetype pos, QString &out)
{
    out.clear();
    for (qsizetype i = pos + 1; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (c == u'"') {
            return i + 1;
        }
        if (c == u'\\' && i + 1 < line.size()) {
            const QChar next = line.at(++i);
            if (next == u'n') {
                out += u'\n';
            } else if (next == u'r') {
                out += u'\r';
            } else if (next == u'\\' || next == u'"') {
                out += next;
            } else {
                // Hand-edited files sometimes hold a lone backslash, as in
                // "C:\Temp"; keep it rather than lose the value.
                out += u'\\';
                out += next;
            }
            continue;
        }
        out += c;
    }
    return -1;
}

bool onlySpaceFrom(const QString &line, qsizetype pos)
{
    for (qsizetype i = pos; i < line.size(); ++i) {
        if (!line.at(i).isSpace()) {
            return false;
        }
    }
    return true;
}

std::optional<Value> parseValueLine(const QString &line)
{
    Value value;
    qsizetype pos = 0;
    while (pos < line.size() && line.at(pos).isSpace()) {
        ++pos;
    }
    if (pos >= line.size()) {
        return std::nullopt;
    }
    if (line.at(pos) == u'@') {
        ++pos;
    } else if (line.at(pos) == u'"') {
        pos = readQuoted(line, pos, value.name);
        if (pos < 0 || value.name.isEmpty()) {
            return std::nullopt;
        }
    } else {
        return std::nullopt;
    }
    if (pos >= line.size() || line.at(pos) != u'=') {
        return std::nullopt;
    }
    ++pos;
    if (pos < line.size() && line.at(pos) == u'"') {
        pos = readQuoted(line, pos, value.text);
        if (pos < 0 || !onlySpaceFrom(line, pos)) {
            return std::nullopt;
        }
        return value;
    }
    const QLatin1String dword("dword:");
    if (QStringView(line).mid(pos, dword.size()).compare(dword, Qt::CaseInsensitive) != 0) {
        // Other kinds (hex:, hex(2):, "-" for removal) are not ours to read.
        return std::nullopt;
    }
    pos += dword.size();
    // Exactly eight digits: a line cut short must not pass for a smaller number.
    const QStringView digits = QStringView(line).mid(pos, 8);
    if (digits.size() != 8 || !onlySpaceFrom(line, pos + 8)) {
        return std::nullopt;
    }
    quint32 number = 0;
    for (const QChar c : digits) {
        const char16_t u = c.unicode();
        quint32 digit = 0;
        if (u >= u'0' && u <= u'9') {
            digit = u - u'0';
        } else if (u >= u'a' && u <= u'f') {
            digit = u - u'a' + 10;
        } else if (u >= u'A' && u <= u'F') {
            digit = u - u'A' + 10;
        } else {
            return std::nullopt;
        }
        number = number * 16 + digit;
    }
    value.isNumber = true;
    value.number = number;
    return value;
}

// Returns the key a section line opens, or nullopt for a section that is not
// ours (another root, a removal entry "[-...]", a malformed name).
std::optional<QString> parseKeyLine(const QString &trimmed)
{
    if (trimmed.size() < 2 || !trimmed.endsWith(u']')) {
        return std::nullopt;
    }
    const QString inner = trimmed.mid(1, trimmed.size() - 2);
    const qsizetype slash = inner.indexOf(u'\\');
    const QString root = slash < 0 ? inner : inner.left(slash);
    if (root.compare(kCurrentUser, Qt::CaseInsensitive) != 0) {
        return std::nullopt;
    }
    return normalisedKey(slash < 0 ? QString() : inner.mid(slash + 1));
}

// Calls visit(line) for each line of text; CR, LF and CR LF all end one.
template <typename View, typename Visit> void forEachLine(View text, Visit visit)
{
    while (!text.isEmpty()) {
        qsizetype end = 0;
        while (end < text.size() && text[end] != u'\n' && text[end] != u'\r') {
            ++end;
        }
        visit(text.first(end));
        qsizetype next = end + 1;
        if (end < text.size() && text[end] == u'\r' && next < text.size() && text[next] == u'\n') {
            ++next;
        }
        text = next < text.size() ? text.sliced(next) : View();
    }
}

// The file is this program's own UTF-8, or an export of the Windows registry
// editor: UTF-16 with a byte-order mark ("Windows Registry Editor Version
// 5.00"), or the older "REGEDIT4" in the Windows code page.
void parseStore(const QByteArray &bytes, Store &store)
{
    // -1: outside any key of ours, values there are skipped.
    qsizetype current = -1;
    const auto take = [&store, &current](const QString &line) {
        const QString trimmed = line.trimmed();
        if (trimmed.startsWith(u'[')) {
            const std::optional<QString> path = parseKeyLine(trimmed);
            current = path ? store.add(*path) : -1;
            return;
        }
        if (current < 0) {
            return;
        }
        std::optional<Value> value = parseValueLine(line);
        if (!value) {
            return;
        }
        Key &key = store.keys[current];
        const qsizetype existing = key.indexOfValue(value->name);
        if (existing >= 0) {
            // The later line wins, as when such a file is imported.
            value->name = key.values.at(existing).name;
            key.values[existing] = *value;
        } else {
            key.values.append(*value);
        }
    };

    QString wide;
    bool bigEndian = false;
    if (TextFile::decodeUtf16(bytes, &wide, &bigEndian)) {
        forEachLine(QStringView(wide), [&take](QStringView line) { take(line.toString()); });
        return;
    }
    QByteArrayView data = bytes;
    if (data.startsWith("\xEF\xBB\xBF")) {
        data = data.sliced(3);
    }
    const bool codePage = data.startsWith("REGEDIT4");
    forEachLine(data, [&](QByteArrayView raw) {
        if (codePage) {
            take(TextFile::decodeWindows1252(raw));
            return;
        }
        // In a file of our own, a line that is not valid UTF-8 is damage, not
        // text.
        QStringDecoder decoder(QStringDecoder::Utf8,
                               QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
        const QString line = decoder.decode(raw);
        if (decoder.hasError()) {
            // A damaged key line must not hand its values to the key before.
            if (raw.trimmed().startsWith('[')) {
                current = -1;
            }
            return;
        }
        take(line);
    });
}

// Values of kinds this store does not write (binary, multi-string, values
// under other roots) are skipped while reading, so a rewrite drops them. The
// file is only ever written by this program, where they cannot arise.
ReadResult readStore(const QString &fileName, Store &store)
{
    const TextFile::BytesResult read = TextFile::readBytes(fileName, TextFile::MaxStoreBytes);
    if (!read.ok) {
        // A pipe, a device or an oversized file is unreadable, not empty:
        // it is never written over.
        return read.missing ? ReadResult::Missing : ReadResult::Failed;
    }
    parseStore(read.bytes, store);
    return ReadResult::Ok;
}

// --- writing ---------------------------------------------------------------

QByteArray quoted(const QString &text)
{
    QString out;
    out.reserve(text.size() + 2);
    out += u'"';
    for (const QChar c : text) {
        if (c == u'\\' || c == u'"') {
            out += u'\\';
            out += c;
        } else if (c == u'\n') {
            out += QLatin1String("\\n");
        } else if (c == u'\r') {
            out += QLatin1String("\\r");
        } else {
            out += c;
        }
    }
    out += u'"';
    return out.toUtf8();
}

QByteArray serialise(const Store &store)
{
    QByteArray out = QByteArray(kHeader) + "\n\n";
    for (const Key &key : store.keys) {
        out += '[';
        out += kCurrentUser.latin1();
        if (!key.path.isEmpty()) {
            out += '\\';
            out += key.path.toUtf8();
        }
        out += "]\n";
        for (const Value &value : key.values) {
            out += value.name.isEmpty() ? QByteArray("@") : quoted(value.name);
            out += '=';
            if (value.isNumber) {
                out += "dword:" + QByteArray::number(value.number, 16).rightJustified(8, '0');
            } else {
                out += quoted(value.text);
            }
            out += '\n';
        }
        out += '\n';
    }
    return out;
}

// Waits for the lock with short naps of its own: QLockFile's built-in
// back-off doubles its sleep and would let a busy writer starve the other.
bool acquire(QLockFile &lock)
{
    lock.setStaleLockTime(kStaleLockMs);
    QDeadlineTimer deadline(kLockWaitMs);
    for (;;) {
        if (lock.tryLock(0)) {
            return true;
        }
        if (lock.error() != QLockFile::LockFailedError || deadline.hasExpired()) {
            return false;
        }
        QThread::msleep(5);
    }
}

struct Change
{
    bool result = false;
    bool changed = false;
};

// Every change re-reads the file under the lock, so values another program
// wrote in the meantime are kept.
template <typename Apply> bool update(Apply apply)
{
    // A symbolic link (to a synchronised folder, say) stays a link.
    const QString target = TextFile::writeTarget(Registry::storeFile());
    // A device, a pipe or a folder (the null device, to switch the store
    // off) gets no lock file beside it either.
    if (target.isEmpty() || !TextFile::writeRefusal(target).isEmpty() ||
        !AppPaths::ensureFolder(QFileInfo(target).absolutePath())) {
        return false;
    }
    QLockFile lock(target + QStringLiteral(".lock"));
    if (!acquire(lock)) {
        return false;
    }
    Store store;
    if (readStore(target, store) == ReadResult::Failed) {
        // Writing now would replace a file we could not read.
        return false;
    }
    const Change change = apply(store);
    if (!change.changed) {
        return change.result;
    }
    return TextFile::writeBytes(target, serialise(store)).isEmpty() && change.result;
}

// The kind stored follows the kind of the value; anything but whole numbers
// and text has no kind in the store.
std::optional<Value> storedValue(const QString &name, const QVariant &value)
{
    Value stored;
    stored.name = name;
    switch (value.typeId()) {
    case QMetaType::Short:
    case QMetaType::Int:
        // Negative numbers keep their bit pattern, as a 32-bit value does.
        stored.isNumber = true;
        stored.number = static_cast<quint32>(value.toInt());
        return stored;
    case QMetaType::UShort:
    case QMetaType::UInt:
        stored.isNumber = true;
        stored.number = value.toUInt();
        return stored;
    case QMetaType::QString:
        stored.text = value.toString();
        return stored;
    default:
        return std::nullopt;
    }
}

// Sets the value in the key; true when that changed the key. An existing
// value keeps the spelling of its name.
bool assign(Key &key, Value value)
{
    const qsizetype existing = key.indexOfValue(value.name);
    if (existing < 0) {
        key.values.append(value);
        return true;
    }
    Value &old = key.values[existing];
    if (old.isNumber == value.isNumber && old.number == value.number && old.text == value.text) {
        return false;
    }
    value.name = old.name;
    old = value;
    return true;
}

// The store as last read, kept while the file is unchanged on disk: start-up
// asks for dozens of values, and each would otherwise read the whole file.
// Another program's write replaces the file (a new inode), so the next
// look-up reads it again.
struct CachedStore
{
    QMutex mutex;
    QString fileName;
    TextFile::FileKey key;
    Store store;
};

CachedStore &cachedStore()
{
    static CachedStore cache;
    return cache;
}

// Reading needs no lock: the file is only ever replaced as a whole.
std::optional<Store> currentStore()
{
    const QString fileName = Registry::storeFile();
    const TextFile::FileKey now = TextFile::FileKey::of(fileName);
    CachedStore &cache = cachedStore();
    {
        const QMutexLocker locker(&cache.mutex);
        if (now.valid && cache.fileName == fileName && cache.key == now) {
            return cache.store;
        }
    }
    const TextFile::BytesResult read = TextFile::readBytes(fileName, TextFile::MaxStoreBytes);
    if (!read.ok) {
        if (read.missing) {
            return Store{};
        }
        return std::nullopt;
    }
    Store store;
    parseStore(read.bytes, store);
    const QMutexLocker locker(&cache.mutex);
    cache.fileName = fileName;
    cache.key = read.key;
    cache.store = store;
    return store;
}

// --- HKEY_LOCAL_MACHINE ----------------------------------------------------

QString accountFullName()
{
    const long suggested = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(suggested > 0 ? static_cast<size_t>(suggested) : 4096);
    passwd entry{};
    passwd *found = nullptr;
    int error = 0;
    // Directory services may hand back entries larger than the suggested size.
    while ((error = getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found)) == ERANGE &&
           buffer.size() < 1024 * 1024) {
        buffer.resize(buffer.size() * 2);
    }
    if (error != 0 || found == nullptr || found->pw_gecos == nullptr) {
        return QString();
    }
    // The GECOS field is "Full Name,Room,Work phone,Home phone,Other".
    const QString gecos = QString::fromLocal8Bit(found->pw_gecos);
    return gecos.section(u',', 0, 0).trimmed();
}

bool isMachineVersionKey(const QString &path)
{
    static const QLatin1String keys[] = {
        QLatin1String("Software"),
        QLatin1String("Software\\Microsoft"),
        QLatin1String("Software\\Microsoft\\Windows"),
        QLatin1String("Software\\Microsoft\\Windows Nt"),
        QLatin1String("Software\\Microsoft\\Windows\\CurrentVersion"),
        QLatin1String("Software\\Microsoft\\Windows Nt\\CurrentVersion"),
    };
    for (const QLatin1String key : keys) {
        if (path.compare(key, Qt::CaseInsensitive) == 0) {
            return true;
        }
    }
    return false;
}

bool isOwnerKey(const QString &path)
{
    return path.endsWith(QLatin1String("\\CurrentVersion"), Qt::CaseInsensitive) && isMachineVersionKey(path);
}

bool machineKeyExists(const QString &subKey)
{
    const std::optional<QString> path = normalisedKey(subKey);
    if (!path) {
        return false;
    }
    return path->isEmpty() || (isMachineVersionKey(*path) && !accountFullName().isEmpty());
}

bool queryMachineValue(const QString &subKey, const QString &valueName, QVariant &value)
{
    const std::optional<QString> path = normalisedKey(subKey);
    if (!path || !isOwnerKey(*path) || valueName.compare(QLatin1String("RegisteredOwner"), Qt::CaseInsensitive) != 0) {
        return false;
    }
    const QString owner = accountFullName();
    if (owner.isEmpty()) {
        return false;
    }
    value = owner;
    return true;
}

struct StoreFileSetting
{
    QMutex mutex;
    QString path;
};

StoreFileSetting &storeFileSetting()
{
    static StoreFileSetting setting;
    return setting;
}

} // namespace

namespace Registry {

void setStoreFile(const QString &path)
{
    StoreFileSetting &setting = storeFileSetting();
    const QMutexLocker locker(&setting.mutex);
    setting.path = path;
}

QString storeFile()
{
    StoreFileSetting &setting = storeFileSetting();
    const QMutexLocker locker(&setting.mutex);
    return setting.path.isEmpty() ? AppPaths::registryFile() : setting.path;
}

bool KeyExists(Root root, const QString &subKey)
{
    if (root == Root::LocalMachine) {
        return machineKeyExists(subKey);
    }
    const std::optional<QString> path = normalisedKey(subKey);
    if (!path) {
        return false;
    }
    if (path->isEmpty()) {
        return true;
    }
    const std::optional<Store> store = currentStore();
    return store && store->exists(*path);
}

bool CreateRegKey(Root root, const QString &subKey, const QString &classText)
{
    Q_UNUSED(classText)
    const std::optional<QString> path = normalisedKey(subKey);
    if (root != Root::CurrentUser || !path || path->isEmpty()) {
        return false;
    }
    return update([&](Store &store) {
        if (store.exists(*path)) {
            return Change{false, false};
        }
        store.add(*path);
        return Change{true, true};
    });
}

bool SetRegValue(Root root, const QString &subKey, const QString &valueName, const QVariant &value)
{
    return SetRegValues(root, subKey, {{valueName, value}});
}

bool SetRegValues(Root root, const QString &subKey, const QList<std::pair<QString, QVariant>> &values)
{
    if (root != Root::CurrentUser) {
        return false;
    }
    const std::optional<QString> path = normalisedKey(subKey);
    if (!path) {
        return false;
    }
    QList<Value> stored;
    for (const auto &[name, value] : values) {
        if (const std::optional<Value> converted = storedValue(name, value)) {
            stored.append(*converted);
        }
    }
    if (stored.isEmpty()) {
        // Nothing of a kind the store holds: nothing is written.
        return KeyExists(root, *path);
    }
    return update([&](Store &store) {
        if (!store.exists(*path)) {
            return Change{false, false};
        }
        Key &key = store.keys[store.add(*path)];
        bool changed = false;
        for (const Value &value : std::as_const(stored)) {
            changed = assign(key, value) || changed;
        }
        return Change{true, changed};
    });
}

bool QueryRegValue(Root root, const QString &subKey, const QString &valueName, QVariant &value)
{
    if (root == Root::LocalMachine) {
        return queryMachineValue(subKey, valueName, value);
    }
    const std::optional<QString> path = normalisedKey(subKey);
    if (!path) {
        return false;
    }
    const std::optional<Store> store = currentStore();
    if (!store) {
        return false;
    }
    const qsizetype keyIndex = store->indexOf(*path);
    if (keyIndex < 0) {
        return false;
    }
    const Key &key = store->keys.at(keyIndex);
    const qsizetype valueIndex = key.indexOfValue(valueName);
    if (valueIndex < 0) {
        return false;
    }
    const Value &found = key.values.at(valueIndex);
    value = found.isNumber ? QVariant::fromValue(static_cast<uint>(found.number)) : QVariant(found.text);
    return true;
}

bool DeleteRegValue(Root root, const QString &subKey, const QString &valueName)
{
    const std::optional<QString> path = normalisedKey(subKey);
    if (root != Root::CurrentUser || !path) {
        return false;
    }
    return update([&](Store &store) {
        const qsizetype keyIndex = store.indexOf(*path);
        if (keyIndex < 0) {
            return Change{false, false};
        }
        Key &key = store.keys[keyIndex];
        const qsizetype valueIndex = key.indexOfValue(valueName);
        if (valueIndex < 0) {
            return Change{false, false};
        }
        key.values.removeAt(valueIndex);
        return Change{true, true};
    });
}

} // namespace Registry
