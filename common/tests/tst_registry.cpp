#include "AppPaths.h"
#include "Registry.h"
#include "TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTest>

#include <memory>
#include <optional>

#include <pwd.h>
#include <signal.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using Registry::Root;

namespace {

const QString kKey = u"Software\\Tivorn\\Quandel Library"_s;
constexpr auto kWriterSwitch = "--registry-writer";
constexpr int kWritesPerProcess = 150;

QVariant query(const QString &key, const QString &name, Root root = Root::CurrentUser)
{
    QVariant value;
    Registry::QueryRegValue(root, key, name, value);
    return value;
}

// The second program of the two-writers test: the test binary started again.
int runWriter(const QString &store, const QString &prefix)
{
    Registry::setStoreFile(store);
    for (int i = 0; i < kWritesPerProcess; ++i) {
        if (!Registry::SetRegValue(Root::CurrentUser, kKey, prefix + QString::number(i), i)) {
            return 1;
        }
    }
    return 0;
}

} // namespace

class TestRegistry final : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void setValueStoresKind_data();
    void setValueStoresKind();
    void textRoundTrip_data();
    void textRoundTrip();
    void fileHasExportSyntax();
    void createKey_data();
    void createKey();
    void namesIgnoreCaseAndKeepFirstSpelling();
    void queryMissLeavesValueAndCreatesNothing();
    void deleteValue();
    void damagedFileReadsValidParts_data();
    void damagedFileReadsValidParts();
    void windowsExportsAreRead_data();
    void windowsExportsAreRead();
    void failedWriteReportsAndKeepsFile_data();
    void failedWriteReportsAndKeepsFile();
    void symbolicLinkIsFollowed();
    void specialStoreReadsEmptyAndIsNeverWritten_data();
    void specialStoreReadsEmptyAndIsNeverWritten();
    void loopOfLinksIsNotWrittenOver();
    void batchIsOneChange();
    void twoProcessesKeepEachOthersValues();
    void localMachineIsReadOnlyView_data();
    void localMachineIsReadOnlyView();

private:
    std::unique_ptr<TestEnvironment> m_env;
};

void TestRegistry::init()
{
    m_env = std::make_unique<TestEnvironment>();
    QVERIFY(m_env->isValid());
    QVERIFY(Registry::storeFile().startsWith(m_env->home()));
}

void TestRegistry::cleanup()
{
    m_env.reset();
}

void TestRegistry::setValueStoresKind_data()
{
    QTest::addColumn<QVariant>("input");
    QTest::addColumn<QByteArray>("line"); // empty: nothing is written
    QTest::addColumn<QVariant>("readBack");

    QTest::newRow("short") << QVariant::fromValue<short>(10) << "\"V\"=dword:0000000a"_ba << QVariant(10u);
    QTest::newRow("negative short") << QVariant::fromValue<short>(-1) << "\"V\"=dword:ffffffff"_ba
                                    << QVariant(0xffffffffu);
    QTest::newRow("ushort") << QVariant::fromValue<ushort>(65535) << "\"V\"=dword:0000ffff"_ba << QVariant(65535u);
    QTest::newRow("int") << QVariant(0x12345678) << "\"V\"=dword:12345678"_ba << QVariant(0x12345678u);
    QTest::newRow("negative int") << QVariant(-2) << "\"V\"=dword:fffffffe"_ba << QVariant(0xfffffffeu);
    QTest::newRow("uint") << QVariant(0xabcdef01u) << "\"V\"=dword:abcdef01"_ba << QVariant(0xabcdef01u);
    QTest::newRow("text") << QVariant(u"abc"_s) << "\"V\"=\"abc\""_ba << QVariant(u"abc"_s);
    QTest::newRow("bool") << QVariant(true) << QByteArray() << QVariant();
    QTest::newRow("double") << QVariant(1.5) << QByteArray() << QVariant();
    QTest::newRow("float") << QVariant(2.5f) << QByteArray() << QVariant();
    QTest::newRow("invalid") << QVariant() << QByteArray() << QVariant();
    QTest::newRow("long long") << QVariant(qlonglong(5)) << QByteArray() << QVariant();
    QTest::newRow("byte array") << QVariant("abc"_ba) << QByteArray() << QVariant();
}

