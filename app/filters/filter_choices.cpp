#include "app/filters/filter_choices.h"

#include <QSet>

#include <algorithm>
#include <array>
#include <set>

#include "core/inference/instrument_normalization.h"
#include "core/inference/key_display.h"
#include "core/search/search_sql.h"

namespace SVFilterChoices {

namespace {

bool isUnknownOrNone(const std::string& value) {
    return value == "Unknown" || value == "None";
}

bool isBlank(const std::string& value) {
    return std::all_of(value.begin(), value.end(),
                       [](unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); });
}

QString lowered(const std::string& value) {
    return QString::fromStdString(value).toLower();
}

// The stored key as the key filter compares it: lower case, blanks removed.
std::string comparedKey(const std::string& key) {
    std::string out;
    for (const char ch : key) {
        if (ch == ' ')
            continue;
        out.push_back(ch >= 'A' && ch <= 'Z' ? static_cast<char>(ch - 'A' + 'a') : ch);
    }
    return out;
}

bool keyLeadsBack(const std::string& compact, const std::string& stored) {
    const std::array<std::string, 3> candidates = sv::keyCandidates(compact);
    return std::find(candidates.begin(), candidates.end(), comparedKey(stored)) != candidates.end();
}

QStringList keyChoices(const std::vector<std::string>& values) {
    QStringList choices{QString::fromLatin1(kAll)};
    std::set<std::string> offered;
    for (const std::string& value : values) {
        if (isBlank(value) || isUnknownOrNone(value))
            continue;
        const std::optional<std::string> compact = SVCompactKey(value);
        if (!compact || compact->empty() || !keyLeadsBack(*compact, value))
            continue;
        if (offered.insert(*compact).second)
            choices << QString::fromStdString(*compact);
    }
    return choices;
}

QStringList instrumentChoices(const std::vector<std::string>& values) {
    QSet<QString> stored;
    for (const std::string& value : values)
        stored.insert(lowered(value));
    QStringList choices{QString::fromLatin1(kAll)};
    std::set<std::string> offered;
    for (const std::string& value : values) {
        if (isBlank(value) || isUnknownOrNone(value))
            continue;
        // The filter looks for the normalised name, which must itself be among the values.
        if (!stored.contains(lowered(sv::normalizedInstrument(value))))
            continue;
        if (offered.insert(value).second)
            choices << QString::fromStdString(value);
    }
    return choices;
}

QStringList plainChoices(const std::vector<std::string>& values) {
    QStringList choices{QString::fromLatin1(kAll)};
    std::set<std::string> offered;
    for (const std::string& value : values) {
        if (isBlank(value) || isUnknownOrNone(value))
            continue;
        if (offered.insert(value).second)
            choices << QString::fromStdString(value);
    }
    return choices;
}

}  // namespace

QString chipName(int chip) {
    switch (chip) {
        case kType:
            return QStringLiteral("Type");
        case kInstruments:
            return QStringLiteral("Instruments");
        case kBpm:
            return QStringLiteral("BPM");
        case kKey:
            return QStringLiteral("Key");
        case kGenres:
            return QStringLiteral("Genres");
        default:
            return {};
    }
}

