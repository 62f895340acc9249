#pragma once

#include <QSettings>

// The per-user settings of the application.
namespace SVSettings {

inline QSettings open() {
    return QSettings(QStringLiteral("Orvane Producer"), QStringLiteral("SampleVorlan"));
}

}  // namespace SVSettings
