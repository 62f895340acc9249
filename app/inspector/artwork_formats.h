#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// The image types a user may choose as artwork (png, jpg, jpeg, heic, webp), as far as the
// installed Qt image plugins read them, and the dialog that offers them.
namespace SVArtworkFormats {

// Lower-case suffixes, in the order above, of the types Qt can load here.
QStringList chooseableSuffixes();
// "Images (*.png *.PNG *.jpg *.JPG …)" over those suffixes, both cases.
QString nameFilter();
// A non-native open dialog for one existing image file; empty when cancelled.
QString chooseArtworkFile(QWidget* parent);

}  // namespace SVArtworkFormats
