#pragma once

#include <QStringList>

// The fixed choices of the "Mark Instrument" and "Mark Genres" submenus.
namespace SVMarkChoices {

// Bass, Piano, … 808, Other.
const QStringList& instruments();
// The genres the Genres filter starts with ("trap", "hip hop", … "jazz"), without "All".
const QStringList& genres();

}  // namespace SVMarkChoices
