#include "app/menus/menu_contexts.h"

#include <QFileInfo>
#include <QStringList>

std::vector<std::int64_t> SVRowMenuContext::sampleIds() const {
    std::vector<std::int64_t> ids;
    ids.reserve(samples.size());
    for (const SVChosenSample& sample : samples)
        ids.push_back(sample.id);
    return ids;
}

QStringList SVRowMenuContext::samplePaths() const {
    QStringList paths;
    for (const SVChosenSample& sample : samples)
        paths.append(QString::fromStdString(sample.path));
    return paths;
}

bool SVRowMenuContext::allMidiFiles() const {
    if (samples.empty())
        return false;
    for (const SVChosenSample& sample : samples) {
        const QString suffix = QFileInfo(QString::fromStdString(sample.path)).suffix().toLower();
        if (suffix != QLatin1String("mid") && suffix != QLatin1String("midi"))
            return false;
    }
    return true;
}
