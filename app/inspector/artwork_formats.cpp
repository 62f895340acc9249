#include "app/inspector/artwork_formats.h"

#include <QFileDialog>
#include <QImageReader>

namespace SVArtworkFormats {

QStringList chooseableSuffixes() {
    const QList<QByteArray> readable = QImageReader::supportedImageFormats();
    QStringList suffixes;
    for (const char* suffix : {"png", "jpg", "jpeg", "heic", "webp"}) {
        if (readable.contains(QByteArray(suffix)))
            suffixes << QString::fromLatin1(suffix);
    }
    return suffixes;
}

QString nameFilter() {
    QStringList patterns;
    for (const QString& suffix : chooseableSuffixes())
        patterns << QStringLiteral("*.") + suffix << QStringLiteral("*.") + suffix.toUpper();
    return QStringLiteral("Images (%1)").arg(patterns.join(QLatin1Char(' ')));
}

QString chooseArtworkFile(QWidget* parent) {
    QFileDialog dialog(parent, QStringLiteral("Choose Pack Artwork"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setNameFilter(nameFilter());
    if (dialog.exec() != QDialog::Accepted)
        return {};
    const QStringList chosen = dialog.selectedFiles();
    return chosen.isEmpty() ? QString() : chosen.front();
}

}  // namespace SVArtworkFormats
