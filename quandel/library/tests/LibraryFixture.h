#pragma once

#include "RecordingShell.h"
#include "Root.h"
#include "ScriptedPrompts.h"
#include "TestEnvironment.h"

#include <QStringList>

#include <memory>

class QAction;
class QListWidget;
class QPlainTextEdit;
struct EditingState;

// A main window started over a document folder in a temporary home, with
// scripted prompts and a recording shell.
class LibraryFixture final
{
public:
    LibraryFixture();
    ~LibraryFixture();
    LibraryFixture(const LibraryFixture &) = delete;
    LibraryFixture &operator=(const LibraryFixture &) = delete;

    // Writes a file below the document folder; returns its path.
    QString put(const QString &relative, const QByteArray &bytes) const;
    // Starts the window showing the kind; true when it asked nothing.
    bool start(int kind = 0);
    void restart();

    // Runs a menu command as the user would, whatever the timer made of its
    // enabled state (that is the command-state rules' business).
    void run(const QString &action) const;

    QListWidget *list() const;
    QPlainTextEdit *editor() const;
    QString shownText() const;
    const EditingState &state() const;
    QStringList entries() const;
    // Names in a folder, subfolders as "name/", recursively, sorted.
    static QStringList tree(const QString &folder);

    TestEnvironment env;
    ScriptedPrompts prompts;
    RecordingShell shell;
    QString folder;
    std::unique_ptr<Root> root;
};

QByteArray bytesOf(const QString &path);
