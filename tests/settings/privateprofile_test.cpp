#include "settings/privateprofile.h"
#include "support/printers.h"
#include "support/scratchfolder.h"

#include <QDir>
#include <QFile>
#include <QMap>

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <optional>
#include <random>
#include <stdexcept>
#include <unistd.h>

using settings::PrivateProfile;

namespace {

// A settings file in a scratch folder, with access to its exact bytes.
class SettingsFile final
{
public:
    SettingsFile()
        : m_path(m_folder.path("VelmoMP.ini"))
        , m_profile(QFile::decodeName(m_path))
    {}

    PrivateProfile &profile() { return m_profile; }
    const ScratchFolder &folder() const { return m_folder; }
    const QByteArray &path() const { return m_path; }

    void setBytes(const QByteArray &bytes) const
    {
        QFile file(QFile::decodeName(m_path));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            throw std::runtime_error("cannot write the settings file");
    }
    // Nothing when there is no file.
    std::optional<QByteArray> bytes() const
    {
        QFile file(QFile::decodeName(m_path));
        if (!file.open(QIODevice::ReadOnly))
            return std::nullopt;
        return file.readAll();
    }

private:
    ScratchFolder m_folder;
    QByteArray m_path;
    PrivateProfile m_profile;
};

std::string shown(const QByteArray &bytes)
{
    return bytes.toPercentEncoding(" =[];\t").toStdString();
}

} // namespace

TEST(PrivateProfile, KeysReadBackWhatWasWritten)
{
    SettingsFile file;
    PrivateProfile &profile = file.profile();
    EXPECT_FALSE(profile.exists());
    EXPECT_EQ(profile.read("Velmo", "TempDir"), "");

    const struct
    {
        QByteArray section, key, value;
    } entries[] = {
            {"Velmo", "TempDir", "/tmp/velmo movies"},
            {"Velmo", "Volume", "50"},
            {"Velmo", "Title", "\x93\xae\x89\xe6 \"x\" ;y [z]"}, // Shift-JIS bytes
            {"Velmo", "Empty", ""},
            {"Other", "Volume", "7"},
    };
    for (const auto &e : entries)
        ASSERT_TRUE(profile.write(e.section, e.key, e.value)) << e.key.toStdString();
    EXPECT_TRUE(profile.exists());
    for (const auto &e : entries)
        EXPECT_EQ(profile.read(e.section, e.key), e.value) << e.key.toStdString();

    ASSERT_TRUE(profile.write("Velmo", "Volume", "80"));
    EXPECT_EQ(profile.read("Velmo", "Volume"), "80");
    EXPECT_EQ(profile.read("Other", "Volume"), "7");
    EXPECT_EQ(PrivateProfile(profile.filePath()).read("Velmo", "TempDir"), "/tmp/velmo movies")
            << "a second reader of the same file";
}

TEST(PrivateProfile, Reads)
{
    const struct
    {
        const char *what;
        QByteArray file, section, key, value;
    } cases[] = {
            {"section case", "[Velmo]\nKey=v\n", "velmo", "Key", "v"},
            {"key case", "[Velmo]\nTempDir=v\n", "Velmo", "Tempdir", "v"},
            {"both cases", "[vELMO]\ntempdir=v\n", "VELMO", "TEMPDIR", "v"},
            {"only ASCII folds", "[Velmo]\n\xc3\xa9=v\n", "Velmo", "\xc3\x89", ""},
            {"blank before the value kept", "[Velmo]\nKey= 2\n", "Velmo", "Key", " 2"},
            {"leading zero kept", "[Velmo]\nKey=02\n", "Velmo", "Key", "02"},
            {"after the first '='", "[Velmo]\nKey=a=b\n", "Velmo", "Key", "a=b"},
            {"quotes kept", "[Velmo]\nKey=\"a\"\n", "Velmo", "Key", "\"a\""},
            {"trailing blanks kept", "[Velmo]\nKey=a \t\n", "Velmo", "Key", "a \t"},
            {"empty value", "[Velmo]\nKey=\nOther=x\n", "Velmo", "Key", ""},
            {"CRLF", "[Velmo]\r\nKey=v\r\n", "Velmo", "Key", "v"},
            {"one CR only", "[Velmo]\nKey=v\r\r\n", "Velmo", "Key", "v\r"},
            {"zero byte ends", QByteArray("[Velmo]\nKey=ab\0cd\n", 18), "Velmo", "Key", "ab"},
            {"blanks around names", " [ Velmo\t] \n\t Key \t= v\n", "Velmo", "Key", " v"},
            {"no final newline", "[Velmo]\nKey=v", "Velmo", "Key", "v"},
            {"first of two keys", "[Velmo]\nKey=1\nkey=2\n", "Velmo", "Key", "1"},
            {"first of two sections", "[Velmo]\n[velmo]\nKey=2\n", "Velmo", "Key", ""},
            {"comment", "[Velmo]\n;Key=1\n  ; Key=2\nKey=3\n", "Velmo", "Key", "3"},
            {"comment asked for", "[Velmo]\n;Key=1\n", "Velmo", ";Key", ""},
            {"indented comment asked for", "[Velmo]\n\t;Key=1\n", "Velmo", ";Key", ""},
            {"line without '='", "[Velmo]\nKey\nKey=3\n", "Velmo", "Key", "3"},
            {"before any section", "Key=1\n[Velmo]\n", "Velmo", "Key", ""},
            {"in the next section", "[Velmo]\n[Other]\nKey=1\n", "Velmo", "Key", ""},
            {"longer section name", "[VelmoMP]\nKey=1\n", "Velmo", "Key", ""},
            {"longer key name", "[Velmo]\nKeys=1\n", "Velmo", "Key", ""},
            {"unclosed section", "[Velmo\nKey=1\n", "Velmo", "Key", ""},
            {"missing section", "[Other]\nKey=1\n", "Velmo", "Key", ""},
            {"empty file", "", "Velmo", "Key", ""},
    };
    for (const auto &c : cases) {
        SettingsFile file;
        file.setBytes(c.file);
        EXPECT_EQ(file.profile().read(c.section, c.key), c.value) << c.what;
    }
}

