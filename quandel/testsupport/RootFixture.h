#pragma once

#include "RecordingShell.h"
#include "Root.h"
#include "ScriptedPrompts.h"
#include "TestEnvironment.h"

#include <QList>
#include <QStringList>
#include <QVariant>

#include <memory>
#include <utility>

class QAction;
class QLabel;
class QListWidget;
class QPlainTextEdit;
struct EditingState;

// What every window test starts from: a temporary home with an empty document
// folder "Dokumente", scripted prompts, a recording shell, and the main window
// once a test starts it. The window is closed before the rest goes.
class RootFixture final
{
public:
    using Settings = QList<std::pair<QString, QVariant>>;

    RootFixture();
    ~RootFixture();
    RootFixture(const RootFixture &) = delete;
    RootFixture &operator=(const RootFixture &) = delete;

    // Writes a file below the document folder; returns its path.
    QString put(const QString &relative, const QByteArray &bytes) const;
    // Seeds the key store for a quiet start (disclaimer accepted, no splash)
    // with the values given on top; false when the store could not be written.
    [[nodiscard]] static bool seedQuietStart(const Settings &values = {});
    // Starts the window on the document folder showing the kind, after a quiet
    // start was seeded; true when it started and asked nothing.
    [[nodiscard]] bool start(int kind = 0);
    // Starts the window as the key store stands, on the document folder or
    // (useFolder false) on the stored one; true when it started.
    [[nodiscard]] bool startAsStored(bool useFolder = true);
    // Closes the window and starts it again on the same folder.
    [[nodiscard]] bool restart();

    // Runs a menu command as the user would, whatever the timer made of its
    // enabled state (that is the command-state rules' business).
    void run(const QString &action) const;
    QAction *action(const QString &name) const;

    QListWidget *list() const;
    QPlainTextEdit *editor() const;
    QString shownText() const;
    QString status() const;
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
