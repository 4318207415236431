#include "AllHits.h"
#include "AppPaths.h"
#include "DocumentScanner.h"
#include "DocumentText.h"
#include "HitModel.h"
#include "ReplaceFiles.h"
#include "TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace ReplaceFiles;

Q_DECLARE_METATYPE(MatchOptions)
Q_DECLARE_METATYPE(ReplaceFiles::Outcome)

namespace {

struct Case
{
    const char *name;
    QByteArray bytes;
    MatchOptions options;
    QString replacement;
    QList<bool> ticked; // empty: all
    bool allowUtf8 = false;
    QByteArray expected; // empty: needs UTF-8
    int replaced = 0;
};

MatchOptions plain(const QString &term, Qt::CaseSensitivity cs = Qt::CaseSensitive, bool whole = false)
{
    return {term, cs, whole, false};
}

MatchOptions expression(const QString &term)
{
    return {term, Qt::CaseSensitive, false, true};
}

// Files as the library holds them, and what replacing makes of them, byte
// for byte.
QList<Case> cases()
{
    return {
        {"Windows-1252, CR LF",
         "Gr\xF6\xDF"
         "e\r\nZeile\r\ngr\xF6\xDF"
         "e\r\n",
         plain(u"größe"_s, Qt::CaseInsensitive),
         u"Maß"_s,
         {},
         false,
         "Ma\xDF\r\nZeile\r\nMa\xDF\r\n",
         2},
        {"UTF-8, LF",
         "Gr\xC3\xB6\xC3\x9F"
         "e\nx",
         plain(u"Größe"_s),
         u"Maß"_s,
         {},
         false,
         "Ma\xC3\x9F\nx",
         1},
        {"UTF-8 with BOM",
         "\xEF\xBB\xBFSub foo()\r\n",
         plain(u"foo"_s),
         u"Größe"_s,
         {},
         false,
         "\xEF\xBB\xBFSub Gr\xC3\xB6\xC3\x9F"
         "e()\r\n",
         1},
        {"CR LF with a lone LF",
         "a foo\r\nb foo\nc foo\r\n",
         plain(u"foo"_s),
         u"bar"_s,
         {},
         false,
         "a bar\r\nb bar\nc bar\r\n",
         3},
        {"LF with a CR LF line", "foo\nfoo\r\nfoo", plain(u"foo"_s), u"x"_s, {}, false, "x\nx\r\nx", 3},
        {"odd bytes and a lone CR",
         "\x81x\rfoo\r\n\x9D",
         plain(u"foo"_s),
         u"bar"_s,
         {},
         false,
         "\x81x\rbar\r\n\x9D",
         1},
        {"expression over a CR LF",
         "Sub A(\r\n    x)\r\n",
         expression(u"\\(\\n\\s*"_s),
         u"("_s,
         {},
         false,
         "Sub A(x)\r\n",
         1},
        {"captures, a line end among them",
         "ab\r\ncd\r\n",
         expression(u"(\\w+)\\n(\\w+)"_s),
         u"\\2\n\\1"_s,
         {},
         false,
         "cd\r\nab\r\n",
         1},
        {"ticked subset", "foo foo foo", plain(u"foo"_s), u"bar"_s, {true, false, true}, false, "bar foo bar", 2},
        {"whole words",
         "foo_bar foo foo\xC3\xA9 (foo)",
         plain(u"foo"_s, Qt::CaseSensitive, true),
         u"x"_s,
         {},
         false,
         "foo_bar x foo\xC3\xA9 (x)",
         2},
        {"Kelvin sign, case ignored",
         "\xE2\x84\xAA"
         "abel und kabel",
         plain(u"kabel"_s, Qt::CaseInsensitive),
         u"Draht"_s,
         {},
         false,
         "Draht und Draht",
         2},
        {"character of four bytes before",
         "\xF0\x9F\x98\x80 foo",
         plain(u"foo"_s),
         u"bar"_s,
         {},
         false,
         "\xF0\x9F\x98\x80 bar",
         1},
        {"the last line end stays", "a\nfoo\n", expression(u"o\\n"_s), u"X"_s, {}, false, "a\nfoX\n", 1},
        {"Windows-1252 cannot hold it", "caf\xE9 foo\r\n", plain(u"foo"_s), u"→"_s, {}, false, {}, 0},
        {"Windows-1252 made UTF-8",
         "caf\xE9 foo\r\n",
         plain(u"foo"_s),
         u"→"_s,
         {},
         true,
         "caf\xC3\xA9 \xE2\x86\x92\r\n",
         1},
        {"code page bytes that would read as UTF-8", "foo\r\n", plain(u"foo"_s), u"Ã¤"_s, {}, false, {}, 0},
        {"ASCII takes an umlaut in its code page", "foo\r\n", plain(u"foo"_s), u"ä"_s, {}, false, "\xE4\r\n", 1},
    };
}

std::vector<bool> tickedOf(const QList<bool> &ticked, qsizetype all)
{
    return ticked.isEmpty() ? std::vector<bool>(size_t(all), true) : std::vector<bool>(ticked.begin(), ticked.end());
}

// A plan entry for a file as a preview reads it.
DocumentPlan planFor(const QString &path, std::vector<bool> ticked, bool mayBecomeUtf8 = false)
{
    const TextFile::BytesResult read = TextFile::readBytes(path, DocumentScanner::maxBytes());
    DocumentPlan d;
    d.path = path;
    d.displayName = QFileInfo(path).fileName();
    d.key = read.key;
    d.contentHash = hashBytes(read.bytes);
    d.ticked = std::move(ticked);
    d.mayBecomeUtf8 = mayBecomeUtf8;
    return d;
}

QList<DocumentResult> writePlan(const Plan &plan, UndoStore &undo)
{
    const std::atomic_bool cancel{false};
    return write(plan, undo, cancel);
}

// The files of a folder besides the documents (new versions left behind).
QStringList strayFiles(const QString &folder, const QStringList &documents)
{
    QStringList stray = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &d : documents) {
        stray.removeAll(QFileInfo(d).fileName());
    }
    return stray;
}

} // namespace