void TestRegistry::setValueStoresKind()
{
    QFETCH(QVariant, input);
    QFETCH(QByteArray, line);
    QFETCH(QVariant, readBack);

    QVERIFY(Registry::CreateRegKey(Root::CurrentUser, kKey, QString()));
    QVERIFY(Registry::SetRegValue(Root::CurrentUser, kKey, u"V"_s, input));
    const QVariant stored = query(kKey, u"V"_s);
    QCOMPARE(stored.typeId(), readBack.typeId());
    QCOMPARE(stored, readBack);
    const QByteArray file = bytesOf(Registry::storeFile());
    QVERIFY(line.isEmpty() ? !file.contains("\"V\"") : file.contains(QByteArray('\n' + line + '\n')));
}

void TestRegistry::textRoundTrip_data()
{
    QTest::addColumn<QString>("text");

    QTest::newRow("empty") << QString();
    QTest::newRow("quotes") << u"Er sagte \"Hallo\""_s;
    QTest::newRow("backslashes") << u"C:\\Temp\\"_s;
    QTest::newRow("escape look-alikes") << u"\\\" \\\\ \\n"_s;
    QTest::newRow("umlauts and symbols") << u"Grüße aus Köln – ½ € 😀"_s;
    QTest::newRow("outer spaces") << u"  eingerückt  "_s;
    // A line break must not let a text smuggle a key or value into the file.
    QTest::newRow("line breaks") << u"a\r\n[HKEY_CURRENT_USER\\Injected]\n\"x\"=\"y\""_s;
}

void TestRegistry::textRoundTrip()
{
    QFETCH(QString, text);

    QVERIFY(Registry::CreateRegKey(Root::CurrentUser, kKey, QString()));
    const QString name = u"N "_s + text;
    QVERIFY(Registry::SetRegValue(Root::CurrentUser, kKey, name, text));
    QVERIFY(Registry::SetRegValue(Root::CurrentUser, kKey, u"After"_s, u"still here"_s));
    QCOMPARE(query(kKey, name), QVariant(text));
    QCOMPARE(query(kKey, u"After"_s), QVariant(u"still here"_s));
    QVERIFY(!Registry::KeyExists(Root::CurrentUser, u"Injected"_s));
}

void TestRegistry::fileHasExportSyntax()
{
    QVERIFY(Registry::CreateRegKey(Root::CurrentUser, kKey, u"ignored"_s));
    QVERIFY(Registry::SetRegValue(Root::CurrentUser, kKey, u"Path"_s, u"/home/anna/Dokumente"_s));
    QVERIFY(Registry::SetRegValue(Root::CurrentUser, kKey, u"Viewer"_s, 1));
    QCOMPARE(bytesOf(AppPaths::registryFile()), "Windows Registry Editor Version 5.00\n\n"
                                                "[HKEY_CURRENT_USER\\Software]\n\n"
                                                "[HKEY_CURRENT_USER\\Software\\Tivorn]\n\n"
                                                "[HKEY_CURRENT_USER\\Software\\Tivorn\\Quandel Library]\n"
                                                "\"Path\"=\"/home/anna/Dokumente\"\n"
                                                "\"Viewer\"=dword:00000001\n\n"_ba);
}

void TestRegistry::createKey_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("created");
    QTest::addColumn<bool>("exists");

    QTest::newRow("new key") << u"Software\\Other"_s << true << true;
    QTest::newRow("existing key") << kKey << false << true;
    QTest::newRow("existing, other case") << u"SOFTWARE\\tivorn\\QUANDEL library"_s << false << true;
    QTest::newRow("existing parent") << u"Software\\Tivorn"_s << false << true;
    QTest::newRow("trailing backslashes") << u"Software\\New\\\\"_s << true << true;
    QTest::newRow("root") << QString() << false << true;
    QTest::newRow("empty part") << u"Software\\\\Gap"_s << false << false;
    QTest::newRow("leading backslash") << u"\\Software\\Lead"_s << false << false;
    QTest::newRow("line break") << u"Software\\a\nb"_s << false << false;
}

void TestRegistry::createKey()
{
    QFETCH(QString, name);
    QFETCH(bool, created);
    QFETCH(bool, exists);

    QVERIFY(Registry::CreateRegKey(Root::CurrentUser, kKey, QString()));
    QVERIFY(Registry::SetRegValue(Root::CurrentUser, kKey, u"Path"_s, u"/x"_s));
    QCOMPARE(Registry::CreateRegKey(Root::CurrentUser, name, QString()), created);
    QCOMPARE(Registry::KeyExists(Root::CurrentUser, name), exists);
    QCOMPARE(query(kKey, u"Path"_s), QVariant(u"/x"_s));
}

