#pragma once

#include <QColor>
#include <QFont>
#include <QString>

#include <optional>

class QWidget;

// The editor font kept in section "0" of the data file. One text form is
// written: the colour as a decimal number in the classic 0x00BBGGRR order,
// the size with "." as decimal separator, the four styles as "True"/"False".
// Reading also accepts "," sizes, "Wahr"/"Falsch", "-1"/"0" and "1", which
// older data files contain.
namespace EditorFont {

QString colorToText(const QColor &color);
std::optional<QColor> colorFromText(const QString &text);

QString sizeToText(double pointSize);
std::optional<double> sizeFromText(const QString &text);

QString flagToText(bool flag);
std::optional<bool> flagFromText(const QString &text);

// Reads ForeColor, FontName, FontSize, FontBold, FontItalic, FontUnderline and
// FontStrikethru in that order and applies each one that is not empty to the
// editor; values that cannot be read are skipped.
void apply(QWidget *editor, const QString &dataFile);

// Writes the seven keys for the given font and colour; true when all writes
// succeeded.
bool store(const QFont &font, const QColor &color, const QString &dataFile);

} // namespace EditorFont