class TestReplaceFiles final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void replaceInBytes_data();
    void replaceInBytes();
    void writeAndUndo();
    void leftAlone_data();
    void leftAlone();
    void diskFullMidway();
    void killedMidway();
    void damagedUndoData();
    void hitsInReplaceMode_data();
    void hitsInReplaceMode();
    void ticksInTheModel();
};

void TestReplaceFiles::replaceInBytes_data()
{
    QTest::addColumn<int>("row");
    const QList<Case> all = cases();
    for (int i = 0; i < all.size(); ++i) {
        QTest::newRow(all.at(i).name) << i;
    }
}

void TestReplaceFiles::replaceInBytes()
{
    QFETCH(int, row);
    const Case c = cases().at(row);
    const TextMatcher matcher(c.options);
    QVERIFY2(matcher.isValid(), qPrintable(matcher.errorText()));
    const QString before = DocumentScanner::editorText(c.bytes);
    const auto ticked = tickedOf(c.ticked, matcher.findAll(before).size());
    bool needsUtf8 = false;
    int replaced = -1;
    const QByteArray out =
        ReplaceFiles::replaceInBytes(c.bytes, matcher, c.replacement, ticked, c.allowUtf8, &needsUtf8, &replaced);
    QCOMPARE(out, c.expected);
    QCOMPARE(replaced, c.replaced);
    QCOMPARE(needsUtf8, c.expected.isEmpty() || c.allowUtf8);
    if (out.isEmpty()) {
        return;
    }
    // The new bytes read as the editor would save its text after the same
    // replace in it.
    const DocumentText doc = DocumentText::fromFile(TextFile::decode(c.bytes).text);
    int inText = -1;
    QCOMPARE(TextFile::decode(out).text, doc.toFile(replaceInText(before, matcher, c.replacement, ticked, &inText)));
    QCOMPARE(inText, c.replaced);
}

