#include "PrivateFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr mode_t OthersMask = S_IRWXG | S_IRWXO;

// Closes a descriptor when it goes out of scope.
struct FdCloser {
    int fd;
    ~FdCloser()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

} // namespace

bool IsPrivateDirectory(const QString &path)
{
    struct stat info {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 && S_ISDIR(info.st_mode)
        && info.st_uid == ::geteuid() && (info.st_mode & OthersMask) == 0;
}

bool MakePrivateDirectory(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    if (::mkdir(name.constData(), S_IRWXU) != 0 && errno != EEXIST) {
        if (errno != ENOENT || !QDir().mkpath(QFileInfo(path).absolutePath())
            || (::mkdir(name.constData(), S_IRWXU) != 0 && errno != EEXIST))
            return false;
    }
    // Opened without following a link, the mode is changed on exactly what was checked.
    const int fd = ::open(name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return false;
    const FdCloser closer{fd};
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        return false;
    if (info.st_uid != ::geteuid()) {
        errno = EPERM;
        return false;
    }
    return (info.st_mode & OthersMask) == 0 || ::fchmod(fd, S_IRWXU) == 0;
}

QString MakeUniquePrivateDirectory(const QString &prefix)
{
    QByteArray pattern = QFile::encodeName(prefix) + "XXXXXX";
    if (!::mkdtemp(pattern.data()))
        return {};
    return QFile::decodeName(pattern);
}

int CreatePrivateFile(const QString &path)
{
    return ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                  S_IRUSR | S_IWUSR);
}

bool WritePrivateFile(const QString &path, const QByteArray &bytes)
{
    const int fd = CreatePrivateFile(path);
    if (fd < 0)
        return false;
    const FdCloser closer{fd};
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return ::fsync(fd) == 0;
}

QByteArray ReadPrivateFile(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return {};
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return {};
    }
    return file.readAll();
}

QString ErrorText()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}
