#pragma once

#include <QList>
#include <QString>
#include <QVariant>

#include <optional>
#include <utility>

// Every value the program keeps in the key store, under the product's key
// (ProductInfo::registryKey()), declared once with its name, its kind, what
// the program does while it is not stored and its bounds. Code reads and
// writes these values only through the declarations below, so that a
// misspelt name does not compile and each value is read one way.
namespace Settings {

// A switch stored as the number 1 or 0. The options dialog shows it checked
// when it is stored as 1.
struct Switch
{
    enum class Reading
    {
        One,     // on when stored as 1
        NonZero, // on when stored as any number but 0
    };
    const char16_t *name;
    bool whenMissing;      // what the program does while it is not stored
    bool shownWhenMissing; // what the options dialog shows then
    Reading reading = Reading::One;
};

// A whole number kept as text ("2"); its leading number counts ("2x" is 2).
// A number outside [minimum, maximum] counts as whenMissing.
struct NumberText
{
    const char16_t *name;
    int whenMissing;
    int minimum;
    int maximum;
};

// Text, stored as it is.
struct Text
{
    const char16_t *name;
};

// A position or length of the window in twips, kept as decimal text in the
// form of a single-precision number; read within ±limit.
struct Twips
{
    const char16_t *name;
    float limit = 1.0e7F; // far beyond any screen, small enough to convert
};

// The document folder, the checked kind and the last shown document.
inline constexpr Text Path{u"Path"};
inline constexpr NumberText Pattern{u"Pattern", 0, 0, 3};
inline constexpr Text Last{u"Last"};
// Whether the web view was on at exit.
inline constexpr Switch Viewer{u"Viewer", false, false};
// The window's outer rectangle.
inline constexpr Twips Left{u"Left"};
inline constexpr Twips Top{u"Top"};
inline constexpr Twips Width{u"Width"};
inline constexpr Twips Height{u"Height"};
// The colouring switch of the view menu.
inline constexpr Switch Highlight{u"Highlight", true, true, Switch::Reading::NonZero};
// The version whose disclaimer was accepted, and the program folder for
// other programs to find this one.
inline constexpr Text Version{u"Version"};
inline constexpr Text InstallDir{u"InstallDir"};
// The switches of the options dialog. Where the program and the dialog
// differ while nothing is stored (LinkError, StatusText), each keeps its own.
inline constexpr Switch TextIndex{u"TextIndex", false, false};
inline constexpr Switch Recycle{u"Recycle", true, true};
inline constexpr Switch LinkCheck{u"LinkCheck", true, true};
inline constexpr Switch LinkError{u"LinkError", false, true};
inline constexpr Switch Startup{u"Startup", false, false, Switch::Reading::NonZero};
inline constexpr Switch ToolTips{u"ToolTips", true, true};
inline constexpr Switch Werbung{u"Werbung", false, false};
inline constexpr Switch StatusText{u"StatusText", false, true};

// Reading: the value as the program acts on it.
bool read(const Switch &key);
int read(const NumberText &key);
std::optional<QString> read(const Text &key);
std::optional<float> read(const Twips &key);
// As the options dialog shows it: checked, and whether it was stored.
bool shown(const Switch &key, bool *stored = nullptr);
bool isStored(const Switch &key);

// Writing a single value; false when the store could not keep it.
[[nodiscard]] bool write(const Switch &key, bool on);
[[nodiscard]] bool write(const Text &key, const QString &text);

// Several values in one change, so another instance never reads half of
// them.
class Batch final
{
public:
    void add(const Switch &key, bool on);
    void add(const NumberText &key, int number);
    void add(const Text &key, const QString &text);
    void add(const Twips &key, float twips);
    [[nodiscard]] bool write() const;

private:
    QList<std::pair<QString, QVariant>> m_values;
};

// The text form twips are stored in.
QString twipsText(float twips);

} // namespace Settings