void TestReplaceFiles::writeAndUndo()
{
    TestEnvironment env;
    const QList<Case> all = cases();
    QStringList paths;
    QList<QByteArray> originals;
    // A plan has one set of options: the cases go in groups of the same,
    // all into one undo store.
    QList<QList<int>> groups;
    for (int i = 0; i < all.size(); ++i) {
        bool placed = false;
        for (QList<int> &g : groups) {
            const Case &first = all.at(g.constFirst());
            if (first.options == all.at(i).options && first.replacement == all.at(i).replacement) {
                g.append(i);
                placed = true;
            }
        }
        if (!placed) {
            groups.append(QList<int>{i});
        }
    }
    QFile::Permissions permissions;
    UndoStore undo = UndoStore::forThisProgram();
    for (const QList<int> &group : std::as_const(groups)) {
        Plan p;
        p.options = all.at(group.constFirst()).options;
        p.replacement = all.at(group.constFirst()).replacement;
        for (const int i : group) {
            const Case &c = all.at(i);
            const QString path = env.writeFile(u"Bibliothek/Dokument %1.txt"_s.arg(i), c.bytes);
            // Its permissions stay what they were.
            QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
            permissions = QFile::permissions(path);
            const QString text = DocumentScanner::editorText(c.bytes);
            p.documents.push_back(
                planFor(path, tickedOf(c.ticked, TextMatcher(c.options).findAll(text).size()), c.allowUtf8));
            paths.append(path);
            originals.append(c.bytes);
        }
        const QList<DocumentResult> results = writePlan(p, undo);
        QCOMPARE(results.size(), group.size());
        for (qsizetype k = 0; k < group.size(); ++k) {
            const Case &c = all.at(group.at(k));
            const DocumentResult &r = results.at(k);
            QVERIFY2(r.outcome == (c.expected.isEmpty() ? Outcome::NeedsUtf8 : Outcome::Written), c.name);
            QCOMPARE(bytesOf(r.path), c.expected.isEmpty() ? c.bytes : c.expected);
            QCOMPARE(r.replaced, c.replaced);
            QCOMPARE(r.becameUtf8, c.allowUtf8);
            QCOMPARE(QFile::permissions(r.path), permissions);
        }
    }
    QCOMPARE(strayFiles(env.path(u"Bibliothek"_s), paths), QStringList());
    QVERIFY(!undo.isEmpty());
    QVERIFY(QFileInfo(undo.folder()).isDir());

    // One file is edited after the replace: the undo leaves it alone.
    const QString edited = paths.constFirst();
    QVERIFY(QFile::resize(edited, 3));
    const QByteArray editedBytes = bytesOf(edited);
    const QList<DocumentResult> undone = undo.undo();
    QCOMPARE(undone.size(), undo.paths().size());
    for (const DocumentResult &r : undone) {
        const qsizetype i = paths.indexOf(r.path);
        QVERIFY(i >= 0);
        if (r.path == edited) {
            QCOMPARE(r.outcome, Outcome::ChangedOnDisk);
            QCOMPARE(bytesOf(r.path), editedBytes);
        } else {
            QCOMPARE(r.outcome, Outcome::Restored);
            QCOMPARE(bytesOf(r.path), originals.at(i));
            QCOMPARE(QFile::permissions(r.path), permissions);
        }
    }
    QCOMPARE(strayFiles(env.path(u"Bibliothek"_s), paths), QStringList());
    const QString folder = undo.folder();
    undo.discard();
    QVERIFY(!QFileInfo::exists(folder));
    QVERIFY(undo.isEmpty());
}

