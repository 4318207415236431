#include "RootFixture.h"

#include "DocumentLibrary.h"
#include "ProductInfo.h"
#include "Registry.h"

#include <QAction>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>

using namespace Qt::StringLiterals;

RootFixture::RootFixture() : folder(env.path(u"Dokumente"_s))
{
    QDir().mkpath(folder);
}

RootFixture::~RootFixture()
{
    root.reset();
}

QString RootFixture::put(const QString &relative, const QByteArray &bytes) const
{
    return env.writeFile(u"Dokumente/"_s + relative, bytes);
}

bool RootFixture::seedQuietStart(const Settings &values)
{
    return TestEnvironment::writeSettings(TestEnvironment::quietStart() << values);
}

bool RootFixture::start(int kind)
{
    if (!seedQuietStart({{u"Pattern"_s, QVariant(QString::number(kind))}})) {
        return false;
    }
    return startAsStored() && prompts.calls.isEmpty();
}

bool RootFixture::startAsStored(bool useFolder)
{
    root.reset();
    root = std::make_unique<Root>(useFolder ? RootOptions{folder} : RootOptions{});
    return root->start();
}

bool RootFixture::restart()
{
    return startAsStored();
}

void RootFixture::run(const QString &action) const
{
    QAction *a = this->action(action);
    Q_ASSERT(a);
    a->setEnabled(true);
    a->trigger();
}

QAction *RootFixture::action(const QString &name) const
{
    return root->findChild<QAction *>(name);
}

QListWidget *RootFixture::list() const
{
    return root->findChild<QListWidget *>(u"Dateien"_s);
}

QPlainTextEdit *RootFixture::editor() const
{
    return root->findChild<QPlainTextEdit *>(u"Text"_s);
}

QString RootFixture::status() const
{
    return root->findChild<QLabel *>(u"LStatus"_s)->text();
}

QString RootFixture::shownText() const
{
    return DocumentLibrary::editorText(editor());
}

const EditingState &RootFixture::state() const
{
    return root->library()->state();
}

QStringList RootFixture::entries() const
{
    QStringList result;
    for (int i = 0; i < list()->count(); ++i) {
        result.append(list()->item(i)->text());
    }
    return result;
}

QStringList RootFixture::tree(const QString &folder)
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
