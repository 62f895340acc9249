#pragma once

#include <QColor>
#include <QIcon>

// The sidebar's symbols: the desktop theme's icon where it has one, else one drawn here.
namespace SVSidebarIcons {

enum class Symbol { Grid, Repeat, Waveform, PianoKeys, Heart, Drive, Folder, Back, NoteList };

QIcon icon(Symbol symbol, const QColor& color, int size = 16);
// The same symbol as the application draws it, whatever the desktop theme holds.
QIcon drawnIcon(Symbol symbol, const QColor& color, int size = 16);

}  // namespace SVSidebarIcons