void TestReplaceFiles::leftAlone_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<Outcome>("outcome");
    QTest::newRow("named pipe") << u"fifo"_s << Outcome::Skipped;
    QTest::newRow("link to a named pipe") << u"fifo link"_s << Outcome::Skipped;
    QTest::newRow("link to a device") << u"null link"_s << Outcome::Skipped;
    QTest::newRow("link to /dev/zero") << u"zero link"_s << Outcome::Skipped;
    QTest::newRow("above the size limit") << u"oversize"_s << Outcome::Skipped;
    QTest::newRow("links in a circle") << u"loop"_s << Outcome::Skipped;
    QTest::newRow("unreadable") << u"unreadable"_s << Outcome::Skipped;
    QTest::newRow("changed since the preview") << u"changed"_s << Outcome::ChangedOnDisk;
    QTest::newRow("removed since the preview") << u"removed"_s << Outcome::ChangedOnDisk;
}

void TestReplaceFiles::leftAlone()
{
    QFETCH(QString, kind);
    QFETCH(Outcome, outcome);
    TestEnvironment env;
    // A normal file beside it is still written.
    const QString normal = env.writeFile(u"Bibliothek/A.txt"_s, "foo\r\n");
    QString path = env.path(u"Bibliothek/B.txt"_s);
    DocumentPlan plan;
    if (kind == u"loop") {
        QVERIFY(QFile::link(path, path + u".2"_s) && QFile::link(path + u".2"_s, path));
    } else if (kind == u"unreadable" || kind == u"changed" || kind == u"removed") {
        env.writeFile(u"Bibliothek/B.txt"_s, "foo foo\r\n");
        plan = planFor(path, {true, true});
        if (kind == u"unreadable") {
            QVERIFY(QFile::setPermissions(path, {}));
            if (::access(QFile::encodeName(path).constData(), R_OK) == 0) {
                QSKIP("This user reads files without read permission.");
            }
        } else if (kind == u"changed") {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Append) && f.write("bar") == 3);
        } else {
            QVERIFY(QFile::remove(path));
        }
    } else {
        path = env.makeSpecial(u"Bibliothek/B.txt"_s, kind);
        if (path.isEmpty()) {
            QSKIP("This machine cannot make such a node.");
        }
    }
    plan.path = path;
    const TextFile::BytesResult before = TextFile::readBytes(path, DocumentScanner::maxBytes());
    const TestEnvironment::NodeState state = TestEnvironment::stateOf(path);
    plan.ticked = {true, true};

    Plan p{plain(u"foo"_s), u"bar"_s, {planFor(normal, {true}), plan}};
    UndoStore undo = UndoStore::forThisProgram();
    const QList<DocumentResult> results = writePlan(p, undo);
    QCOMPARE(results.at(0).outcome, Outcome::Written);
    QCOMPARE(bytesOf(normal), "bar\r\n");
    QCOMPARE(results.at(1).outcome, outcome);
    QVERIFY(!results.at(1).reason.isEmpty());
    QCOMPARE(TestEnvironment::stateOf(path), state);
    if (before.ok) {
        QCOMPARE(bytesOf(path), before.bytes);
    }
    QCOMPARE(undo.paths(), QStringList{normal});
    undo.discard();
}

void TestReplaceFiles::diskFullMidway()
{
    TestEnvironment env;
    // Large and small files take turns; no file may grow beyond 6000 bytes,
    // and the undo data grows with every file it keeps.
    QStringList paths;
    QList<QByteArray> originals;
    Plan plan{plain(u"foo"_s), u"barbaz"_s, {}};
    for (int i = 0; i < 8; ++i) {
        const QByteArray bytes = "foo " + QByteArray(i % 2 == 0 ? 500 : 5000, 'x') + "\r\n";
        paths.append(env.writeFile(u"Bibliothek/D%1.txt"_s.arg(i), bytes));
        originals.append(bytes);
        plan.documents.push_back(planFor(paths.constLast(), {true}));
    }
    UndoStore undo = UndoStore::forThisProgram();
    QList<DocumentResult> results;
    {
        const DiskFillsAt full(6000);
        results = writePlan(plan, undo);
    }
    int written = 0;
    int failed = 0;
    for (qsizetype i = 0; i < results.size(); ++i) {
        const DocumentResult &r = results.at(i);
        QByteArray expected = originals.at(i);
        if (r.outcome == Outcome::Written) {
            ++written;
            expected.replace(0, 3, "barbaz");
        } else {
            QCOMPARE(r.outcome, Outcome::Failed);
            QVERIFY(!r.reason.isEmpty());
            ++failed;
        }
        QCOMPARE(bytesOf(r.path), expected);
    }
    QVERIFY(written > 0);
    QVERIFY(failed > 0);
    QCOMPARE(strayFiles(env.path(u"Bibliothek"_s), paths), QStringList());
    // What was written is undone.
    for (const DocumentResult &r : undo.undo()) {
        QCOMPARE(r.outcome, Outcome::Restored);
    }
    for (qsizetype i = 0; i < paths.size(); ++i) {
        QCOMPARE(bytesOf(paths.at(i)), originals.at(i));
    }
    undo.discard();
}