void TestRegistry::namesIgnoreCaseAndKeepFirstSpelling()
{
    QVERIFY(Registry::CreateRegKey(Root::CurrentUser, u"Software\\Tivorn"_s, QString()));
    QVERIFY(Registry::CreateRegKey(Root::CurrentUser, u"SOFTWARE\\tivorn\\Child"_s, QString()));
    QVERIFY(Registry::SetRegValue(Root::CurrentUser, u"software\\TIVORN\\child"_s, u"Path"_s, u"a"_s));
    QVERIFY(Registry::SetRegValue(Root::CurrentUser, u"Software\\Tivorn\\Child"_s, u"PATH"_s, 7));
    QCOMPARE(query(u"SOFTWARE\\TIVORN\\CHILD"_s, u"path"_s), QVariant(7u));
    const QByteArray file = bytesOf(Registry::storeFile());
    QVERIFY(file.contains("[HKEY_CURRENT_USER\\Software\\Tivorn\\Child]\n\"Path\"=dword:00000007\n"));
    QCOMPARE(file.toLower().count("\"path\""), 1);
}

void TestRegistry::queryMissLeavesValueAndCreatesNothing()
{
    const QVariant untouched(42);
    QVariant value = untouched;
    QVERIFY(!Registry::QueryRegValue(Root::CurrentUser, kKey, u"Path"_s, value)); // no file yet
    // Setting a value never creates its key.
    QVERIFY(!Registry::SetRegValue(Root::CurrentUser, kKey, u"Path"_s, u"x"_s));
    QVERIFY(!Registry::SetRegValue(Root::CurrentUser, kKey, u"Path"_s, true));
    QVERIFY(!QFileInfo::exists(Registry::storeFile()));
    QVERIFY(Registry::CreateRegKey(Root::CurrentUser, kKey, QString()));
    QVERIFY(Registry::SetRegValue(Root::CurrentUser, kKey, u"Path"_s, u"/x"_s));
    QVERIFY(!Registry::QueryRegValue(Root::CurrentUser, kKey, u"Other"_s, value));
    QVERIFY(!Registry::QueryRegValue(Root::CurrentUser, kKey + u"\\Sub"_s, u"Path"_s, value));
    QVERIFY(!Registry::QueryRegValue(Root::LocalMachine, kKey, u"Path"_s, value));
    QCOMPARE(value, untouched);
}

void TestRegistry::deleteValue()
{
    QVERIFY(!Registry::DeleteRegValue(Root::CurrentUser, kKey, u"A"_s));
    QVERIFY(Registry::CreateRegKey(Root::CurrentUser, kKey, QString()));
    QVERIFY(Registry::SetRegValue(Root::CurrentUser, kKey, u"A"_s, 1));
    QVERIFY(Registry::SetRegValue(Root::CurrentUser, kKey, u"B"_s, u"b"_s));
    QVERIFY(Registry::DeleteRegValue(Root::CurrentUser, kKey, u"a"_s));
    QVERIFY(!Registry::DeleteRegValue(Root::CurrentUser, kKey, u"A"_s));
    QVERIFY(!query(kKey, u"A"_s).isValid());
    QCOMPARE(query(kKey, u"B"_s), QVariant(u"b"_s));
}

