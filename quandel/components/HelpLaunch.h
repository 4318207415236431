#pragma once

#include <QString>

class QWidget;

// Starting the help viewer brenlow at a topic of the help content file. Every
// request starts a viewer of its own; nothing waits for it or closes it.
namespace HelpLaunch {

constexpr int OverviewTopic = 1; // help menu, F1
constexpr int OptionsTopic = 7;  // the options dialog's help button

struct Files
{
    QString viewer;  // the viewer program
    QString content; // Quandel.chf
};

// The viewer beside this program and the help content where resources are
// looked for.
Files installedFiles();

// Starts the viewer at topic. When a file is missing or the start fails, the
// user is told in a message titled with the caller's caption, and the result
// is false.
bool showHelp(QWidget *parent, int topic, const QString &title, const Files &files = installedFiles());

} // namespace HelpLaunch