TEST(PrivateProfile, WritesChangeOneLineInPlaceOrAddToTheSection)
{
    // Every case writes TempDir=/new, then NewKey=x, into [Velmo].
    const struct
    {
        const char *what;
        std::optional<QByteArray> before;
        QByteArray after;
    } cases[] = {
            {"no file", std::nullopt, "[Velmo]\nTempDir=/new\nNewKey=x\n"},
            {"empty file", "", "[Velmo]\nTempDir=/new\nNewKey=x\n"},
            {"our section first", "[Velmo]\nTempdir=old\nRepeat=1\n\n[Other]\nA=1\n",
             "[Velmo]\nTempdir=/new\nRepeat=1\nNewKey=x\n\n[Other]\nA=1\n"},
            {"our section last", "[Other]\nA=1\n[ velmo ]\n  TEMPDIR =old\n",
             "[Other]\nA=1\n[ velmo ]\n  TEMPDIR =/new\nNewKey=x\n"},
            {"no section of ours", "[Other]\nA=1\n",
             "[Other]\nA=1\n[Velmo]\nTempDir=/new\nNewKey=x\n"},
            {"CRLF", "[Velmo]\r\nTempDir=old\r\n[Other]\r\nA=1\r\n",
             "[Velmo]\r\nTempDir=/new\r\nNewKey=x\r\n[Other]\r\nA=1\r\n"},
            {"CRLF without our section", "[Other]\r\nA=1\r\n",
             "[Other]\r\nA=1\r\n[Velmo]\r\nTempDir=/new\r\nNewKey=x\r\n"},
            {"no final newline", "[Velmo]\nTempDir=old", "[Velmo]\nTempDir=/new\nNewKey=x\n"},
            {"no final newline, other section", "[Other]\nA=1",
             "[Other]\nA=1\n[Velmo]\nTempDir=/new\nNewKey=x\n"},
            {"comments and blank lines",
             "; the player\n\n[Velmo]\n; window\nTempDir=old\nnot a key\n \n\n[Other]\n",
             "; the player\n\n[Velmo]\n; window\nTempDir=/new\nnot a key\nNewKey=x\n "
             "\n\n[Other]\n"},
            {"empty section", "[Velmo]\n\n[Other]\n",
             "[Velmo]\nTempDir=/new\nNewKey=x\n\n[Other]\n"},
            {"repeated section and key", "[Velmo]\nTempDir=a\nTempDir=b\n[Velmo]\nNewKey=c\n",
             "[Velmo]\nTempDir=/new\nTempDir=b\nNewKey=x\n[Velmo]\nNewKey=c\n"},
            {"commented-out key", "[Velmo]\n;TempDir=a\n",
             "[Velmo]\n;TempDir=a\nTempDir=/new\nNewKey=x\n"},
    };
    for (const auto &c : cases) {
        SettingsFile file;
        if (c.before)
            file.setBytes(*c.before);
        EXPECT_TRUE(file.profile().write("Velmo", "TempDir", "/new")) << c.what;
        EXPECT_TRUE(file.profile().write("Velmo", "NewKey", "x")) << c.what;
        EXPECT_EQ(shown(file.bytes().value_or("(none)")), shown(c.after)) << c.what;
    }
}

