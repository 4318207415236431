// A long day at the window: thousands of rounds of select, edit, save,
// switch kind, search, add a favourite and confirm the favourites manager,
// on a copy of the sample library. Nothing may be lost, and memory must not
// grow round after round.

#include "AppPaths.h"
#include "DocumentLibrary.h"
#include "Favoriten.h"
#include "Heap.h"
#include "Registry.h"
#include "Root.h"
#include "ScriptedPrompts.h"
#include "SearchController.h"
#include "Suchen.h"
#include "TestEnvironment.h"
#include "TextFile.h"

#include <QAction>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

// AddressSanitizer keeps freed memory in quarantine on purpose; resident
// memory says nothing about leaks under it.
#if defined(__SANITIZE_ADDRESS__)
#define QUANDEL_MEMORY_IS_MEASURED 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUANDEL_MEMORY_IS_MEASURED 0
#endif
#endif
#ifndef QUANDEL_MEMORY_IS_MEASURED
#define QUANDEL_MEMORY_IS_MEASURED 1
#endif

namespace {

const QString Key = u"Software\\Tivorn\\Quandel Library"_s;

void copyFolder(const QString &from, const QString &to)
{
    QDirIterator it(from, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString source = it.next();
        const QString target = to + source.mid(from.size());
        QDir().mkpath(QFileInfo(target).absolutePath());
        QFile::copy(source, target);
    }
}

int rounds()
{
    bool ok = false;
    const int n = qEnvironmentVariableIntValue("QUANDEL_SOAK_ROUNDS", &ok);
    return ok && n > 0 ? n : 2000;
}

} // namespace

class TestSoak final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void manyRoundsLoseNothing();
};

void TestSoak::manyRoundsLoseNothing()
{
    TestEnvironment env;
    ScriptedPrompts prompts;
    const QString folder = env.path(u"Bibliothek"_s);
    copyFolder(qEnvironmentVariable("QUANDEL_SOURCE_DIR") + u"/examples/Bibliothek"_s, folder);
    QVERIFY(QFileInfo::exists(folder + u"/Dateizugriff.txt"_s));
    QVERIFY(TestEnvironment::writeSettings(TestEnvironment::quietStart() << std::pair{u"ToolTips"_s, QVariant(0)}));

    Root root(RootOptions{folder});
    QVERIFY(root.start());
    DocumentLibrary *library = root.library();
    auto *list = root.findChild<QListWidget *>(u"Dateien"_s);
    auto *text = root.findChild<QPlainTextEdit *>(u"Text"_s);
    QAction *add = root.findChild<QAction *>(u"mnuhinzufügen"_s);
    QAction *manage = root.findChild<QAction *>(u"mnuverwalten"_s);

    const int total = rounds();
    qint64 settled = 0;
    for (int round = 0; round < total; ++round) {
        const int kind = round % 4;
        root.findChild<QAction *>(u"mnuAnsicht_%1"_s.arg(kind))->trigger();
        QCOMPARE(library->checkedKind(), kind);
        if (list->count() == 0) {
            continue;
        }
        list->setCurrentRow(round % list->count());

        // Edit and save; what was saved reads back.
        QTextCursor cursor = text->textCursor();
        cursor.movePosition(QTextCursor::End);
        text->setTextCursor(cursor);
        text->insertPlainText(u"R%1 "_s.arg(round));
        const QString expected = DocumentLibrary::editorText(text);
        QVERIFY(library->save());
        const QString path = library->documentPath();
        const TextFile::ReadResult read = TextFile::read(path);
        QVERIFY(read.ok);
        QVERIFY2(read.content.text.startsWith(expected.trimmed()), qPrintable(path));

        // Search for what was just typed: the document is found again.
        root.search()->openDialog();
        root.search()->dialog()->setTerm(u"R%1 "_s.arg(round));
        const int before = list->currentRow();
        list->setCurrentRow(0);
        root.search()->runSearch();
        QCOMPARE(list->currentRow(), before);

        // A favourite more, and the manager keeps at most five.
        add->trigger();
        prompts.dialogHandlers.enqueue([](QDialog &dialog) {
            auto *entries = dialog.findChild<QListWidget *>(u"LDaten"_s);
            while (entries && entries->count() > 5) {
                delete entries->takeItem(entries->count() - 1);
            }
            dialog.findChild<QPushButton *>(u"BReady"_s)->click();
            return dialog.result();
        });
        manage->trigger();
        QCoreApplication::processEvents();

        if (round == total / 10) {
            settled = Heap::residentKiB();
        }
    }
    // Only the messages of a full favourites list may have been shown.
    for (const auto &call : prompts.callsOf(u"message"_s)) {
        QVERIFY2(call.text.startsWith(u"Die maximale Anzahl"_s), qPrintable(call.text));
    }
    const qint64 grown = Heap::residentKiB() - settled;
    qInfo("resident memory grew by %lld KiB after round %d", grown, total / 10);
    if (QUANDEL_MEMORY_IS_MEASURED) {
        QVERIFY2(grown < 30 * 1024, "memory grows round after round");
    }
}

QTEST_MAIN(TestSoak)
#include "tst_soak.moc"
