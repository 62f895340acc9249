#include "app/menus/mark_choices.h"

#include "app/filters/filter_choices.h"

namespace SVMarkChoices {

const QStringList& instruments() {
    static const QStringList names{
        QStringLiteral("Bass"),       QStringLiteral("Piano"), QStringLiteral("Keys"),
        QStringLiteral("Guitar"),     QStringLiteral("Pluck"), QStringLiteral("Synth"),
        QStringLiteral("Strings"),    QStringLiteral("Brass"), QStringLiteral("Flute"),
        QStringLiteral("Vocal"),      QStringLiteral("Kick"),  QStringLiteral("Snare"),
        QStringLiteral("Clap"),       QStringLiteral("HiHat"), QStringLiteral("Cymbal"),
        QStringLiteral("Percussion"), QStringLiteral("Tom"),   QStringLiteral("FX"),
        QStringLiteral("808"),        QStringLiteral("Other")};
    return names;
}

const QStringList& genres() {
    static const QStringList names = [] {
        QStringList choices = SVFilterChoices::initialChoices(SVFilterChoices::kGenres);
        choices.removeAll(QString::fromUtf8(SVFilterChoices::kAll));
        return choices;
    }();
    return names;
}

}  // namespace SVMarkChoices
