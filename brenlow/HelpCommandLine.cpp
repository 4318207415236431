#include "HelpCommandLine.h"

#include <algorithm>
#include <climits>

namespace HelpCommandLine {

int InstrRev(QStringView text, QStringView separator, int start)
{
    // Texts come from the command line and a file; positions beyond what an
    // int holds are not worth a separate path.
    const int length = static_cast<int>(std::min<qsizetype>(text.size(), INT_MAX - 1));
    const int separatorLength = static_cast<int>(std::min<qsizetype>(separator.size(), INT_MAX - 1));
    if (start == 0) {
        start = length;
    }
    if (start < 1 || separatorLength > length) {
        return 0;
    }
    for (int position = std::min(start, length - separatorLength + 1); position >= 1; --position) {
        if (text.sliced(position - 1, separatorLength) == separator) {
            return position;
        }
    }
    return 0;
}

Request parse(const QString &argument)
{
    Request request;
    if (argument.isEmpty()) {
        return request;
    }
    QString text = argument;
    if (text.endsWith(u'"')) {
        text.chop(1);
    }
    if (text.startsWith(u'"')) {
        text.remove(0, 1);
    }

    if (!text.isEmpty() && text.back() >= u'0' && text.back() <= u'9') {
        // Lowered one code unit at a time: full case mapping may change the
        // length of the text, and the position found must fit the original.
        QString lowered = text;
        for (QChar &c : lowered) {
            c = c.toLower();
        }
        const int position = InstrRev(lowered, u".chf");
        if (position == 0) {
            return request;
        }
        request.file = text.first(position) + QStringLiteral("chf");
    } else {
        request.file = text;
    }

    const int comma = InstrRev(text, u",");
    request.topic = comma > 0 ? text.sliced(comma) : QString();
    if (request.topic.isEmpty()) {
        request.topic = QStringLiteral("1");
    }
    request.outcome = Request::Outcome::Open;
    return request;
}

} // namespace HelpCommandLine