TEST(PrivateProfile, AMissingFinalNewlineStaysWhileNoLineIsAdded)
{
    SettingsFile file;
    file.setBytes("[Velmo]\nTempDir=old\nVolume=1");
    ASSERT_TRUE(file.profile().write("Velmo", "Volume", "2"));
    ASSERT_TRUE(file.profile().write("Velmo", "TempDir", "/new"));
    EXPECT_EQ(file.bytes(), "[Velmo]\nTempDir=/new\nVolume=2");
}

TEST(PrivateProfile, ReadsAreCutAt1023Bytes)
{
    for (qsizetype length : {1022, 1023, 1024, 5000}) {
        SettingsFile file;
        const QByteArray value = QByteArray(length, 'v');
        ASSERT_TRUE(file.profile().write("Velmo", "Key", value));
        EXPECT_EQ(file.profile().read("Velmo", "Key"), value.first(qMin(length, 1023))) << length;
        EXPECT_TRUE(file.bytes()->contains(value)) << "written whole";
    }
}

TEST(PrivateProfile, LinesOf100000Characters)
{
    SettingsFile file;
    const QByteArray longLine(100000, 'x');
    file.setBytes(longLine + "\n[Velmo]\n" + longLine + "\nKey=" + longLine + "\n[Other]\n");
    EXPECT_EQ(file.profile().read("Velmo", "Key"), QByteArray(1023, 'x'));
    ASSERT_TRUE(file.profile().write("Velmo", "Key", "short"));
    EXPECT_EQ(file.profile().read("Velmo", "Key"), "short");
    EXPECT_EQ(file.bytes(), longLine + "\n[Velmo]\n" + longLine + "\nKey=short\n[Other]\n");
}

TEST(PrivateProfile, BinaryGarbageReadsEmptyAndIsKeptByWrites)
{
    std::mt19937 random(7);
    QByteArray garbage;
    while (garbage.size() < 3000) {
        const char byte = char(random() % 256);
        garbage.append(byte == '[' ? '\0' : byte); // without '[' the garbage has no section
    }
    SettingsFile file;
    file.setBytes(garbage);
    EXPECT_EQ(file.profile().read("Velmo", "Key"), "");
    ASSERT_TRUE(file.profile().write("Velmo", "Key", "value"));
    EXPECT_EQ(file.profile().read("Velmo", "Key"), "value");
    EXPECT_TRUE(file.bytes()->startsWith(garbage));
}

TEST(PrivateProfile, UnusablePaths)
{
    SettingsFile file;
    ASSERT_TRUE(QDir().mkdir(QFile::decodeName(file.path())));
    EXPECT_FALSE(file.profile().exists());
    EXPECT_EQ(file.profile().read("Velmo", "Key"), "");
    EXPECT_FALSE(file.profile().write("Velmo", "Key", "v"));
    EXPECT_TRUE(QDir(QFile::decodeName(file.path())).exists());

    // Reading a FIFO would wait for a writer.
    PrivateProfile fifo(QFile::decodeName(file.folder().path("fifo.ini")));
    ASSERT_EQ(::mkfifo(file.folder().path("fifo.ini").constData(), 0644), 0);
    EXPECT_FALSE(fifo.exists());
    EXPECT_EQ(fifo.read("Velmo", "Key"), "");
    EXPECT_FALSE(fifo.write("Velmo", "Key", "v"));

    file.folder().makeFile("plain");
    PrivateProfile underAFile(QFile::decodeName(file.folder().path("plain/VelmoMP.ini")));
    EXPECT_EQ(underAFile.read("Velmo", "Key"), "");
    EXPECT_FALSE(underAFile.write("Velmo", "Key", "v"));
}

TEST(PrivateProfile, AFileThatCannotBeReplacedIsLeftAsItWas)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root may write to read-only folders and read unreadable files";
    SettingsFile file;
    const QByteArray before = "[Velmo]\nKey=old\n";
    file.setBytes(before);
    const QByteArray folder = file.folder().path("");
    ASSERT_EQ(::chmod(folder.constData(), 0555), 0);
    EXPECT_FALSE(file.profile().write("Velmo", "Key", "new"));
    ::chmod(folder.constData(), 0755);
    EXPECT_EQ(file.bytes(), before);

    ASSERT_EQ(::chmod(file.path().constData(), 0), 0);
    EXPECT_EQ(file.profile().read("Velmo", "Key"), "");
    EXPECT_FALSE(file.profile().write("Velmo", "Key", "new")) << "would lose the unread rest";
    ::chmod(file.path().constData(), 0644);
    EXPECT_EQ(file.bytes(), before);
}

