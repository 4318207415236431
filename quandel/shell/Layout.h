#pragma once

#include <QRectF>

// The main window arranges its panes by arithmetic in twips: the document
// list takes the upper third, the picture pane sits to its right, the editor
// fills the rest and the web view lies exactly over the editor. Values are
// single-precision like the window's own; divisions are not rounded.
namespace Layout {

constexpr float MinWidth = 8560.0F;  // twips
constexpr float MinHeight = 7810.0F; // twips
constexpr float ListLeft = 90.0F;
constexpr float ListTop = 135.0F;
constexpr float TextLeft = 90.0F;
constexpr float PictureWidth = 3380.0F;
constexpr float FrameHeight = 60.0F;
// The frame the arithmetic was designed with: borders, title bar and menu
// bar of the designed window, added to the client area to give the outer
// size the layout works on.
constexpr float DesignedFrameWidth = 120.0F;
constexpr float DesignedFrameHeight = 750.0F;

struct Input
{
    float width = 0;  // outer window width, twips
    float height = 0; // outer window height, twips
    bool pictureVisible = true;
    float picturesHeight = 2400.0F; // height of the artwork inside the picture pane
    // The procedure list above code: its height, 0 while it is not shown.
    float proceduresHeight = 0.0F;
};

struct Result
{
    // The window size the pass settled on: larger than the input when the
    // window was below its minimum.
    float width = 0;
    float height = 0;
    bool resized = false;

    QRectF dateien;    // document list
    QRectF dateienImt; // its mirror: same place and size
    QRectF background; // picture pane
    QRectF pictures;   // artwork, relative to the picture pane
    QRectF frame1;     // band along the top edge
    QRectF procedures; // procedure list: the top of the editor's place
    QRectF text;       // editor
    QRectF textImt;    // its mirror
    QRectF webBrowser; // web view, always the editor's rectangle
};

Result compute(const Input &input);

// Twips and pixels: 1440 twips are one logical inch.
float twipsPerPixel(float dpi);
int toPixels(float twips, float dpi);
float toTwips(int pixels, float dpi);

} // namespace Layout