QStringList initialChoices(int chip) {
    switch (chip) {
        case kInstruments:
            return {
                QStringLiteral("All"),    QStringLiteral("Bass"),       QStringLiteral("Piano"),
                QStringLiteral("Keys"),   QStringLiteral("Guitar"),     QStringLiteral("Pluck"),
                QStringLiteral("Synth"),  QStringLiteral("Strings"),    QStringLiteral("Brass"),
                QStringLiteral("Flute"),  QStringLiteral("Vocal"),      QStringLiteral("Kick"),
                QStringLiteral("Snare"),  QStringLiteral("Clap"),       QStringLiteral("HiHat"),
                QStringLiteral("Cymbal"), QStringLiteral("Percussion"), QStringLiteral("Tom"),
                QStringLiteral("FX"),     QStringLiteral("808"),        QStringLiteral("Other")};
        case kBpm: {
            QStringList choices{QStringLiteral("All")};
            for (int bpm = 50; bpm <= 200; bpm += 10)
                choices << QString::number(bpm);
            choices << QString::fromUtf8(kCustomBpm);
            return choices;
        }
        case kKey: {
            const QStringList roots{"C",  "C#", "D",  "D#", "E",  "F",
                                    "F#", "G",  "G#", "A",  "A#", "B"};
            QStringList choices{QStringLiteral("All")};
            choices << roots;
            for (const QString& root : roots)
                choices << root + QStringLiteral(" minor");
            return choices;
        }
        case kGenres:
            return {
                QStringLiteral("All"),       QStringLiteral("trap"),      QStringLiteral("hip hop"),
                QStringLiteral("house"),     QStringLiteral("rnb"),       QStringLiteral("pop"),
                QStringLiteral("cinematic"), QStringLiteral("acoustic"),  QStringLiteral("soul"),
                QStringLiteral("latin"),     QStringLiteral("reggaeton"), QStringLiteral("afro"),
                QStringLiteral("funk"),      QStringLiteral("rock"),      QStringLiteral("jazz")};
        default:
            return {QStringLiteral("All")};
    }
}

std::string suggestionField(int chip) {
    switch (chip) {
        case kInstruments:
            return "instrument";
        case kKey:
            return "key";
        case kGenres:
            return "genre";
        default:
            return {};
    }
}

sv::SearchQuery contextQuery(const SVBrowseScope& scope) {
    sv::SearchQuery query;
    query.favoritesOnly = scope.favoriteMode;
    query.folder = scope.folderScope;
    query.playlistId = scope.playlistId;
    if (!scope.sectionType.empty())
        query.type = scope.sectionType;
    else
        query.hideMidi = true;
    return query;
}

QStringList chipChoices(int chip, const std::vector<std::string>& values) {
    switch (chip) {
        case kKey:
            return keyChoices(values);
        case kInstruments:
            return instrumentChoices(values);
        default:
            return plainChoices(values);
    }
}

std::vector<std::string> quickFilterValues(int chip, const std::vector<std::string>& values) {
    static const std::vector<QString> preferredGenres{"trap", "rnb", "hip hop", "HoodTrap"};
    static const std::vector<QString> preferredInstruments{"Saxophone", "Piano", "EP", "Guitar"};
    const std::vector<QString>& preferred =
        chip == kGenres ? preferredGenres : preferredInstruments;
    std::vector<std::string> remaining;
    for (const std::string& value : values) {
        if (!isUnknownOrNone(value))
            remaining.push_back(value);
    }
    std::vector<std::string> ordered;
    ordered.reserve(remaining.size());
    std::vector<bool> taken(remaining.size(), false);
    for (const QString& wanted : preferred) {
        for (std::size_t i = 0; i < remaining.size(); ++i) {
            if (!taken[i] &&
                QString::fromStdString(remaining[i]).compare(wanted, Qt::CaseInsensitive) == 0) {
                ordered.push_back(remaining[i]);
                taken[i] = true;
            }
        }
    }
    for (std::size_t i = 0; i < remaining.size(); ++i) {
        if (!taken[i])
            ordered.push_back(remaining[i]);
    }
    return ordered;
}

QString quickFilterTitle(const QString& value) {
    if (value == QLatin1String("rnb"))
        return QStringLiteral("R&B");
    if (value == QLatin1String("hip hop"))
        return QStringLiteral("Hip Hop");
    return value;
}

std::optional<int> customBpm(const QString& text) {
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty() || trimmed.size() > 3)
        return std::nullopt;
    for (const QChar c : trimmed) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
    }
    const int bpm = trimmed.toInt();
    if (bpm < 20 || bpm > 300)
        return std::nullopt;
    return bpm;
}

}  // namespace SVFilterChoices
