// Documents: every byte sequence decodes, and encoding the text in the format
// found gives the same bytes back, except for the one documented case (a lone
// LF in a file whose lines end in CR LF comes back as CR LF).
// Input: the document's bytes.

#include "DocumentText.h"
#include "TextFile.h"

#include <QByteArray>

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

bool hasLoneLf(const QByteArray &bytes)
{
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes.at(i) == '\n' && (i == 0 || bytes.at(i - 1) != '\r')) {
            return true;
        }
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const DecodedText decoded = TextFile::decode(bytes);
    bool switched = true;
    const QByteArray again = TextFile::encode(decoded.text, decoded.format, &switched);
    require(!switched);
    if (!(decoded.format.lineEnd == TextFormat::LineEnd::CrLf && hasLoneLf(bytes))) {
        require(again == bytes);
    }
    require(TextFile::decode(again).text == decoded.text);

    // What the editor shows is written back as the file was.
    const DocumentText shown = DocumentText::fromFile(decoded.text);
    require(shown.toFile(shown.editorText) == decoded.text);
    return 0;
}
