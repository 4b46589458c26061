// The settings file with arbitrary content. The player's own keys and every section and key the
// file names are read; then one of them is written and the file must give back the new value,
// every other one as before, and all of its other lines unchanged. Three keys written at once
// must give the same file as three single writes.
#include "fuzz/fuzzcheck.h"
#include "settings/inivalues.h"
#include "settings/privateprofile.h"
#include "settings/settingsrules.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QPoint>
#include <QSize>

#include <cstddef>
#include <cstdint>
#include <memory>

namespace {

using settings::PrivateProfile;

constexpr char PlayerSection[] = "Velmo";
constexpr const char *PlayerKeys[]
        = {"Display", "Screen", "ColorH",   "ColorF",  "Size", "AutoStart", "Continue",
           "Repeat",  "Pixel",  "LastOpen", "SaveDir", "Temp", "Locate",    "TempDir"};

// Only the first names of a file are tried: every read parses the file again.
constexpr qsizetype MaxLines = 64;
constexpr qsizetype MaxNamesFromFile = 2;

// The settings file kept in memory: the rules are the same as on disk, without the file system's
// time, so that many more inputs are tried.
class MemoryStore final : public settings::ProfileStore
{
public:
    QString name() const override { return QStringLiteral("VelmoMP.ini"); }
    bool exists() const override { return true; }
    std::optional<QByteArray> load() const override { return content; }
    bool replace(const QByteArray &replacement) override
    {
        content = replacement;
        return true;
    }
    QByteArray content;
};

const std::shared_ptr<MemoryStore> &sharedStore()
{
    static const auto kept = std::make_shared<MemoryStore>();
    return kept;
}

MemoryStore &store()
{
    return *sharedStore();
}

void setContent(const QByteArray &content)
{
    store().content = content;
}

QByteArray currentContent()
{
    return store().content;
}

// The text split at '\n' as QByteArray::split splits it, into views: no copy of each line.
QList<QByteArrayView> splitLines(QByteArrayView text, qsizetype maxLines)
{
    QList<QByteArrayView> lines;
    lines.reserve(qMin(text.count('\n') + 1, maxLines));
    while (lines.size() < maxLines) {
        const qsizetype end = text.indexOf('\n');
        if (end < 0) {
            lines << text;
            break;
        }
        lines << text.first(end);
        text = text.sliced(end + 1);
    }
    return lines;
}

// Spelled as in the file, with its blanks and letter case, so that matching is exercised too;
// each list ends with names of the player and names that are missing.
struct Names
{
    QList<QByteArray> sections;
    QList<QByteArray> keys;
    QList<QByteArray> values;
};

void addBounded(QList<QByteArray> &list, QByteArrayView text)
{
    if (list.size() < MaxNamesFromFile)
        list << text.toByteArray();
}

Names namesIn(const QByteArray &content)
{
    Names names;
    for (const QByteArrayView line : splitLines(content, MaxLines)) {
        if (const qsizetype open = line.indexOf('['); open >= 0) {
            qsizetype close = line.indexOf(']', open);
            if (close < 0)
                close = line.size();
            addBounded(names.sections, line.sliced(open + 1, close - open - 1));
        }
        if (const qsizetype equals = line.indexOf('='); equals >= 0) {
            addBounded(names.keys, line.first(equals));
            QByteArrayView value = line.sliced(equals + 1);
            if (value.endsWith('\r'))
                value.chop(1);
            addBounded(names.values, value);
        }
    }
    names.sections << PlayerSection << "Missing";
    names.keys << "Temp"
               << "Missing";
    names.values << QByteArray() << QByteArray(PrivateProfile::MaxValueLength + 2, 'x');
    return names;
}

QByteArrayView trimmedBlanks(QByteArrayView text)
{
    while (text.startsWith(' ') || text.startsWith('\t'))
        text = text.sliced(1);
    while (text.endsWith(' ') || text.endsWith('\t'))
        text.chop(1);
    return text;
}

// What PrivateProfile::write promises to store.
bool writable(QByteArrayView section, QByteArrayView key, QByteArrayView value)
{
    for (const QByteArrayView text : {section, key, value}) {
        if (text.contains('\n') || text.contains('\r') || text.contains('\0'))
            return false;
    }
    key = trimmedBlanks(key);
    return !section.contains(']') && !key.isEmpty() && !key.contains('=') && !key.startsWith(';')
            && !key.startsWith('[');
}

// True when the two may name the same section or key. Qt's trimming and case folding cover
// more characters than the file's, so this never misses a match.
bool maySameName(const QByteArray &a, const QByteArray &b)
{
    return a.trimmed().compare(b.trimmed(), Qt::CaseInsensitive) == 0;
}

QByteArray swappedAsciiCase(QByteArray text)
{
    for (char &c : text) {
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
        else if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    }
    return text;
}

// A read value is one line and fits the read buffer; the player's readers of numbers and lists
// keep to their ranges on it.
void checkValue(const QByteArray &value)
{
    FUZZ_CHECK(value.size() <= PrivateProfile::MaxValueLength);
    FUZZ_CHECK(!value.contains('\n') && !value.contains('\0'));

    if (const auto number = settings::toInteger(value))
        FUZZ_CHECK(settings::toInteger(settings::decimal(*number)) == number);
    qsizetype tokenBytes = 0;
    for (const QByteArray &token : settings::blankTokens(value)) {
        FUZZ_CHECK(!token.isEmpty() && !token.contains(' '));
        tokenBytes += token.size();
    }
    FUZZ_CHECK(tokenBytes < settings::TokenBufferSize);

    const int pixel = settings::pixelIndex(value);
    FUZZ_CHECK(pixel >= 0 && pixel <= 2);
    const settings::ReadAhead readAhead = settings::readAhead(value);
    FUZZ_CHECK(!readAhead.speed1Size.contains(' ') && !readAhead.speed2Size.contains(' '));
    const QSize screen(1920, 1080);
    if (const auto position = settings::windowPosition(value, QPoint(7, 9), screen))
        FUZZ_CHECK(position->x() < screen.width() - 50 && position->y() < screen.height() - 50);
}

// A write changes the key's line in place, adds it to its section, or appends the section and
// the key: every other line of the file is kept.
void checkOtherLinesKept(const QByteArray &before, const QByteArray &after)
{
    const QList<QByteArrayView> old = splitLines(before, before.size() + 1);
    const QList<QByteArrayView> now = splitLines(after, after.size() + 1);
    const qsizetype added = now.size() - old.size();
    FUZZ_CHECK(added >= 0 && added <= 3);
    qsizetype prefix = 0;
    while (prefix < old.size() && old[prefix] == now[prefix])
        ++prefix;
    qsizetype suffix = 0;
    while (suffix < old.size() - prefix
           && old[old.size() - 1 - suffix] == now[now.size() - 1 - suffix])
        ++suffix;
    FUZZ_CHECK(prefix + suffix >= old.size() - 1);
}

// A file of CRLF lines, or of LF lines alone, keeps its kind of line ends.
void checkLineEndsKept(const QByteArray &before, const QByteArray &after)
{
    if (!before.contains('\r'))
        FUZZ_CHECK(!after.contains('\r'));
    const bool allCrlf = before.endsWith("\r\n") && before.count('\n') == before.count("\r\n");
    if (allCrlf)
        FUZZ_CHECK(after.endsWith("\r\n") && after.count('\n') == after.count("\r\n"));
}

// FNV-1a: the same file always makes the same choice, so that a crash reproduces.
std::size_t fingerprint(const QByteArray &content)
{
    std::size_t hash = 14695981039346656037u;
    for (const char c : content)
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211u;
    return hash;
}

// One key written: it reads back, in any letter case, and nothing else changes.
void checkWrite(PrivateProfile &profile, const Names &names, const QList<QByteArray> &before,
                const QByteArray &original, const QByteArray &section, const QByteArray &key,
                const QByteArray &value)
{
    const bool written = profile.write(section, key, value);
    FUZZ_CHECK(written == writable(section, key, value));
    const QByteArray after = currentContent();
    if (!written) {
        FUZZ_CHECK(after == original);
        return;
    }

    const QByteArray stored = value.first(qMin(value.size(), PrivateProfile::MaxValueLength));
    FUZZ_CHECK(profile.read(section, key) == stored);
    FUZZ_CHECK(profile.read(swappedAsciiCase(section), swappedAsciiCase(key)) == stored);
    auto previous = before.cbegin();
    for (const QByteArray &otherSection : names.sections) {
        for (const QByteArray &otherKey : names.keys) {
            const bool same = maySameName(otherSection, section) && maySameName(otherKey, key);
            FUZZ_CHECK(same || profile.read(otherSection, otherKey) == *previous);
            ++previous;
        }
    }
    checkOtherLinesKept(original, after);
    checkLineEndsKept(original, after);

    // Writing the same value again leaves the file as it is.
    FUZZ_CHECK(profile.write(section, key, value));
    FUZZ_CHECK(currentContent() == after);
}

// Several keys written at once give the file that single writes of each in turn give, or leave
// it untouched when a single write of any of them would be refused.
void checkWriteOfSeveral(PrivateProfile &profile, const QByteArray &original,
                         const QByteArray &section, const QList<PrivateProfile::Entry> &entries)
{
    setContent(original);
    const bool written = profile.write(section, entries);
    const QByteArray together = currentContent();
    bool allWritable = true;
    for (const PrivateProfile::Entry &entry : entries)
        allWritable = allWritable && writable(section, entry.key, entry.value);
    FUZZ_CHECK(written == allWritable);
    if (!written) {
        FUZZ_CHECK(together == original);
        return;
    }
    setContent(original);
    for (const PrivateProfile::Entry &entry : entries)
        FUZZ_CHECK(profile.write(section, entry.key, entry.value));
    FUZZ_CHECK(currentContent() == together);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray original(reinterpret_cast<const char *>(data), qsizetype(size));
    setContent(original);
    PrivateProfile profile(sharedStore());
    FUZZ_CHECK(profile.exists());

    for (const char *key : PlayerKeys)
        checkValue(profile.read(PlayerSection, key));

    const Names names = namesIn(original);
    QList<QByteArray> before;
    for (const QByteArray &section : names.sections) {
        for (const QByteArray &key : names.keys) {
            before << profile.read(section, key);
            checkValue(before.last());
        }
    }

    // No list holds more than six names, so the three picks are separate base-7 digits.
    const std::size_t choice = fingerprint(original);
    const QByteArray &section = names.sections[qsizetype(choice % names.sections.size())];
    const qsizetype keyIndex = qsizetype(choice / 7 % names.keys.size());
    const qsizetype valueIndex = qsizetype(choice / 49 % names.values.size());
    checkWrite(profile, names, before, original, section, names.keys[keyIndex],
               names.values[valueIndex]);

    // The picked key and the two after it, with the picked value and the two after it.
    QList<PrivateProfile::Entry> entries;
    for (qsizetype i = 0; i < 3; ++i) {
        entries.append({names.keys[(keyIndex + i) % names.keys.size()],
                        names.values[(valueIndex + i) % names.values.size()]});
    }
    checkWriteOfSeveral(profile, original, section, entries);
    return 0;
}
