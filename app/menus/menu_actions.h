#pragma once

namespace sv {
class Database;
}

class SVLocationActions;
class SVOrganisingActions;
class SVPlaylistActions;

// What the menu entries call: the catalogue for ticks, and the three groups of actions.
struct SVMenuActions {
    sv::Database& db;
    SVOrganisingActions& organising;
    SVPlaylistActions& playlists;
    SVLocationActions& locations;
};
