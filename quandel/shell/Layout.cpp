#include "Layout.h"

#include "Twips.h"

#include <algorithm>
#include <cmath>

namespace Layout {

Result compute(const Input &input)
{
    Result r;
    r.width = input.width;
    r.height = input.height;
    // Below the minimum the window is enlarged, so that no pane gets a
    // negative size; the pass then goes on with the new size.
    if (r.width <= MinWidth - 10.0F) {
        r.width = MinWidth;
        r.resized = true;
    }
    if (r.height <= MinHeight - 10.0F) {
        r.height = MinHeight;
        r.resized = true;
    }
    const float w = r.width;
    const float h = r.height;

    const float listWidth = input.pictureVisible ? w - 3855.0F : w - 400.0F;
    const float listHeight = h / 3.0F;
    r.dateien = QRectF(ListLeft, ListTop, listWidth, listHeight);
    r.dateienImt = r.dateien;
    r.frame1 = QRectF(0, 0, w, FrameHeight);

    const float backgroundLeft = listWidth + 160.0F;
    r.background = QRectF(backgroundLeft, ListTop, PictureWidth, listHeight);
    const float picturesWidth = PictureWidth - 300.0F;
    r.pictures = QRectF((PictureWidth - picturesWidth) / 2.0F, (listHeight - input.picturesHeight) / 2.0F,
                        picturesWidth, input.picturesHeight);

    const float textTop = ListTop + listHeight + 75.0F;
    const float textWidth = input.pictureVisible ? PictureWidth - 100.0F + backgroundLeft : listWidth;
    const float textHeight = h - (textTop + 970.0F);
    r.text = QRectF(TextLeft, textTop, textWidth, textHeight);
    // The procedure list takes its height from the editor, never all of it.
    const float procedures = std::clamp(input.proceduresHeight, 0.0F, textHeight / 2.0F);
    r.procedures = QRectF(TextLeft, textTop, textWidth, procedures);
    r.text.adjust(0, procedures, 0, 0);
    r.textImt = r.text;
    r.webBrowser = r.text;
    return r;
}

float twipsPerPixel(float dpi)
{
    return Twips::perPixel(dpi);
}

int toPixels(float twips, float dpi)
{
    return Twips::toPixels(twips, dpi);
}

float toTwips(int pixels, float dpi)
{
    return Twips::fromPixels(pixels, dpi);
}

} // namespace Layout