void TestRegistry::damagedFileReadsValidParts_data()
{
    QTest::addColumn<QByteArray>("content");

    const QByteArray header = "Windows Registry Editor Version 5.00\n\n"_ba;
    const QByteArray key = "[HKEY_CURRENT_USER\\Software\\Tivorn\\Quandel Library]\n"_ba;
    const QByteArray path = "\"Path\"=\"/x\"\n"_ba;
    const QByteArray viewer = "\"Viewer\"=dword:00000001\n"_ba;
    const QByteArray valid = header + key + path + viewer;

    QTest::newRow("cut inside a text") << valid + "\"Bad\"=\"unfinis"_ba;
    QTest::newRow("cut inside a number") << valid + "\"Bad\"=dword:0000"_ba;
    QTest::newRow("cut inside a key line") << valid + "\n[HKEY_CURRENT_USER\\Software\\Tiv"_ba;
    QTest::newRow("binary junk with NUL bytes")
        << header + key + path + QByteArray("\0\xff\xfe\x01junk\0\"Bad\"=\"x\"\n", 19) + viewer;
    QTest::newRow("text that is not UTF-8") << valid + "\"Bad\"=\"caf\xe9\"\n"_ba;
    QTest::newRow("missing header") << key + path + viewer;
    QTest::newRow("one megabyte line") << header + key + path + "\"Bad\"=\"" + QByteArray(1 << 20, 'x') + '\n' + viewer;
    QTest::newRow("one megabyte of control bytes") << header + key + path + QByteArray(1 << 20, '\x01') + '\n' + viewer;
    QTest::newRow("unknown value kinds") << valid +
                                                "\"Bad\"=hex:01,02\n\"Bad2\"=hex(2):41,00,\\\n  00,00\n\"Bad3\"=-\n"_ba;
    QTest::newRow("CR LF and byte order mark")
        << "\xef\xbb\xbf"_ba + QByteArray(valid).replace("\n", "\r\n") + "\"Bad\"\r\n"_ba;
    QTest::newRow("values outside any key") << "\"Bad\"=\"x\"\n"_ba + valid;
    QTest::newRow("values under another root")
        << valid + "[HKEY_LOCAL_MACHINE\\Software\\Tivorn\\Quandel Library]\n\"Bad\"=\"x\"\n"_ba;
    QTest::newRow("values under a damaged key line")
        << valid + "[HKEY_CURRENT_USER\\Software\\Oth\xff\n\"Bad\"=\"x\"\n"_ba;
    QTest::newRow("key split over two sections")
        << header + key + path + "\n[HKEY_CURRENT_USER\\Other]\n" + key + viewer;
}

void TestRegistry::damagedFileReadsValidParts()
{
    QFETCH(QByteArray, content);

    m_env->writeFile(QDir(m_env->home()).relativeFilePath(Registry::storeFile()), content);
    for (int pass = 0; pass < 2; ++pass) {
        QCOMPARE(query(kKey, u"Path"_s), QVariant(u"/x"_s));
        QCOMPARE(query(kKey, u"Viewer"_s), QVariant(1u));
        QVERIFY(!query(kKey, u"Bad"_s).isValid());
        QVERIFY(Registry::KeyExists(Root::CurrentUser, u"Software\\Tivorn"_s));
        // The first pass rewrites the file; the second reads the rewrite.
        QVERIFY(Registry::SetRegValue(Root::CurrentUser, kKey, u"New"_s, 5));
        QCOMPARE(query(kKey, u"New"_s), QVariant(5u));
    }
    QVERIFY(bytesOf(Registry::storeFile()).startsWith("Windows Registry Editor Version 5.00\n\n"));
}

void TestRegistry::windowsExportsAreRead_data()
{
    QTest::addColumn<QByteArray>("content");

    const QString v5 = u"Windows Registry Editor Version 5.00\r\n\r\n"
                       u"[HKEY_CURRENT_USER\\Software\\Tivorn\\Quandel Library]\r\n"
                       u"\"Path\"=\"/home/jürgen/Größe – 2\"\r\n"
                       u"\"Viewer\"=dword:00000001\r\n\r\n"_s;
    const auto utf16 = [](const QString &text, bool bigEndian) {
        QByteArray bytes = bigEndian ? "\xFE\xFF"_ba : "\xFF\xFE"_ba;
        for (const QChar c : text) {
            const char high = static_cast<char>(c.unicode() >> 8);
            const char low = static_cast<char>(c.unicode() & 0xFF);
            bytes.append(bigEndian ? high : low).append(bigEndian ? low : high);
        }
        return bytes;
    };
    QTest::newRow("regedit, utf-16le") << utf16(v5, false);
    QTest::newRow("utf-16be") << utf16(v5, true);
    QTest::newRow("regedit4 in windows-1252")
        << "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Tivorn\\Quandel Library]\r\n"
           "\"Path\"=\"/home/j\xFCrgen/Gr\xF6\xDF\x65 \x96 2\"\r\n\"Viewer\"=dword:00000001\r\n"_ba;
    QTest::newRow("lone cr line ends") << QByteArray(v5.toUtf8()).replace("\r\n", "\r");
}

