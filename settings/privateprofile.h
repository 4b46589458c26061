#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <memory>
#include <optional>

namespace settings {

// Where the bytes of a settings file are kept.
class ProfileStore
{
public:
    virtual ~ProfileStore() = default;
    // A name for messages.
    virtual QString name() const = 0;
    // An ordinary file is there.
    virtual bool exists() const = 0;
    // The whole content, empty when there is none, nothing when it is there but unusable.
    virtual std::optional<QByteArray> load() const = 0;
    // Replaces the whole content in one step: a reader finds the old or the new, never a mix.
    virtual bool replace(const QByteArray &content) = 0;
};

// A file on disk, replaced by writing beside it, syncing and renaming.
class FileStore final : public ProfileStore
{
public:
    explicit FileStore(const QString &path);
    QString name() const override { return m_path; }
    bool exists() const override;
    std::optional<QByteArray> load() const override;
    bool replace(const QByteArray &content) override;

private:
    QString m_path;
};

// The settings file: a private-profile INI file of "[Section]" lines, each followed by its
// "key=value" lines. Names and values are raw local 8-bit bytes and are never decoded.
//
// Reading: section and key names match without regard to ASCII letter case, and blanks and
// tabs around them, in the file and in the names asked for, are ignored. A value is the text after
// the first '=' up to the end of its line, kept as it stands, without the '\r' of a CRLF line; it
// ends at a zero byte and is cut to MaxValueLength bytes. Lines before the first section, comment
// lines (';' first), lines without '=' and later repeats of a section or key are not read.
//
// Writing touches one line and keeps every other byte of the file (new names are written
// without surrounding blanks):
// - an existing key gets its new value where the line stands, in the line's own spelling;
// - a new key goes after the last line of its section that is not blank, so blank lines
//   before the next section stay in front of it;
// - a missing section is appended at the end of the file, without a blank line before it;
// - new lines end in "\r\n" when the file's first line does, otherwise in '\n'; a rewritten
//   line keeps its own end.
// The file is replaced whole (written beside, then renamed), keeping its permissions.
// The bytes may also be kept elsewhere (a ProfileStore), with the same rules.
//
// Every call reads the file afresh; not thread-safe.
class PrivateProfile final
{
public:
    // As much of a value as a read gives.
    static constexpr qsizetype MaxValueLength = 1023;

    explicit PrivateProfile(const QString &filePath);
    explicit PrivateProfile(std::shared_ptr<ProfileStore> store);

    QString filePath() const { return m_store->name(); }
    // An ordinary file is present at the path.
    bool exists() const;

    // The value, or the empty text when the file, the section or the key is missing.
    QByteArray read(QByteArrayView section, QByteArrayView key) const;
    // False, with the file untouched, when it cannot be read or written, or when a name or the
    // value could not be read back: line breaks or zero bytes anywhere, ']' in the section, an
    // empty key, '=' in the key, or a key starting with ';' or '['.
    bool write(QByteArrayView section, QByteArrayView key, QByteArrayView value);

    struct Entry
    {
        QByteArray key;
        QByteArray value;
    };
    // Writes the keys in order, as single writes would, but replaces the file once: whoever
    // reads it, even after a crash in the middle, finds all of them or none. False, with the
    // file untouched, when a single write of any of them would be refused.
    bool write(QByteArrayView section, const QList<Entry> &entries);

private:
    std::shared_ptr<ProfileStore> m_store;
};

} // namespace settings
