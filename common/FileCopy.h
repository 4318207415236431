#pragma once

#include <QString>

#include <functional>

// Copies of whole files (the Senden an commands): written beside the
// destination through QSaveFile in chunks, so that neither memory nor the
// caller depend on the file's size, and renamed over the destination only
// once complete.
namespace FileCopy {

// Told before the first chunk (copied 0) and after each one; total is the
// source's size. Returning false stops the copy.
using Progress = std::function<bool(qint64 copied, qint64 total)>;

struct Result
{
    QString error;          // empty on success, else the reason
    bool cancelled = false; // stopped by the progress callback
};

// Copies the regular file source to destination. The source is opened
// without blocking and checked on its descriptor; a folder at the
// destination is refused. A link at the destination is replaced itself,
// never the file it points at; a failed or cancelled copy leaves the
// destination as it was. The copy keeps the source's modification time.
[[nodiscard]] Result copy(const QString &source, const QString &destination, const Progress &progress = {});

} // namespace FileCopy
