#pragma once

#include <QIcon>

namespace lumora::app {

// The toolbar pictures, drawn rather than shipped so that they stay sharp at
// every screen scale.
enum class ToolIcon {
    New,
    Open,
    Save,
    SavePdf,
    Copy,
    Print,
    FindHkl,
    Background,
    Labels,
    SpotColour,
    FilmOutline,
    ResetZoom,
    PolarNet,
};

QIcon toolIcon(ToolIcon kind);

// The program's own picture: a back-reflection pattern on a dark film.
QIcon programIcon();

}  // namespace lumora::app
