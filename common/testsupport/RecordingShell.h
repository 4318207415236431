#pragma once

#include "DesktopShell.h"

#include <QList>
#include <QMap>

// Shell for tests: records every request and answers as configured. Trash
// really moves nothing; the test decides whether it "worked".
class RecordingShell final : public Shell
{
public:
    struct Request
    {
        QString kind; // "trash", "open", "url", "properties", "start"
        QString target;
        QStringList arguments;
    };

    RecordingShell();
    ~RecordingShell() override;

    QList<Request> requests;
    bool succeed = true; // answer of trash, open, url, start
    bool hasProperties = false;
    bool removeOnTrash = true; // trash really removes the item (as the real trash would)
    QString volume;            // removable volume root, empty = not ready
    QMap<SpecialFolder, QString> folders;

    QList<Request> requestsOf(const QString &kind) const;

    bool moveToTrash(const QString &path, QString *error) override;
    bool openWithDefaultApplication(const QString &path, QString *error) override;
    bool openUrl(const QUrl &url, QString *error) override;
    QString specialFolder(SpecialFolder folder) override;
    QString removableVolume() override;
    bool showProperties(const QString &path) override;
    bool startDetached(const QString &program, const QStringList &arguments, QString *error) override;
};
