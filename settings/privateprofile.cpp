#include "settings/privateprofile.h"

#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QSaveFile>

#include <optional>

namespace settings {
namespace {

// Where a section and a key stand: their lines, as views into the file's bytes (a CRLF line
// keeps its '\r').
struct Location
{
    std::optional<QByteArrayView> header;
    std::optional<QByteArrayView> key;
    // The section's last line that is not blank, or its header: a new key goes after it, so
    // that blank lines before the next section stay in front of that section.
    QByteArrayView lastFilled;
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

// The lines of the content, split at '\n' without a last empty line after a final '\n', found
// one by one: neither copies of the lines nor a list of them are needed.
class LineViews
{
public:
    explicit LineViews(QByteArrayView content)
        : m_content(content)
    {}

    class Iterator
    {
    public:
        explicit Iterator(QByteArrayView rest)
            : m_rest(rest)
        {
            findEnd();
        }
        QByteArrayView operator*() const { return m_rest.first(m_end); }
        Iterator &operator++()
        {
            m_rest = m_rest.sliced(qMin(m_end + 1, m_rest.size()));
            findEnd();
            return *this;
        }
        bool operator!=(const Iterator &other) const
        {
            return m_rest.data() != other.m_rest.data() || m_rest.size() != other.m_rest.size();
        }

    private:
        void findEnd()
        {
            m_end = m_rest.indexOf('\n');
            if (m_end < 0)
                m_end = m_rest.size();
        }
        QByteArrayView m_rest;
        qsizetype m_end = 0;
    };

    Iterator begin() const { return Iterator(m_content); }
    Iterator end() const { return Iterator(m_content.sliced(m_content.size())); }

private:
    QByteArrayView m_content;
};

Location locate(QByteArrayView content, QByteArrayView section, QByteArrayView key)
{
    Location found;
    for (const QByteArrayView line : LineViews(content)) {
        const auto name = sectionName(line);
        if (found.header && name)
            return found;
        if (!found.header) {
            if (name && sameName(*name, section)) {
                found.header = line;
                found.lastFilled = line;
            }
            continue;
        }
        if (!isBlankLine(line))
            found.lastFilled = line;
        if (!found.key) {
            const qsizetype equals = equalsSign(line);
            if (equals >= 0 && sameName(trimmedBlanks(line.first(equals)), key))
                found.key = line;
        }
    }
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

// The content with the key's line changed or added.
QByteArray withKey(const QByteArray &content, QByteArrayView section, QByteArrayView key,
                   QByteArrayView value)
{
    const Location found = locate(content, section, key);
    const auto offset = [&](QByteArrayView line) { return line.data() - content.constData(); };
    const qsizetype firstEnd = content.indexOf('\n');
    const bool crlf = QByteArrayView(content)
                              .first(firstEnd < 0 ? content.size() : firstEnd)
                              .endsWith('\r');
    const QByteArray lineEnd = crlf ? "\r\n" : "\n";
    const QByteArray keyLine = key.toByteArray() + '=' + value.toByteArray() + lineEnd;
    // An added line starts on a line of its own.
    const auto newlineBefore = [&](qsizetype at) {
        return at > 0 && content[at - 1] != '\n' ? QByteArray("\n") : QByteArray();
    };

    if (found.key) {
        const QByteArrayView line = *found.key;
        const qsizetype begin = offset(line) + line.indexOf('=') + 1;
        const qsizetype end = offset(line) + line.size() - (line.endsWith('\r') ? 1 : 0);
        return content.first(begin) + value.toByteArray() + content.sliced(end);
    }
    if (found.header) {
        const qsizetype after = offset(found.lastFilled) + found.lastFilled.size();
        const qsizetype at = qMin(after + 1, content.size());
        return content.first(at) + newlineBefore(at) + keyLine + content.sliced(at);
    }
    return content + newlineBefore(content.size()) + '[' + section.toByteArray() + ']' + lineEnd
            + keyLine;
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
    const Location found = locate(*content, trimmedBlanks(section), trimmedBlanks(key));
    if (!found.key)
        return {};
    const QByteArrayView line = *found.key;
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

    QByteArray changed = *content;
    for (const Entry &entry : entries)
        changed = withKey(changed, section, trimmedBlanks(entry.key), entry.value);
    return m_store->replace(changed);
}

} // namespace settings
