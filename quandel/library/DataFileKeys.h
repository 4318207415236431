#pragma once

// The keys of the data file (Quandel.dat), declared once. Every value there
// is text; a key that is missing or empty leaves its default in place.
namespace DataFileKeys {

// Section "0": the editor's own font and colour. ForeColor is the colour as
// a number (red | green << 8 | blue << 16), FontSize in points, the styles
// "True" or "False". The editor's default font stays while FontName is empty.
inline constexpr char16_t FontSection[] = u"0";
inline constexpr char16_t ForeColor[] = u"ForeColor";
inline constexpr char16_t FontName[] = u"FontName";
inline constexpr char16_t FontSize[] = u"FontSize";
inline constexpr char16_t FontBold[] = u"FontBold";
inline constexpr char16_t FontItalic[] = u"FontItalic";
inline constexpr char16_t FontUnderline[] = u"FontUnderline";
inline constexpr char16_t FontStrikethru[] = u"FontStrikethru";

// Sections "1" to FavouritesStore::MaxSlots: one favourite each, its name,
// its file name and its folder; a slot without a file name is free.
inline constexpr char16_t FavouriteName[] = u"Name";
inline constexpr char16_t FavouriteFile[] = u"Datei";
inline constexpr char16_t FavouriteFolder[] = u"Dir";

} // namespace DataFileKeys
