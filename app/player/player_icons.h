#pragma once

#include <QColor>
#include <QIcon>

// The player's symbols drawn by the application, for desktops whose icon theme lacks them.
namespace SVPlayerIcons {

enum class Symbol {
    Previous,
    Next,
    Play,
    Pause,
    Stop,
    Repeat,
    AddToPlaylist,
    SpeakerMuted,
    SpeakerLow,
    SpeakerHigh
};

QIcon icon(Symbol symbol, const QColor& color, int size = 20);

}  // namespace SVPlayerIcons
