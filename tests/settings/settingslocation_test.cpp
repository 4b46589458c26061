#include "settings/settingslocation.h"
#include "support/printers.h"
#include "support/scratchfolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <unistd.h>

using settings::settingsFilePath;

namespace {

QString folderPath(const ScratchFolder &scratch, const QByteArray &name)
{
    return QFile::decodeName(scratch.path(name));
}

// Makes a folder read-only for the length of a test, so that the scratch folder can be removed.
class ReadOnlyFolder final
{
public:
    explicit ReadOnlyFolder(const QString &path)
        : m_path(QFile::encodeName(path))
    {
        ::chmod(m_path.constData(), 0555);
    }
    ~ReadOnlyFolder() { ::chmod(m_path.constData(), 0755); }

private:
    QByteArray m_path;
};

} // namespace

TEST(SettingsLocation, ConfigurationFolder)
{
    const QString home = QStringLiteral("/home/velmo");
    EXPECT_EQ(settings::configFolder({}, home), QStringLiteral("/home/velmo/.config"));
    EXPECT_EQ(settings::configFolder(QStringLiteral("/srv/cfg"), home), QStringLiteral("/srv/cfg"));
    EXPECT_EQ(settings::configFolder(QStringLiteral("cfg"), home),
              QStringLiteral("/home/velmo/.config"))
            << "a relative XDG_CONFIG_HOME is ignored";
}

TEST(SettingsLocation, BesideAWritableExecutable)
{
    ScratchFolder scratch;
    const QString bin = folderPath(scratch, "bin");
    ASSERT_TRUE(QDir().mkdir(bin));
    EXPECT_EQ(settingsFilePath(bin, QStringLiteral("/cfg")), bin + QStringLiteral("/VelmoMP.ini"));
    EXPECT_EQ(settingsFilePath(bin + QStringLiteral("/"), QStringLiteral("/cfg")),
              bin + QStringLiteral("/VelmoMP.ini"));
}

TEST(SettingsLocation, ConfigurationFolderWhenTheExecutableFolderIsUnusable)
{
    ScratchFolder scratch;
    const QString expected = QStringLiteral("/cfg/VelmoMP/VelmoMP.ini");
    EXPECT_EQ(settingsFilePath(folderPath(scratch, "missing"), QStringLiteral("/cfg")), expected);
    EXPECT_EQ(settingsFilePath({}, QStringLiteral("/cfg")), expected);
}

TEST(SettingsLocation, ConfigurationFolderWhenTheExecutableFolderIsReadOnly)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root may write to read-only folders";
    ScratchFolder scratch;
    const QString bin = folderPath(scratch, "bin");
    ASSERT_TRUE(QDir().mkdir(bin));
    const ReadOnlyFolder readOnly(bin);
    EXPECT_EQ(settingsFilePath(bin, QStringLiteral("/cfg")),
              QStringLiteral("/cfg/VelmoMP/VelmoMP.ini"));
}

TEST(SettingsLocation, AnExistingFileBesideAReadOnlyExecutableIsKept)
{
    ScratchFolder scratch;
    const QString bin = folderPath(scratch, "bin");
    ASSERT_TRUE(QDir().mkdir(bin));
    scratch.makeFile("bin/VelmoMP.ini");
    const ReadOnlyFolder readOnly(bin);
    EXPECT_EQ(settingsFilePath(bin, QStringLiteral("/cfg")), bin + QStringLiteral("/VelmoMP.ini"));
}

TEST(SettingsLocation, TheEnvironmentNamesTheConfigurationFolder)
{
    const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
    const bool wasSet = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", "/xdg/config");
    const QString path = settingsFilePath(QStringLiteral("/nonexistent/bin"));
    if (wasSet)
        qputenv("XDG_CONFIG_HOME", saved);
    else
        qunsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(path, QStringLiteral("/xdg/config/VelmoMP/VelmoMP.ini"));
}

TEST(SettingsLocation, EnsuresTheFolderOfTheFile)
{
    ScratchFolder scratch;
    const QString file = folderPath(scratch, "config/VelmoMP/VelmoMP.ini");
    EXPECT_TRUE(settings::ensureFolderFor(file));
    EXPECT_TRUE(QFileInfo(folderPath(scratch, "config/VelmoMP")).isDir());
    EXPECT_TRUE(settings::ensureFolderFor(file)) << "an existing folder is fine";

    scratch.makeFile("plain");
    EXPECT_FALSE(settings::ensureFolderFor(folderPath(scratch, "plain/VelmoMP/VelmoMP.ini")));
}
