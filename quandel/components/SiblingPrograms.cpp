#include "SiblingPrograms.h"

#include "AppPaths.h"
#include "FileSystem.h"

namespace {

struct Program
{
    const char16_t *caption;
    const char16_t *executable;
};

// One table, so that a new companion needs one line.
constexpr Program Programs[SiblingPrograms::Count] = {
    {u"Tivorn &Code Archiv", u"tivorn-codearchiv"},
    {u"Tivorn &Formular Designer", u"tivorn-formulare"},
    {u"Tivorn &Setup Generator", u"tivorn-setup"},
};

} // namespace

namespace SiblingPrograms {

QString caption(int i)
{
    return i >= 0 && i < Count ? QString::fromUtf16(Programs[i].caption) : QString();
}

QString executable(int i)
{
    return i >= 0 && i < Count ? QString::fromUtf16(Programs[i].executable) : QString();
}

QString path(int i)
{
    return AppPaths::programFolder() + u'/' + executable(i);
}

bool exists(int i)
{
    return i >= 0 && i < Count && FileExists(path(i));
}

} // namespace SiblingPrograms