void TestReplaceFiles::killedMidway()
{
    TestEnvironment env;
    QStringList paths;
    QList<QByteArray> originals;
    Plan plan{plain(u"foo"_s), u"bar"_s, {}};
    for (int i = 0; i < 5; ++i) {
        const QByteArray bytes = "Sub foo" + QByteArray::number(i) + "()\r\n";
        paths.append(env.writeFile(u"Bibliothek/M%1.txt"_s.arg(i), bytes));
        originals.append(bytes);
        plan.documents.push_back(planFor(paths.constLast(), {true}));
    }
    const pid_t child = ::fork();
    QVERIFY(child >= 0);
    if (child == 0) {
        // The writer stops itself before the third file goes into place.
        ::setenv("QUANDEL_REPLACE_STOP_BEFORE", "2", 1);
        UndoStore undo = UndoStore::forThisProgram();
        (void)writePlan(plan, undo);
        ::_exit(0);
    }
    int status = 0;
    QCOMPARE(::waitpid(child, &status, WUNTRACED), child);
    QVERIFY(WIFSTOPPED(status));
    QVERIFY(::kill(child, SIGKILL) == 0);
    QCOMPARE(::waitpid(child, &status, 0), child);
    QVERIFY(WIFSIGNALED(status));

    for (qsizetype i = 0; i < paths.size(); ++i) {
        QByteArray expected = originals.at(i);
        if (i < 2) {
            expected.replace("foo", "bar");
        }
        QCOMPARE(bytesOf(paths.at(i)), expected);
    }
    // The next start finds the undo data and puts every file back.
    QList<UndoStore> left = UndoStore::leftOver();
    QCOMPARE(left.size(), 1);
    QCOMPARE(left.first().paths(), paths);
    QVERIFY(left.first().created().isValid());
    for (const DocumentResult &r : left.first().undo()) {
        QCOMPARE(r.outcome, Outcome::Restored);
    }
    for (qsizetype i = 0; i < paths.size(); ++i) {
        QCOMPARE(bytesOf(paths.at(i)), originals.at(i));
    }
    QCOMPARE(strayFiles(env.path(u"Bibliothek"_s), paths), QStringList());
    // Claimed by this program: a second look does not offer it again.
    QCOMPARE(UndoStore::leftOver().size(), 0);
    left.first().discard();
    left.clear();
    QCOMPARE(UndoStore::leftOver().size(), 0);
    QCOMPARE(QDir(AppPaths::stateFolder()).entryList({u"Ersetzen-*"_s}, QDir::Dirs), QStringList());
}

