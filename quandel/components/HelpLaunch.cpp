#include "HelpLaunch.h"

#include "AppPaths.h"
#include "DesktopShell.h"
#include "FileSystem.h"
#include "Prompts.h"

namespace HelpLaunch {

Files installedFiles()
{
    return {AppPaths::programFolder() + QStringLiteral("/brenlow"),
            AppPaths::resourceFile(QStringLiteral("Quandel.chf"))};
}

bool showHelp(QWidget *parent, int topic, const QString &title, const Files &files)
{
    // The user is not told which of the two is missing: either way the help
    // is not installed as it should be.
    if (!FileExists(files.viewer) || !FileExists(files.content)) {
        Prompts::instance().message(parent,
                                    QStringLiteral("Die Komponente für die Hilfe konnte nicht gefunden werden. "),
                                    title, Prompts::Buttons::Ok, Prompts::Icon::Critical);
        return false;
    }
    // One argument, unquoted: the viewer takes the path and the topic apart
    // at the last comma, so blanks and commas in the folder reach it whole.
    if (!Shell::instance().startDetached(files.viewer, {files.content + u',' + QString::number(topic)}, nullptr)) {
        Prompts::instance().message(parent,
                                    QStringLiteral("Die Komponente für die Hilfe konnte nicht gestartet werden. "),
                                    title, Prompts::Buttons::Ok, Prompts::Icon::Critical);
        return false;
    }
    return true;
}

} // namespace HelpLaunch
