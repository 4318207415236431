#pragma once

#include "IniFile.h"

#include <QString>

#include <array>
#include <optional>

// The help content file: INI layout, read once into memory and looked up with
// the profile-file rules, so names compare without regard to case and every
// value is cut to 254 characters.
//
//   [Applikation]  Name=<caption of the viewer window>
//   [Contents]     1=<title of topic 1> ... 25=<title of topic 25>
//   [Text]         <topic>=<text of the topic, one paragraph>
namespace HelpContent {

constexpr int TopicCount = 25;

QString defaultCaption(); // "Hilfethemen"
QString untitled();       // "Wählen Sie ein Thema", the caption of a topic without title

struct Contents
{
    QString name;                             // empty when the file names no application
    std::array<QString, TopicCount> titles{}; // titles[n - 1]; empty when "Contents" has none

    static Contents read(const IniFiles::Snapshot &file);

    QString caption() const;          // the window caption
    QString heading(int topic) const; // the caption of the topic's menu entry
};

// The text of a topic chosen from the menu: its number is the key.
QString topicText(const IniFiles::Snapshot &file, int topic);

struct StartTopic
{
    int number = 0;
    QString heading;
    QString text;
};

// The topic the viewer opens with. The key of its text is the topic as it
// stood on the command line ("07" stays "07"); its heading is that of the
// number. Nothing when the topic is no number from 1 to 24 or has no text:
// 25 is refused on the command line although the menu offers it.
std::optional<StartTopic> startTopic(const IniFiles::Snapshot &file, const Contents &contents, const QString &topic);

} // namespace HelpContent
