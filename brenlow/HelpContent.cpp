#include "HelpContent.h"

#include "IniFile.h"

namespace HelpContent {

QString defaultCaption()
{
    return QStringLiteral("Hilfethemen");
}

QString untitled()
{
    return QStringLiteral("Wählen Sie ein Thema");
}

Contents Contents::read(const IniFiles::Snapshot &file)
{
    Contents contents;
    contents.name = file.value(QStringLiteral("Applikation"), QStringLiteral("Name"));
    for (int n = 1; n <= TopicCount; ++n) {
        contents.titles[n - 1] = file.value(QStringLiteral("Contents"), QString::number(n));
    }
    return contents;
}

QString Contents::caption() const
{
    return name.isEmpty() ? defaultCaption() : name;
}

QString Contents::heading(int topic) const
{
    if (topic < 1 || topic > TopicCount || titles[topic - 1].isEmpty()) {
        return untitled();
    }
    return titles[topic - 1];
}

QString topicText(const IniFiles::Snapshot &file, int topic)
{
    return file.value(QStringLiteral("Text"), QString::number(topic));
}

std::optional<StartTopic> startTopic(const IniFiles::Snapshot &file, const Contents &contents, const QString &topic)
{
    bool isNumber = false;
    const int number = topic.toInt(&isNumber, 10);
    if (!isNumber || number < 1 || number >= TopicCount) {
        return std::nullopt;
    }
    StartTopic start;
    start.number = number;
    start.heading = contents.heading(number);
    start.text = file.value(QStringLiteral("Text"), topic);
    if (start.text.isEmpty()) {
        return std::nullopt;
    }
    return start;
}

} // namespace HelpContent