void TestReplaceFiles::damagedUndoData()
{
    TestEnvironment env;
    QStringList paths;
    Plan plan{plain(u"foo"_s), u"bar"_s, {}};
    for (int i = 0; i < 3; ++i) {
        paths.append(env.writeFile(u"Bibliothek/M%1.txt"_s.arg(i), "foo\n"));
        plan.documents.push_back(planFor(paths.constLast(), {true}));
    }
    QString folder;
    {
        // A program that ended without removing its undo data.
        UndoStore undo = UndoStore::forThisProgram();
        (void)writePlan(plan, undo);
        folder = undo.folder();
    }
    // The second entry is damaged, and a line of garbage follows.
    const QString manifest = folder + u"/Protokoll.jsonl"_s;
    QList<QByteArray> lines = bytesOf(manifest).split('\n');
    QVERIFY(lines.size() >= 4);
    lines[2] = lines[2].left(20);
    QByteArray damaged = lines.join('\n') + QByteArray(100000, 'x') + "\n";
    QFile f(manifest);
    QVERIFY(f.open(QIODevice::WriteOnly) && f.write(damaged) == damaged.size());
    f.close();

    const QList<UndoStore> left = UndoStore::leftOver();
    QCOMPARE(left.size(), 1);
    UndoStore store = left.first();
    QCOMPARE(store.paths(), (QStringList{paths.at(0), paths.at(2)}));
    const QList<DocumentResult> results = store.undo();
    int failed = 0;
    for (const DocumentResult &r : results) {
        if (r.outcome == Outcome::Failed) {
            ++failed;
            QVERIFY(!r.reason.isEmpty());
        } else {
            QCOMPARE(r.outcome, Outcome::Restored);
        }
    }
    QCOMPARE(failed, 2);
    QCOMPARE(bytesOf(paths.at(0)), "foo\n");
    QCOMPARE(bytesOf(paths.at(1)), "bar\n");
    QCOMPARE(bytesOf(paths.at(2)), "foo\n");
    store.discard();
}

void TestReplaceFiles::hitsInReplaceMode_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<MatchOptions>("options");
    QTest::addColumn<QString>("replacement");
    QTest::addColumn<QString>("firstAfter");
    QTest::addColumn<bool>("needsUtf8");
    QTest::newRow("Windows-1252 that cannot hold the replacement")
        << QByteArray("caf\xE9 foo\r\nfoo\r\n") << plain(u"foo"_s) << u"→"_s << u"café →"_s << true;
    QTest::newRow("case ignored, Kelvin sign")
        << QByteArray("Ein \xE2\x84\xAA"
                      "abel\nkabel KABEL\n")
        << plain(u"kabel"_s, Qt::CaseInsensitive) << u"Draht"_s << u"Ein Draht"_s << false;
    QTest::newRow("whole words, overlapping tries")
        << QByteArray("xa a a\r\nGr\xF6\xDF"
                      "e: a a.\r\n")
        << plain(u"a a"_s, Qt::CaseSensitive, true) << u"b"_s << u"xa b"_s << false;
    QTest::newRow("expression over lines") << QByteArray("Sub A(\r\n  x)\r\nSub B(y)\r\n")
                                           << expression(u"(\\w)\\(\\s*"_s) << u"\\1["_s << u"Sub A[x)"_s << false;
    QTest::newRow("expression, line end in the replacement")
        << QByteArray("ab\ncb\n") << expression(u"b$"_s) << u"B\n"_s << u"aB\u21B5"_s << false;
}

