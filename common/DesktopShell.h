#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

// The desktop around the program: trash, default applications, special
// folders, removable volumes, properties, other programs. DesktopShell talks
// to the real desktop; tests install a recording fake.
class Shell
{
public:
    enum class SpecialFolder
    {
        Desktop,
        Documents
    };

    Shell() = default;
    virtual ~Shell() = default;
    Shell(const Shell &) = delete;
    Shell &operator=(const Shell &) = delete;

    // Moves the file or folder to the freedesktop trash. Never deletes
    // permanently: when trashing is impossible, returns false with a reason.
    virtual bool moveToTrash(const QString &path, QString *error) = 0;

    // Opens a file or folder with the user's default application.
    virtual bool openWithDefaultApplication(const QString &path, QString *error) = 0;

    // Opens a web or mail address with the user's default application.
    virtual bool openUrl(const QUrl &url, QString *error) = 0;

    virtual QString specialFolder(SpecialFolder folder) = 0;

    // The root of the first mounted, writable removable volume, or empty when
    // there is none ("not ready").
    virtual QString removableVolume() = 0;

    // Shows the properties of a file or folder in the file manager; false
    // when no file manager offers that (the caller then shows its own).
    virtual bool showProperties(const QString &path) = 0;

    // Starts a program detached; true when it started.
    virtual bool startDetached(const QString &program, const QStringList &arguments, QString *error) = 0;

    // The implementation in use; DesktopShell unless a test installed another.
    static Shell &instance();
    // Installs s (not owned); nullptr restores the real desktop.
    static void setInstance(Shell *s);
};

class DesktopShell final : public Shell
{
public:
    bool moveToTrash(const QString &path, QString *error) override;
    bool openWithDefaultApplication(const QString &path, QString *error) override;
    bool openUrl(const QUrl &url, QString *error) override;
    QString specialFolder(SpecialFolder folder) override;
    QString removableVolume() override;
    bool showProperties(const QString &path) override;
    bool startDetached(const QString &program, const QStringList &arguments, QString *error) override;
};