// Exports of the Windows registry editor, copied into place by a user
// moving over, read as nothing (UTF-16) or without their umlaut values.
void TestRegistry::windowsExportsAreRead()
{
    QFETCH(QByteArray, content);

    m_env->writeFile(QDir(m_env->home()).relativeFilePath(Registry::storeFile()), content);
    for (int pass = 0; pass < 2; ++pass) {
        QCOMPARE(query(kKey, u"Path"_s), QVariant(u"/home/jürgen/Größe – 2"_s));
        QCOMPARE(query(kKey, u"Viewer"_s), QVariant(1u));
        // The first pass rewrites the file in the store's own form.
        QVERIFY(Registry::SetRegValue(Root::CurrentUser, kKey, u"New"_s, 5));
    }
    QVERIFY(bytesOf(Registry::storeFile()).startsWith("Windows Registry Editor Version 5.00\n\n"));
}

void TestRegistry::failedWriteReportsAndKeepsFile_data()
{
    QTest::addColumn<QString>("kind");

    QTest::newRow("folder is a regular file") << u"file as folder"_s;
    QTest::newRow("store is a folder") << u"folder as store"_s;
    QTest::newRow("disk full") << u"size limit"_s;
}

void TestRegistry::failedWriteReportsAndKeepsFile()
{
    QFETCH(QString, kind);

    QVERIFY(Registry::CreateRegKey(Root::CurrentUser, kKey, QString()));
    QVERIFY(Registry::SetRegValue(Root::CurrentUser, kKey, u"Long"_s, QString(8192, u'x')));
    const QByteArray before = bytesOf(Registry::storeFile());
    if (kind == u"file as folder"_s) {
        Registry::setStoreFile(Registry::storeFile() + u"/registry.reg"_s);
    } else if (kind == u"folder as store"_s) {
        QVERIFY(QDir().mkpath(m_env->path(u"folder.reg"_s)));
        Registry::setStoreFile(m_env->path(u"folder.reg"_s));
    }
    // Tests run as root, where permissions stop nothing; a file size limit
    // makes writing fail the way a full disk does.
    bool set = true;
    bool created = true;
    {
        std::optional<DiskFillsAt> full;
        if (kind == u"size limit"_s) {
            full.emplace(4096);
        }
        set = Registry::SetRegValue(Root::CurrentUser, kKey, u"More"_s, u"y"_s);
        created = Registry::CreateRegKey(Root::CurrentUser, u"Software\\New"_s, QString());
    }
    QVERIFY(!set);
    QVERIFY(!created);
    Registry::setStoreFile(QString());
    QCOMPARE(bytesOf(Registry::storeFile()), before);
    QCOMPARE(QDir(AppPaths::configFolder()).entryList(QDir::Files | QDir::Hidden), QStringList{u"registry.reg"_s});
}

void TestRegistry::symbolicLinkIsFollowed()
{
    const QString target = m_env->path(u"sync/registry.reg"_s);
    const QString link = m_env->path(u"config/registry.reg"_s);
    QVERIFY(QDir().mkpath(m_env->path(u"config"_s)));
    QVERIFY(QFile::link(target, link)); // dangling until the first write
    Registry::setStoreFile(link);
    QVERIFY(Registry::CreateRegKey(Root::CurrentUser, kKey, QString()));
    QVERIFY(Registry::SetRegValue(Root::CurrentUser, kKey, u"V"_s, 3));
    QVERIFY(QFileInfo(link).isSymLink());
    QVERIFY(bytesOf(target).contains("\"V\"=dword:00000003"));
}

void TestRegistry::loopOfLinksIsNotWrittenOver()
{
    const QString a = m_env->path(u"config/a.reg"_s);
    const QString b = m_env->path(u"config/b.reg"_s);
    QVERIFY(QDir().mkpath(m_env->path(u"config"_s)));
    QVERIFY(QFile::link(b, a));
    QVERIFY(QFile::link(a, b));
    Registry::setStoreFile(a);
    QVERIFY(!Registry::CreateRegKey(Root::CurrentUser, kKey, QString()));
    QVERIFY(QFileInfo(a).isSymLink());
    QVERIFY(QFileInfo(b).isSymLink());
}

