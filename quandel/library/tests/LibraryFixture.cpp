#include "LibraryFixture.h"

#include "DocumentLibrary.h"
#include "ProductInfo.h"
#include "Registry.h"

#include <QAction>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QListWidget>
#include <QPlainTextEdit>

using namespace Qt::StringLiterals;

QByteArray bytesOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

LibraryFixture::LibraryFixture() : folder(env.path(u"Dokumente"_s))
{
    QDir().mkpath(folder);
}

LibraryFixture::~LibraryFixture()
{
    root.reset();
}

QString LibraryFixture::put(const QString &relative, const QByteArray &bytes) const
{
    return env.writeFile(u"Dokumente/"_s + relative, bytes);
}

bool LibraryFixture::start(int kind)
{
    if (!TestEnvironment::writeSettings(TestEnvironment::quietStart()
                                        << std::pair{u"Pattern"_s, QVariant(QString::number(kind))})) {
        return false;
    }
    root = std::make_unique<Root>(RootOptions{folder});
    return root->start() && prompts.calls.isEmpty();
}

void LibraryFixture::restart()
{
    root.reset();
    root = std::make_unique<Root>(RootOptions{folder});
    root->start();
}

void LibraryFixture::run(const QString &action) const
{
    auto *a = root->findChild<QAction *>(action);
    Q_ASSERT(a);
    a->setEnabled(true);
    a->trigger();
}

QListWidget *LibraryFixture::list() const
{
    return root->findChild<QListWidget *>(u"Dateien"_s);
}

QPlainTextEdit *LibraryFixture::editor() const
{
    return root->findChild<QPlainTextEdit *>(u"Text"_s);
}

QString LibraryFixture::shownText() const
{
    return DocumentLibrary::editorText(editor());
}

const EditingState &LibraryFixture::state() const
{
    return root->library()->state();
}

QStringList LibraryFixture::entries() const
{
    QStringList result;
    for (int i = 0; i < list()->count(); ++i) {
        result.append(list()->item(i)->text());
    }
    return result;
}

QStringList LibraryFixture::tree(const QString &folder)
{
    QStringList names;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        const QString relative = QDir(folder).relativeFilePath(it.filePath());
        names.append(it.fileInfo().isDir() ? relative + u'/' : relative);
    }
    names.sort();
    return names;
}
