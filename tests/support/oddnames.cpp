#include "support/oddnames.h"

#include <sys/stat.h>

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <stdexcept>
#include <unistd.h>

namespace {

// The system names at most this many bytes in one call, the terminating zero included.
constexpr qsizetype PathMax = 4096;
constexpr qsizetype NameMax = 255;

[[noreturn]] void fail(const char *what, const QByteArray &path)
{
    throw std::runtime_error(std::string(what) + ' ' + path.left(300).toStdString());
}

// Walks down to the folder of the absolute path one component at a time, making the folders
// that are missing, so that paths of any length work. Gives a descriptor of that folder.
int openFolderOf(const QByteArray &path)
{
    const QList<QByteArray> parts = path.split('/');
    int folder = ::open("/", O_DIRECTORY | O_RDONLY);
    for (qsizetype i = 1; folder >= 0 && i + 1 < parts.size(); ++i) {
        if (::mkdirat(folder, parts[i].constData(), 0755) != 0 && errno != EEXIST)
            fail("cannot make the folder", parts[i]);
        const int next = ::openat(folder, parts[i].constData(), O_DIRECTORY | O_RDONLY);
        ::close(folder);
        folder = next;
    }
    if (folder < 0)
        fail("cannot open the folder of", path);
    return folder;
}

void makeFile(const QByteArray &path, const QByteArray &contents)
{
    const int folder = openFolderOf(path);
    const QByteArray name = path.mid(path.lastIndexOf('/') + 1);
    const int file = ::openat(folder, name.constData(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
    ::close(folder);
    if (file < 0 || ::write(file, contents.constData(), size_t(contents.size())) != contents.size())
        fail("cannot make the file", path);
    ::close(file);
}

void removeTree(int parent, const char *name)
{
    const int folder = ::openat(parent, name, O_DIRECTORY | O_RDONLY | O_NOFOLLOW);
    if (folder < 0) {
        ::unlinkat(parent, name, 0);
        return;
    }
    DIR *entries = ::fdopendir(folder);
    while (const dirent *entry = ::readdir(entries)) {
        const QByteArray child(entry->d_name);
        if (child != "." && child != "..")
            removeTree(folder, entry->d_name);
    }
    ::closedir(entries);
    ::unlinkat(parent, name, AT_REMOVEDIR);
}

} // namespace

OddNames::OddNames(const QByteArray &folder, const QByteArray &contents)
    : m_root(folder + "/odd")
{
    const auto openableFile = [&](const QByteArray &path) {
        makeFile(path, contents);
        given << path;
        openable << path;
    };
    const auto decoyFile = [&](const QByteArray &path) {
        makeFile(path, contents);
        decoys << path;
    };

    for (const char *name :
         {"two  blanks .avi", " leading blank.avi", "trailing blank.avi ", "say \"hi\".avi",
          "it's.avi", "back\\slash.avi", "line\nbreak.avi", "carriage\rreturn.avi", "tab\tname.avi",
          "\x93\xae\x89\xe6.avi", "caf\xe9.avi", "\xff\xfe.avi", "100% #1?.avi"})
        openableFile(m_root + '/' + name);

    // A line break splits no name: the part before it is another file.
    decoyFile(m_root + "/split.avi");
    openableFile(m_root + "/split.avi\nsplit.avi");
    given << m_root + "/split.avi\n";

    // The longest name there can be; a longer one cut to that length is another file.
    const QByteArray longest = QByteArray(NameMax - 4, 'n') + ".avi";
    openableFile(m_root + '/' + longest);
    decoyFile(m_root + "/cut/" + longest);
    given << m_root + "/cut/" + longest + QByteArray(45, 'x');

    // Longer than 255 bytes in all, its first 259 bytes naming another file.
    const QByteArray past255
            = m_root + '/' + QByteArray(120, 'm') + '/' + QByteArray(140, 'm') + "/clip.avi";
    openableFile(past255);
    decoyFile(past255.left(259));

    // The longest path there can be.
    QByteArray edge = m_root + "/edge";
    while (PathMax - 1 - edge.size() - 1 > NameMax)
        edge += '/' + QByteArray(250, 'e');
    openableFile(edge + '/' + QByteArray(PathMax - 1 - edge.size() - 1 - 4, 'f') + ".avi");

    // An existing file whose path is too long to name in one piece; its first 4095 bytes name
    // another file.
    QByteArray deep = m_root + "/deep";
    while (deep.size() < PathMax + 100)
        deep += '/' + QByteArray(250, 'd');
    deep += "/movie.avi";
    makeFile(deep, contents);
    given << deep;
    QByteArray cut = deep.left(PathMax - 1);
    // Cut inside a folder's name, so that the decoy is a file beside that folder.
    if (cut.endsWith('/') || deep.at(cut.size()) == '/')
        cut.chop(2);
    decoyFile(cut);
}

OddNames::~OddNames()
{
    const int parent
            = ::open(m_root.left(m_root.lastIndexOf('/')).constData(), O_DIRECTORY | O_RDONLY);
    if (parent < 0)
        return;
    removeTree(parent, "odd");
    ::close(parent);
}
