#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The search history: a plain text file, one term per line, each line ended
// by CR LF, the most recent term first.
namespace SearchHistory {

// The terms listed from the file's text: LF is dropped, CR ends a line, empty
// lines are skipped and what follows the last CR is not listed.
QStringList termsFromText(const QString &content);

// The new file text with term at the top: the earlier lines follow in their
// order without any line exactly equal to term; a last line without CR is
// dropped.
QString textWithTermOnTop(const QString &content, const QString &term);

// The text of a cleared history: two empty lines.
QString clearedText();

// ReadingSearch: the terms of the file; nullopt-like empty result with ok
// false when the file does not exist or cannot be read.
QStringList read(const QString &path, bool *exists = nullptr);

// SavingSearch: puts term at the top of the file (created when missing).
// True when the file was written.
[[nodiscard]] bool save(const QString &path, const QString &term);

// Writes the cleared history; true when written.
[[nodiscard]] bool clear(const QString &path);

} // namespace SearchHistory
