#include "settings/privateprofile.h"

#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QSaveFile>

#include <optional>

namespace settings {
namespace {

// The file split at '\n'; a CRLF line keeps its '\r'.
struct Lines
{
    QList<QByteArray> lines;
    bool endsWithNewline = true;
};

struct Location
{
    qsizetype header = -1;
    qsizetype key = -1;
    // One past the section's last line.
    qsizetype end = -1;
};

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

QByteArrayView trimmedBlanks(QByteArrayView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.sliced(begin, end - begin);
}

char asciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

// Only ASCII letters fold: other bytes may be parts of multi-byte characters.
bool sameName(QByteArrayView a, QByteArrayView b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (asciiLower(a[i]) != asciiLower(b[i]))
            return false;
    }
    return true;
}

std::optional<QByteArrayView> sectionName(QByteArrayView line)
{
    const QByteArrayView text = trimmedBlanks(line);
    const qsizetype close = text.indexOf(']');
    if (!text.startsWith('[') || close < 0)
        return std::nullopt;
    return trimmedBlanks(text.sliced(1, close - 1));
}

// The position of the '=' of a key line, or -1. Section lines are told apart first.
qsizetype equalsSign(QByteArrayView line)
{
    if (trimmedBlanks(line).startsWith(';'))
        return -1;
    return line.indexOf('=');
}

bool isBlankLine(QByteArrayView line)
{
    for (char c : line) {
        if (!isBlank(c) && c != '\r')
            return false;
    }
    return true;
}

Lines splitLines(const QByteArray &content)
{
    Lines result;
    if (content.isEmpty())
        return result;
    result.lines = content.split('\n');
    result.endsWithNewline = content.endsWith('\n');
    if (result.endsWithNewline)
        result.lines.removeLast();
    return result;
}

QByteArray joinLines(const Lines &file)
{
    QByteArray content = file.lines.join('\n');
    if (!file.lines.isEmpty() && file.endsWithNewline)
        content.append('\n');
    return content;
}

// The lines of the content as views into it, split as splitLines() splits: reading needs no
// copies of them.
QList<QByteArrayView> lineViews(const QByteArray &content)
{
    QList<QByteArrayView> lines;
    lines.reserve(content.count('\n') + 1);
    QByteArrayView rest(content);
    while (!rest.isEmpty()) {
        const qsizetype end = rest.indexOf('\n');
        if (end < 0) {
            lines << rest;
            break;
        }
        lines << rest.first(end);
        rest = rest.sliced(end + 1);
    }
    return lines;
}

template<typename Line>
Location locate(const QList<Line> &lines, QByteArrayView section, QByteArrayView key)
{
    Location found;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const auto name = sectionName(lines[i]);
        if (found.header >= 0 && name) {
            found.end = i;
            return found;
        }
        if (found.header < 0) {
            if (name && sameName(*name, section))
                found.header = i;
            continue;
        }
        if (found.key >= 0)
            continue;
        const qsizetype equals = equalsSign(lines[i]);
        if (equals >= 0 && sameName(trimmedBlanks(QByteArrayView(lines[i]).first(equals)), key))
            found.key = i;
    }
    found.end = lines.size();
    return found;
}

bool breaksLines(QByteArrayView text)
{
    return text.contains('\n') || text.contains('\r') || text.contains('\0');
}

bool isWritable(QByteArrayView section, QByteArrayView key, QByteArrayView value)
{
    if (breaksLines(section) || breaksLines(key) || breaksLines(value))
        return false;
    if (section.contains(']') || key.isEmpty() || key.contains('='))
        return false;
    return !key.startsWith(';') && !key.startsWith('[');
}

// Changes or adds the key's line in the lines of the file.
void setKey(Lines &file, QByteArrayView section, QByteArrayView key, QByteArrayView value)
{
    const Location found = locate(file.lines, section, key);
    const QByteArray lineEnd = !file.lines.isEmpty() && file.lines.first().endsWith('\r')
            ? QByteArray("\r")
            : QByteArray();
    const QByteArray keyLine = key.toByteArray() + '=' + value.toByteArray() + lineEnd;
    if (found.key >= 0) {
        QByteArray &line = file.lines[found.key];
        const QByteArray ownEnd = line.endsWith('\r') ? QByteArray("\r") : QByteArray();
        line = line.first(line.indexOf('=') + 1) + value.toByteArray() + ownEnd;
    } else if (found.header >= 0) {
        qsizetype at = found.end;
        while (at > found.header + 1 && isBlankLine(file.lines[at - 1]))
            --at;
        file.lines.insert(at, keyLine);
        if (at == file.lines.size() - 1)
            file.endsWithNewline = true;
    } else {
        file.lines << '[' + section.toByteArray() + ']' + lineEnd << keyLine;
        file.endsWithNewline = true;
    }
}

} // namespace

FileStore::FileStore(const QString &path)
    : m_path(path)
{}

bool FileStore::exists() const
{
    return QFileInfo(m_path).isFile();
}

std::optional<QByteArray> FileStore::load() const
{
    const QFileInfo info(m_path);
    if (!info.exists())
        return QByteArray();
    // Folders and FIFOs are no settings files, and opening a FIFO would block.
    if (!info.isFile())
        return std::nullopt;
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

bool FileStore::replace(const QByteArray &content)
{
    QSaveFile out(m_path);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    if (out.write(content) != content.size()) {
        out.cancelWriting();
        return false;
    }
    return out.commit();
}

PrivateProfile::PrivateProfile(const QString &filePath)
    : m_store(std::make_shared<FileStore>(filePath))
{}

PrivateProfile::PrivateProfile(std::shared_ptr<ProfileStore> store)
    : m_store(std::move(store))
{}

bool PrivateProfile::exists() const
{
    return m_store->exists();
}

QByteArray PrivateProfile::read(QByteArrayView section, QByteArrayView key) const
{
    const auto content = m_store->load();
    if (!content)
        return {};
    const QList<QByteArrayView> lines = lineViews(*content);
    const Location found = locate(lines, trimmedBlanks(section), trimmedBlanks(key));
    if (found.key < 0)
        return {};
    const QByteArrayView line = lines[found.key];
    QByteArrayView value = line.sliced(line.indexOf('=') + 1);
    if (value.endsWith('\r'))
        value.chop(1);
    const qsizetype zero = value.indexOf('\0');
    if (zero >= 0)
        value.truncate(zero);
    return value.first(qMin(value.size(), MaxValueLength)).toByteArray();
}

bool PrivateProfile::write(QByteArrayView section, QByteArrayView key, QByteArrayView value)
{
    return write(section, {{key.toByteArray(), value.toByteArray()}});
}

bool PrivateProfile::write(QByteArrayView section, const QList<Entry> &entries)
{
    section = trimmedBlanks(section);
    for (const Entry &entry : entries) {
        if (!isWritable(section, trimmedBlanks(entry.key), entry.value))
            return false;
    }
    const auto content = m_store->load();
    if (!content)
        return false;

    Lines file = splitLines(*content);
    for (const Entry &entry : entries)
        setKey(file, section, trimmedBlanks(entry.key), entry.value);

    return m_store->replace(joinLines(file));
}

} // namespace settings
