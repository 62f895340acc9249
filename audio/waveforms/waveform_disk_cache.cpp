#include "audio/waveforms/waveform_disk_cache.h"

#include <fcntl.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "audio/waveforms/cache_folder_descriptor.h"
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
    // A <real> or <integer> element's value. Returned through the argument: a std::optional
    // copied twice per value stalled on its own half-written bytes, which was most of a read.
    bool number(double& value) {
        skipBlanks();
        if (plainReal(value))
            return true;
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
            const bool ok = first != last && parseDecimal(first, last, value);
            return ok && closeTag(name);
        }
        return false;
    }
    // The exact line this cache writes, "\n\t<real>0.498039216</real>", taken with a few word
    // compares; false, having consumed nothing, for any other text.
    bool writtenReal(double& value) {
        static constexpr char kLineStart[] = "\n\t<real>";
        static constexpr char kClose[] = "</real>";
        constexpr std::size_t kLineStartSize = sizeof kLineStart - 1;
        if (static_cast<std::size_t>(end_ - at_) < kLineStartSize ||
            std::memcmp(at_, kLineStart, kLineStartSize) != 0)
            return false;
        const char* stop = shortFraction(at_ + kLineStartSize, value);
        if (stop == nullptr || std::memcmp(stop, kClose, sizeof kClose - 1) != 0)
            return false;
        at_ = stop + sizeof kClose - 1;
        return true;
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
    // The shape this cache writes, "<real>0.498039216</real>", read in one pass; anything else
    // is left to the general reading above.
    bool plainReal(double& value) {
        static constexpr std::string_view kOpen = "<real>";
        static constexpr std::string_view kClose = "</real>";
        if (!startsWith(kOpen))
            return false;
        const char* first = at_ + kOpen.size();
        if (const char* stop = shortFraction(first, value)) {
            if (std::equal(kClose.begin(), kClose.end(), stop)) {
                at_ = stop + kClose.size();
                return true;
            }
        }
        const char* last = first;
        while (last != end_ && ((*last >= '0' && *last <= '9') || *last == '.' || *last == 'e' ||
                                *last == 'E' || *last == '-' || *last == '+'))
            ++last;
        if (first == last || static_cast<std::size_t>(end_ - last) < kClose.size() ||
            !std::equal(kClose.begin(), kClose.end(), last) || !parseDecimal(first, last, value))
            return false;
        at_ = last + kClose.size();
        return true;
    }

    // "0." and 1 to 16 digits, the spelling of nearly every value this cache writes, read eight
    // digits at a time. Returns where the digits end, or null to leave the text to the general
    // reading; always leaves at least the closing tag's length of input after the digits.
    const char* shortFraction(const char* first, double& value) const {
        if constexpr (std::endian::native != std::endian::little) {
            return nullptr;
        } else {
            if (end_ - first < 2 + 16 + 8 || first[0] != '0' || first[1] != '.')
                return nullptr;
            const char* digits = first + 2;
            const int leading = digitRun(digits);
            if (leading == 0)
                return nullptr;
            std::uint64_t mantissa = digitValue(digits, leading);
            int count = leading;
            if (leading == 8) {
                const int trailing = digitRun(digits + 8);
                if (trailing == 8)
                    return nullptr;
                if (trailing > 0) {
                    mantissa = mantissa * kPowersOfTen[trailing] + digitValue(digits + 8, trailing);
                    count += trailing;
                }
            }
            value = static_cast<double>(mantissa) * kNegativePowers[count];
            return digits + count;
        }
    }
    static std::uint64_t eightBytes(const char* at) {
        std::uint64_t word = 0;
        std::memcpy(&word, at, sizeof word);
        return word;
    }
    // How many of the eight bytes at `at` are decimal digits before the first that is not. A
    // carry out of a byte of 0xFA or more only reaches bytes after that (non-digit) byte.
    static int digitRun(const char* at) {
        const std::uint64_t word = eightBytes(at);
        constexpr std::uint64_t kHighNibbles = 0xF0F0F0F0F0F0F0F0ull;
        constexpr std::uint64_t kThrees = 0x3030303030303030ull;
        const std::uint64_t notDigit = ((word & kHighNibbles) ^ kThrees) |
                                       (((word + 0x0606060606060606ull) & kHighNibbles) ^ kThrees);
        return notDigit == 0 ? 8 : std::countr_zero(notDigit) / 8;
    }
    // The value of the first `count` (1 to 8) digits at `at`: the bytes after them are shifted
    // out, leaving leading zeros, and the eight digits are combined pairwise.
    static std::uint64_t digitValue(const char* at, int count) {
        std::uint64_t word = (eightBytes(at) - 0x3030303030303030ull) << (8 * (8 - count));
        word = word * 10 + (word >> 8);
        constexpr std::uint64_t kPairMask = 0x000000FF000000FFull;
        word = (((word & kPairMask) * (100 + (1000000ull << 32))) +
                (((word >> 16) & kPairMask) * (1 + (10000ull << 32)))) >>
               32;
        return word & 0xFFFFFFFFull;
    }
    static constexpr std::uint64_t kPowersOfTen[] = {1,      10,      100,      1000,     10000,
                                                     100000, 1000000, 10000000, 100000000};
    static constexpr double kNegativePowers[] = {
        1e0,   1e-1,  1e-2,  1e-3,  1e-4,  1e-5,  1e-6,  1e-7,  1e-8,  1e-9,  1e-10,
        1e-11, 1e-12, 1e-13, 1e-14, 1e-15, 1e-16, 1e-17, 1e-18, 1e-19, 1e-20, 1e-21,
        1e-22, 1e-23, 1e-24, 1e-25, 1e-26, 1e-27, 1e-28, 1e-29, 1e-30, 1e-31, 1e-32,
        1e-33, 1e-34, 1e-35, 1e-36, 1e-37, 1e-38, 1e-39, 1e-40};

    // The numbers this cache writes are short plain decimals ("0.4980392158031463", "1",
    // "2.5e-05"); reading them directly is several times faster than the general conversion,
    // which still reads anything else. A float of the summary cannot tell the difference.
    static bool parseDecimal(const char* first, const char* last, double& value) {
        std::uint64_t mantissa = 0;
        int digits = 0;
        int exponent = 0;
        const char* at = first;
        bool seenDigit = false;
        for (; at != last && *at >= '0' && *at <= '9'; ++at, seenDigit = true) {
            if (digits < 19) {
                mantissa = mantissa * 10 + static_cast<std::uint64_t>(*at - '0');
                digits += mantissa != 0;
            } else {
                ++exponent;
            }
        }
        if (at != last && *at == '.') {
            for (++at; at != last && *at >= '0' && *at <= '9'; ++at, seenDigit = true) {
                if (digits < 19) {
                    mantissa = mantissa * 10 + static_cast<std::uint64_t>(*at - '0');
                    digits += mantissa != 0;
                    --exponent;
                }
            }
        }
        if (at != last && (*at == 'e' || *at == 'E')) {
            const char* exponentStart = ++at;
            bool negative = false;
            if (at != last && (*at == '-' || *at == '+'))
                negative = *at++ == '-';
            int written = 0;
            for (; at != last && *at >= '0' && *at <= '9' && written < 1000; ++at)
                written = written * 10 + (*at - '0');
            if (at == exponentStart || (at != last && *at >= '0' && *at <= '9'))
                return general(first, last, value);
            exponent += negative ? -written : written;
        }
        if (!seenDigit || at != last || exponent < -40 || exponent > 0)
            return general(first, last, value);
        value = static_cast<double>(mantissa) * kNegativePowers[-exponent];
        return true;
    }
    static bool general(const char* first, const char* last, double& value) {
        const auto [stop, status] = std::from_chars(first, last, value);
        return status == std::errc() && stop == last;
    }

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
        // Nine significant digits read back as the same float, in half the bytes of 17.
        bytes += QByteArray::number(static_cast<double>(value), 'g', 9);
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
    for (;;) {
        double value = 0.0;
        if (!scanner.writtenReal(value)) {
            if (scanner.atClosingTag())
                break;
            if (!scanner.number(value))
                return std::nullopt;
        }
        if (!std::isfinite(value) || value < 0.0 || value > 1.0)
            return std::nullopt;
        if (peaks.size() == kWaveformPointCount)
            return std::nullopt;
        peaks.push_back(static_cast<float>(value));
    }
    if (!scanner.closeTag("array") || !scanner.closeTag("plist") || !scanner.atEndOfInput())
        return std::nullopt;
    // Each value was checked as it was read; only the count is left.
    if (peaks.size() != kWaveformPointCount)
        return std::nullopt;
    return peaks;
}