void TestRegistry::batchIsOneChange()
{
    const QList<std::pair<QString, QVariant>> values = {
        {u"Path"_s, u"/home/anna"_s}, {u"Viewer"_s, 1}, {u"Ignored"_s, true}};
    // Without the key nothing is written, not even part of the batch.
    QVERIFY(!Registry::SetRegValues(Root::CurrentUser, kKey, values));
    QVERIFY(!Registry::KeyExists(Root::CurrentUser, kKey));

    QVERIFY(Registry::CreateRegKey(Root::CurrentUser, kKey, QString()));
    QVERIFY(Registry::SetRegValues(Root::CurrentUser, kKey, values));
    const QByteArray file = bytesOf(Registry::storeFile());
    QVERIFY(file.contains("\"Path\"=\"/home/anna\"\n\"Viewer\"=dword:00000001\n"));
    QVERIFY(!file.contains("Ignored"));
}

void TestRegistry::twoProcessesKeepEachOthersValues()
{
    QVERIFY(Registry::CreateRegKey(Root::CurrentUser, kKey, QString()));
    QProcess first;
    QProcess second;
    const QString store = Registry::storeFile();
    first.start(QCoreApplication::applicationFilePath(), {QLatin1String(kWriterSwitch), store, u"A"_s});
    second.start(QCoreApplication::applicationFilePath(), {QLatin1String(kWriterSwitch), store, u"B"_s});
    QVERIFY(first.waitForFinished(120000));
    QVERIFY(second.waitForFinished(120000));
    QCOMPARE(first.exitCode(), 0);
    QCOMPARE(second.exitCode(), 0);
    for (int i = 0; i < kWritesPerProcess; ++i) {
        QCOMPARE(query(kKey, u"A"_s + QString::number(i)), QVariant(uint(i)));
        QCOMPARE(query(kKey, u"B"_s + QString::number(i)), QVariant(uint(i)));
    }
}

void TestRegistry::localMachineIsReadOnlyView_data()
{
    QTest::addColumn<QString>("key");

    QTest::newRow("Windows") << u"Software\\Microsoft\\Windows\\CurrentVersion"_s;
    QTest::newRow("Windows NT, other case") << u"SOFTWARE\\microsoft\\windows nt\\currentversion\\"_s;
}

void TestRegistry::localMachineIsReadOnlyView()
{
    QFETCH(QString, key);

    const passwd *account = getpwuid(getuid());
    QVERIFY(account);
    const QString owner = QString::fromLocal8Bit(account->pw_gecos).section(u',', 0, 0).trimmed();
    QCOMPARE(Registry::KeyExists(Root::LocalMachine, key), !owner.isEmpty());
    QCOMPARE(query(key, u"registeredOWNER"_s, Root::LocalMachine), owner.isEmpty() ? QVariant() : QVariant(owner));
    QVERIFY(!query(key, u"ProductId"_s, Root::LocalMachine).isValid());
    QVERIFY(!Registry::KeyExists(Root::LocalMachine, u"Software\\Tivorn"_s));
    QVERIFY(!Registry::CreateRegKey(Root::LocalMachine, u"Software\\Tivorn"_s, QString()));
    QVERIFY(!Registry::SetRegValue(Root::LocalMachine, key, u"RegisteredOwner"_s, u"x"_s));
    QVERIFY(!Registry::DeleteRegValue(Root::LocalMachine, key, u"RegisteredOwner"_s));
    QVERIFY(!QFileInfo::exists(Registry::storeFile()));
}

void TestRegistry::specialStoreReadsEmptyAndIsNeverWritten_data()
{
    TestEnvironment::addUnreadableStoreRows();
}

// The key store was read without limit, and a pipe hung the start.
void TestRegistry::specialStoreReadsEmptyAndIsNeverWritten()
{
    QFETCH(QString, kind);
    TestEnvironment env;
    const QString path = env.makeSpecial(u"registry.reg"_s, kind);
    if (path.isEmpty()) {
        QSKIP("this machine cannot make such a node");
    }
    Registry::setStoreFile(path);
    const TestEnvironment::NodeState before = TestEnvironment::stateOf(path);
    QCOMPARE(before.link, kind.endsWith(u"link"_s));

    QVERIFY(!Registry::KeyExists(Root::CurrentUser, kKey));
    QVERIFY(!query(kKey, u"Path"_s).isValid());
    QVERIFY(!Registry::CreateRegKey(Root::CurrentUser, kKey, QString()));

    QVERIFY(TestEnvironment::stateOf(path) == before);
}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc == 4 && qstrcmp(argv[1], kWriterSwitch) == 0) {
        return runWriter(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    }
    TestRegistry test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_registry.moc"
