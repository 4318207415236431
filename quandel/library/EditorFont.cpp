#include "EditorFont.h"

#include "DataFileKeys.h"
#include "IniFile.h"

#include <QWidget>

namespace {

const QString Section = QString::fromUtf16(DataFileKeys::FontSection);

} // namespace

namespace EditorFont {

QString colorToText(const QColor &color)
{
    const QRgb rgb = color.rgb();
    const quint32 value = quint32(qRed(rgb)) | (quint32(qGreen(rgb)) << 8) | (quint32(qBlue(rgb)) << 16);
    return QString::number(value);
}

std::optional<QColor> colorFromText(const QString &text)
{
    bool ok = false;
    const qlonglong value = text.trimmed().toLongLong(&ok);
    // System colours (high bit set) and anything beyond 24 bits are no colour
    // of their own; the editor keeps its default then.
    if (!ok || value < 0 || value > 0xFFFFFF) {
        return std::nullopt;
    }
    return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}

QString sizeToText(double pointSize)
{
    return QString::number(pointSize, 'g', 6);
}

std::optional<double> sizeFromText(const QString &text)
{
    QString normal = text.trimmed();
    normal.replace(u',', u'.');
    bool ok = false;
    const double size = normal.toDouble(&ok);
    if (!ok || !(size >= 1.0 && size <= 1638.0)) {
        return std::nullopt;
    }
    return size;
}

QString flagToText(bool flag)
{
    return flag ? QStringLiteral("True") : QStringLiteral("False");
}

std::optional<bool> flagFromText(const QString &text)
{
    const QString t = text.trimmed().toLower();
    if (t == u"true" || t == u"wahr" || t == u"-1" || t == u"1") {
        return true;
    }
    if (t == u"false" || t == u"falsch" || t == u"0") {
        return false;
    }
    return std::nullopt;
}

void apply(QWidget *editor, const QString &dataFile)
{
    const auto read = [&dataFile](const char16_t *key) {
        return IniFiles::GetINIString(dataFile, Section, QString::fromUtf16(key));
    };
    QFont font = editor->font();
    QPalette palette = editor->palette();

    if (const QString text = read(DataFileKeys::ForeColor); !text.isEmpty()) {
        if (const auto color = colorFromText(text)) {
            palette.setColor(QPalette::Text, *color);
            editor->setPalette(palette);
        }
    }
    if (const QString text = read(DataFileKeys::FontName); !text.isEmpty()) {
        font.setFamily(text);
    }
    if (const QString text = read(DataFileKeys::FontSize); !text.isEmpty()) {
        if (const auto size = sizeFromText(text)) {
            font.setPointSizeF(*size);
        }
    }
    const std::pair<const char16_t *, void (QFont::*)(bool)> styles[] = {
        {DataFileKeys::FontBold, &QFont::setBold},
        {DataFileKeys::FontItalic, &QFont::setItalic},
        {DataFileKeys::FontUnderline, &QFont::setUnderline},
        {DataFileKeys::FontStrikethru, &QFont::setStrikeOut}};
    for (const auto &[key, setter] : styles) {
        if (const QString text = read(key); !text.isEmpty()) {
            if (const auto flag = flagFromText(text)) {
                (font.*setter)(*flag);
            }
        }
    }
    editor->setFont(font);
}

bool store(const QFont &font, const QColor &color, const QString &dataFile)
{
    const std::pair<const char16_t *, QString> values[] = {
        {DataFileKeys::ForeColor, colorToText(color)},
        {DataFileKeys::FontName, font.family()},
        {DataFileKeys::FontSize, sizeToText(font.pointSizeF())},
        {DataFileKeys::FontBold, flagToText(font.bold())},
        {DataFileKeys::FontItalic, flagToText(font.italic())},
        {DataFileKeys::FontUnderline, flagToText(font.underline())},
        {DataFileKeys::FontStrikethru, flagToText(font.strikeOut())}};
    // One replacement of the file: a failure midway must not leave half of
    // a new font beside half of the old one.
    QList<IniFiles::Change> changes;
    for (const auto &[key, value] : values) {
        changes.append({IniFiles::Change::Kind::Write, Section, QString::fromUtf16(key), value});
    }
    return IniFiles::ApplyINIChanges(dataFile, changes);
}

} // namespace EditorFont