std::optional<WaveformPeaks> readWaveformCacheFile(const QString& filePath) {
    // Plain system calls: a cache hit is a few kilobytes, and the file layer's own checks and
    // buffering would cost more than reading them.
    static CacheFolderDescriptor cacheFolder;
    const int descriptor = cacheFolder.openForReading(QFile::encodeName(filePath));
    if (descriptor < 0)
        return std::nullopt;
    // A summary file is about 5 KB and is read into the stack; only a larger (damaged) file
    // moves to the heap, up to the limit.
    constexpr qsizetype kStackBytes = 12 * 1024;
    char onStack[kStackBytes];
    QByteArray onHeap;
    char* buffer = onStack;
    qsizetype capacity = kStackBytes;
    qsizetype filled = 0;
    while (filled <= kMaxCacheFileBytes) {
        if (filled == capacity) {
            capacity = std::min<qsizetype>(capacity * 4, kMaxCacheFileBytes + 1);
            if (onHeap.isEmpty())
                onHeap = QByteArray(buffer, filled);
            onHeap.resize(capacity);
            buffer = onHeap.data();
        }
        const ssize_t got =
            ::read(descriptor, buffer + filled, static_cast<std::size_t>(capacity - filled));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        const bool shortRead = got < capacity - filled;
        filled += got;
        // A regular file reads short only at its end: no second call to learn that.
        if (shortRead)
            break;
    }
    ::close(descriptor);
    if (filled > kMaxCacheFileBytes)
        return std::nullopt;
    return parseWaveformPropertyList(QByteArray::fromRawData(buffer, filled));
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