TEST(PrivateProfile, RefusesTextsTheFileCouldNotHoldBack)
{
    const struct
    {
        QByteArray section, key, value;
    } cases[] = {
            {"Velmo", "Key", "a\nb"},
            {"Velmo", "Key", "a\r"},
            {"Velmo", "Key", QByteArray("a\0b", 3)},
            {"Velmo", "K\ney", "v"},
            {"Velmo", QByteArray("K\0", 2), "v"},
            {"Vel\rmo", "Key", "v"},
            {"Vel]mo", "Key", "v"},
            {"Velmo", "", "v"},
            {"Velmo", " \t", "v"},
            {"Velmo", "K=y", "v"},
            {"Velmo", ";Key", "v"},
            {"Velmo", "[Key]", "v"},
    };
    const QByteArray before = "[Velmo]\nKey=old\n";
    for (const auto &c : cases) {
        SettingsFile file;
        EXPECT_FALSE(file.profile().write(c.section, c.key, c.value)) << shown(c.key);
        EXPECT_FALSE(file.profile().exists()) << "no file is created";
        file.setBytes(before);
        EXPECT_FALSE(file.profile().write(c.section, c.key, c.value)) << shown(c.key);
        EXPECT_EQ(file.bytes(), before);
    }
}

TEST(PrivateProfile, WritesReplaceTheFileWhole)
{
    SettingsFile file;
    file.setBytes("[Velmo]\nKey=old\n");
    ASSERT_EQ(::chmod(file.path().constData(), 0640), 0);
    struct stat before
    {};
    ASSERT_EQ(::stat(file.path().constData(), &before), 0);

    ASSERT_TRUE(file.profile().write("Velmo", "Key", "new"));
    struct stat after
    {};
    ASSERT_EQ(::stat(file.path().constData(), &after), 0);
    EXPECT_NE(after.st_ino, before.st_ino) << "a new file was renamed over the old one";
    EXPECT_EQ(after.st_mode & 07777, 0640u) << "permissions kept";
    EXPECT_EQ(QDir(QFile::decodeName(file.folder().path("")))
                      .entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
              QStringList {QStringLiteral("VelmoMP.ini")})
            << "no temporary file remains";
}

// Whatever the file holds, writes read back and leave the other keys as they read before.
TEST(PrivateProfile, RandomFilesStayUsable)
{
    const QByteArray fragments[] = {"[Velmo]\n", "[velmo]", "Key=", "key1 =", "\n", "\r\n", "["};
    const QByteArray probes[][2] = {{"Velmo", "Key0"}, {"Velmo", "Key1"}, {"Velmo", "Key"},
                                    {"velmo", "KEY2"}, {"Other", "Key0"}, {"", "Key"}};
    std::mt19937 random(20240601);
    for (int iteration = 0; iteration < 300; ++iteration) {
        QByteArray bytes;
        const int length = int(random() % 4097);
        while (bytes.size() < length) {
            if (random() % 8 == 0)
                bytes.append(fragments[random() % std::size(fragments)]);
            else
                bytes.append(char(random() % 256));
        }
        SettingsFile file;
        file.setBytes(bytes);

        QMap<QByteArray, QByteArray> written;
        for (int write = 0; write < 4; ++write) {
            const QByteArray section = write == 3 ? "Other" : "Velmo";
            const QByteArray key = "Key" + QByteArray::number(write % 3);
            const QByteArray value = "v" + QByteArray::number(int(random() % 1000)) + " =x";
            QList<QByteArray> others;
            for (const auto &probe : probes)
                others << file.profile().read(probe[0], probe[1]);

            ASSERT_TRUE(file.profile().write(section, key, value)) << iteration;
            ASSERT_EQ(file.profile().read(section, key), value) << iteration;
            written[section + '/' + key] = value;
            for (qsizetype i = 0; i < others.size(); ++i) {
                const bool same = probes[i][0].compare(section, Qt::CaseInsensitive) == 0
                        && probes[i][1].compare(key, Qt::CaseInsensitive) == 0;
                if (same)
                    continue;
                EXPECT_EQ(file.profile().read(probes[i][0], probes[i][1]), others[i])
                        << iteration << ' ' << probes[i][1].toStdString();
            }
        }
        for (auto it = written.cbegin(); it != written.cend(); ++it) {
            const QList<QByteArray> names = it.key().split('/');
            EXPECT_EQ(file.profile().read(names[0], names[1]), it.value()) << iteration;
        }
    }
}
