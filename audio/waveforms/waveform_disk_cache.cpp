#include "audio/waveforms/waveform_disk_cache.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string_view>

#include "audio/waveforms/waveform_key.h"

namespace sv {

namespace {

// A summary file is a few kilobytes; anything far larger is not one of ours.
constexpr qint64 kMaxCacheFileBytes = 256 * 1024;

// A small strict reader for the one shape of property list a summary file has. The general XML
// reader costs more than decoding a short sample, which would defeat the cache.
class PropertyListScanner {
  public:
    explicit PropertyListScanner(const QByteArray& bytes)
        : at_(bytes.constData()), end_(bytes.constData() + bytes.size()) {}

    // Skips blanks, the XML declaration, a DOCTYPE and comments.
    void skipProlog() {
        for (;;) {
            skipBlanks();
            if (startsWith("<?")) {
                skipPast("?>");
            } else if (startsWith("<!--")) {
                skipPast("-->");
            } else if (startsWith("<!DOCTYPE")) {
                skipPast(">");
            } else {
                return;
            }
        }
    }
    // Consumes an opening tag with this name, attributes allowed.
    bool openTag(std::string_view name) {
        skipBlanks();
        if (!startsWith("<") || !startsWith(name, 1))
            return false;
        const char* after = at_ + 1 + name.size();
        if (after >= end_ || (*after != '>' && *after != ' ' && *after != '\t' && *after != '\n'))
            return false;
        at_ = after;
        return skipPast(">") && at_[-2] != '/';
    }
    bool closeTag(std::string_view name) {
        skipBlanks();
        if (!startsWith("</") || !startsWith(name, 2))
            return false;
        at_ += 2 + name.size();
        skipBlanks();
        return consume('>');
    }
    // A <real> or <integer> element's value.
    std::optional<double> number() {
        skipBlanks();
        for (const std::string_view name :
             {std::string_view("real"), std::string_view("integer")}) {
            if (!startsWith("<") || !startsWith(name, 1) || at_ + 1 + name.size() >= end_ ||
                at_[1 + name.size()] != '>')
                continue;
            at_ += 2 + name.size();
            const char* textEnd = std::find(at_, end_, '<');
            const char* first = at_;
            const char* last = textEnd;
            while (first != last && isBlank(*first))
                ++first;
            while (last != first && isBlank(last[-1]))
                --last;
            at_ = textEnd;
            double value = 0.0;
            const auto [stop, status] = std::from_chars(first, last, value);
            const bool ok = status == std::errc() && stop == last && first != last;
            if (!ok || !closeTag(name))
                return std::nullopt;
            return value;
        }
        return std::nullopt;
    }
    bool atClosingTag() {
        skipBlanks();
        return startsWith("</");
    }
    bool atEndOfInput() {
        skipBlanks();
        return at_ == end_;
    }

  private:
    bool startsWith(std::string_view text, std::size_t offset = 0) const {
        return static_cast<std::size_t>(end_ - at_) >= offset + text.size() &&
               std::equal(text.begin(), text.end(), at_ + offset);
    }
    bool skipPast(std::string_view text) {
        const char* found = std::search(at_, end_, text.begin(), text.end());
        if (found == end_) {
            at_ = end_;
            return false;
        }
        at_ = found + text.size();
        return true;
    }
    bool consume(char c) {
        if (at_ == end_ || *at_ != c)
            return false;
        ++at_;
        return true;
    }
    static bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
    void skipBlanks() {
        while (at_ != end_ && isBlank(*at_))
            ++at_;
    }

    const char* at_;
    const char* end_;
};

}  // namespace

QString waveformCacheFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/Orvane Producer/SampleVorlan/Waveforms");
}

QString waveformCacheFilePath(const QString& key) {
    return waveformCacheFolder() + QLatin1Char('/') + waveformCacheFileName(key);
}

QByteArray waveformPropertyListBytes(const WaveformPeaks& peaks) {
    QByteArray bytes;
    bytes.reserve(static_cast<qsizetype>(peaks.size() * 40 + 256));
    bytes +=
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
        "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
        "<plist version=\"1.0\">\n<array>\n";
    for (const float value : peaks) {
        bytes += "\t<real>";
        bytes += QByteArray::number(static_cast<double>(value), 'g', 17);
        bytes += "</real>\n";
    }
    bytes += "</array>\n</plist>\n";
    return bytes;
}

std::optional<WaveformPeaks> parseWaveformPropertyList(const QByteArray& bytes) {
    PropertyListScanner scanner(bytes);
    scanner.skipProlog();
    if (!scanner.openTag("plist") || !scanner.openTag("array"))
        return std::nullopt;
    WaveformPeaks peaks;
    peaks.reserve(kWaveformPointCount);
    while (!scanner.atClosingTag()) {
        const std::optional<double> value = scanner.number();
        if (!value || !std::isfinite(*value) || *value < 0.0 || *value > 1.0)
            return std::nullopt;
        if (peaks.size() == kWaveformPointCount)
            return std::nullopt;
        peaks.push_back(static_cast<float>(*value));
    }
    if (!scanner.closeTag("array") || !scanner.closeTag("plist") || !scanner.atEndOfInput())
        return std::nullopt;
    if (!isValidWaveformSummary(peaks))
        return std::nullopt;
    return peaks;
}

std::optional<WaveformPeaks> readWaveformCacheFile(const QString& filePath) {
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    if (file.size() > kMaxCacheFileBytes)
        return std::nullopt;
    return parseWaveformPropertyList(file.read(kMaxCacheFileBytes));
}

bool writeWaveformCacheFile(const QString& filePath, const WaveformPeaks& peaks) {
    QDir().mkpath(QFileInfo(filePath).absolutePath());
    QSaveFile file(filePath);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray bytes = waveformPropertyListBytes(peaks);
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

}  // namespace sv
