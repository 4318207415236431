#include "SyntaxColours.h"

#include <cmath>

namespace SyntaxColours {

namespace {

// Readable text: contrast of at least 4.5 against the background.
constexpr double Readable = 4.5;

double luminance(const QColor &c)
{
    const auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    const QColor rgb = c.toRgb();
    return 0.2126 * channel(rgb.redF()) + 0.7152 * channel(rgb.greenF()) + 0.0722 * channel(rgb.blueF());
}

bool isDark(const QColor &background)
{
    return luminance(background) < 0.25;
}

// Keeps hue and saturation, moves the lightness away from the background
// until the colour reads well on it.
QColor readableOn(const QColor &seed, const QColor &background)
{
    QColor c = seed.toHsl();
    const bool dark = isDark(background);
    float h = 0;
    float s = 0;
    float l = 0;
    c.getHslF(&h, &s, &l);
    for (int step = 0; step < 100 && contrast(c, background) < Readable; ++step) {
        l = dark ? std::min(1.0F, l + 0.02F) : std::max(0.0F, l - 0.02F);
        c.setHslF(h, s, l);
    }
    return c.toRgb();
}

QColor mix(const QColor &a, const QColor &b, double share)
{
    const QColor x = a.toRgb();
    const QColor y = b.toRgb();
    return QColor::fromRgbF(float(x.redF() * (1 - share) + y.redF() * share),
                            float(x.greenF() * (1 - share) + y.greenF() * share),
                            float(x.blueF() * (1 - share) + y.blueF() * share));
}

QColor hue(int degrees, const QColor &background)
{
    // Saturated on a light background, softer on a dark one.
    return QColor::fromHsl(degrees, isDark(background) ? 150 : 200, 128);
}

} // namespace

double contrast(const QColor &a, const QColor &b)
{
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor token(BasicSyntax::Kind kind, const QPalette &palette)
{
    const QColor base = palette.color(QPalette::Base);
    switch (kind) {
    case BasicSyntax::Kind::Keyword:
        return readableOn(palette.color(QPalette::Link), base);
    case BasicSyntax::Kind::Key:
        return readableOn(palette.color(QPalette::LinkVisited), base);
    case BasicSyntax::Kind::Comment:
        return readableOn(hue(120, base), base);
    case BasicSyntax::Kind::String:
        return readableOn(hue(0, base), base);
    case BasicSyntax::Kind::Number:
        return readableOn(hue(28, base), base);
    case BasicSyntax::Kind::Directive:
        return readableOn(mix(palette.color(QPalette::Link), palette.color(QPalette::WindowText), 0.5), base);
    }
    return palette.color(QPalette::Text);
}

QColor currentLine(const QPalette &palette)
{
    return mix(palette.color(QPalette::Base), palette.color(QPalette::Highlight), 0.12);
}

QColor termMark(const QPalette &palette)
{
    return mix(palette.color(QPalette::Base), palette.color(QPalette::Highlight), 0.35);
}

QColor blockMatch(const QPalette &palette)
{
    return mix(palette.color(QPalette::Base), hue(120, palette.color(QPalette::Base)), 0.3);
}

QColor blockUnmatched(const QPalette &palette)
{
    return mix(palette.color(QPalette::Base), hue(0, palette.color(QPalette::Base)), 0.4);
}

QColor marginText(const QPalette &palette)
{
    return mix(palette.color(QPalette::WindowText), palette.color(QPalette::Window), 0.4);
}

QColor marginBackground(const QPalette &palette)
{
    return mix(palette.color(QPalette::Base), palette.color(QPalette::Window), 0.6);
}

} // namespace SyntaxColours
