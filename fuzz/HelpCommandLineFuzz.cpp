// The help viewer's start: its command-line argument and the topic lookup in
// a help content file. Input: the argument up to the first line feed, the
// help content file after it.

#include "HelpCommandLine.h"
#include "HelpContent.h"
#include "IniFile.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void require(bool condition)
{
    if (!condition) {
        std::abort();
    }
}

QString helpFile()
{
    static QTemporaryDir folder;
    return folder.filePath(QStringLiteral("Quandel.chf"));
}

bool endsWithDigit(const QString &text)
{
    return !text.isEmpty() && text.back() >= u'0' && text.back() <= u'9';
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray input = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    const qsizetype lineEnd = input.indexOf('\n');
    const QString argument = QString::fromUtf8(lineEnd < 0 ? input : input.first(lineEnd));
    const QByteArray content = lineEnd < 0 ? QByteArray() : input.sliced(lineEnd + 1);

    const int comma = HelpCommandLine::InstrRev(argument, u",");
    require(comma >= 0 && comma <= argument.size());
    require(comma == 0 || argument.at(comma - 1) == u',');

    const HelpCommandLine::Request request = HelpCommandLine::parse(argument);
    if (request.outcome == HelpCommandLine::Request::Outcome::Quit) {
        require(argument.isEmpty() || endsWithDigit(argument) || argument.endsWith(u'"'));
    } else {
        require(!request.topic.isEmpty());
        require(request.file.size() <= argument.size());
    }

    // The lookup runs on a file of its own, never on the path the input
    // names.
    const QString file = helpFile();
    QFile out(file);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(content) != content.size()) {
        return 0;
    }
    out.close();

    const IniFiles::Snapshot help = IniFiles::Snapshot::read(file);
    const HelpContent::Contents contents = HelpContent::Contents::read(help);
    require(contents.name.size() <= IniFiles::MaxValueLength);
    for (const QString &title : contents.titles) {
        require(title.size() <= IniFiles::MaxValueLength);
    }
    const QString topic = request.outcome == HelpCommandLine::Request::Outcome::Open ? request.topic : argument;
    if (const auto start = HelpContent::startTopic(help, contents, topic)) {
        require(start->number >= 1 && start->number < HelpContent::TopicCount);
        require(!start->text.isEmpty() && start->text.size() <= IniFiles::MaxValueLength);
        require(!start->heading.isEmpty());
    }
    for (int topicNumber : {-1, 0, 1, 25, 26}) {
        require(HelpContent::topicText(help, topicNumber).size() <= IniFiles::MaxValueLength);
        require(!contents.heading(topicNumber).isEmpty());
    }
    return 0;
}