void TestReplaceFiles::hitsInReplaceMode()
{
    QFETCH(QByteArray, bytes);
    QFETCH(MatchOptions, options);
    QFETCH(QString, replacement);
    QFETCH(QString, firstAfter);
    QFETCH(bool, needsUtf8);
    TestEnvironment env;
    const QString path = env.writeFile(u"Bibliothek/A.txt"_s, bytes);
    const TextMatcher matcher(options);
    const QString text = DocumentScanner::editorText(bytes);
    const QList<TextMatcher::Match> matches = matcher.findAll(text);
    QVERIFY(matches.size() >= 2);

    // Through the run's workers, as the preview does it.
    AllHits::Source source;
    source.folder = env.path(u"Bibliothek"_s);
    source.files = {u"A.txt"_s};
    source.count = 1;
    AllHits::Run run(source, AllHits::Query{options, true, replacement}, 1);
    QList<AllHits::Document> docs;
    const auto collect = [&] {
        docs += run.take();
        return run.isFinished();
    };
    QTRY_VERIFY(collect());
    QCOMPARE(docs.size(), 1);
    const AllHits::Document &doc = docs.first();
    // Hit n is match n of the editor text: that is how write() finds the
    // ticked ones again.
    QCOMPARE(qsizetype(doc.hits.size()), matches.size());
    for (size_t n = 0; n < doc.hits.size(); ++n) {
        const qsizetype start = matches.at(qsizetype(n)).start;
        const qsizetype lineStart = text.lastIndexOf(u'\n', start - 1) + 1;
        QCOMPARE(doc.hits[n].line, int(QStringView(text).left(start).count(u'\n')) + 1);
        QCOMPARE(doc.hits[n].column, int(start - lineStart));
        QVERIFY(doc.hits[n].markLength > 0);
    }
    QCOMPARE(doc.afterText(0).toString(), firstAfter);
    const TextFile::BytesResult read = TextFile::readBytes(path, DocumentScanner::maxBytes());
    QCOMPARE(doc.key, read.key);
    QCOMPARE(doc.contentHash, hashBytes(read.bytes));
    QCOMPARE(doc.encoding, TextFile::decode(bytes).format.encoding);
    QCOMPARE(doc.needsUtf8, needsUtf8);
}

void TestReplaceFiles::ticksInTheModel()
{
    TestEnvironment env;
    const QByteArray bytes = "foo foo\nfoo\n";
    const QString path = env.writeFile(u"Bibliothek/A.txt"_s, bytes);
    const MatchOptions options = plain(u"foo"_s);
    const TextMatcher matcher(options);
    const AllHits::Query query{options, true, u"bar"_s};
    AllHits::Document doc = AllHits::matchesInBytes(3, bytes, matcher, query, {});
    doc.key = TextFile::FileKey::of(path);
    HitModel model;
    model.setReplaceMode(true);
    QCOMPARE(model.columnCount(), 3);
    model.add({doc}, [](int) { return u"A.txt"_s; });
    const QModelIndex node = model.index(0, 0);
    QCOMPARE(model.rowCount(node), 3);
    QVERIFY(model.flags(node) & Qt::ItemIsUserCheckable);
    QCOMPARE(model.data(node, Qt::CheckStateRole).value<Qt::CheckState>(), Qt::Checked);
    QCOMPARE(model.data(model.index(0, HitModel::AfterColumn, node)).toString(), u"bar foo"_s);
    QCOMPARE(model.data(model.index(1, HitModel::AfterColumn, node)).toString(), u"foo bar"_s);

    QVERIFY(model.setData(model.index(1, 0, node), Qt::Unchecked, Qt::CheckStateRole));
    QCOMPARE(model.data(node, Qt::CheckStateRole).value<Qt::CheckState>(), Qt::PartiallyChecked);
    QCOMPARE(model.ticked(0), (std::vector<bool>{true, false, true}));
    QCOMPARE(model.tickedCount(), 2);

    // The ticks are what write() replaces.
    DocumentPlan d = planFor(path, model.ticked(0));
    QCOMPARE(d.key, model.document(0).key);
    QCOMPARE(d.contentHash, model.document(0).contentHash);
    UndoStore undo = UndoStore::forThisProgram();
    QCOMPARE(writePlan(Plan{options, u"bar"_s, {d}}, undo).first().replaced, 2);
    QCOMPARE(bytesOf(path), "bar foo\nbar\n");
    undo.discard();

    QVERIFY(model.setData(node, Qt::Unchecked, Qt::CheckStateRole));
    QCOMPARE(model.data(node, Qt::CheckStateRole).value<Qt::CheckState>(), Qt::Unchecked);
    QCOMPARE(model.ticked(0), (std::vector<bool>{false, false, false}));
    QVERIFY(model.setData(node, Qt::Checked, Qt::CheckStateRole));
    QCOMPARE(model.ticked(0), (std::vector<bool>{true, true, true}));
    QCOMPARE(model.tickedCount(), 3);
}

QTEST_GUILESS_MAIN(TestReplaceFiles)
#include "tst_replacefiles.moc"
