#ifndef ZQ40613_RUNPATH_H
#define ZQ40613_RUNPATH_H

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>
#include <QtEndian>

#include <optional>

// The run path of built binaries, as the dynamic loader reads it.

// A program or shared library (not an object file or archive), the only ELF
// files that carry a dynamic section.
inline bool isLinkedElf(const QString &path)
{
    constexpr int headerBytes = 18;   // up to and including e_type
    constexpr int dataEncoding = 5;   // 1 little-endian, 2 big-endian
    constexpr char bigEndian = 2;
    constexpr int typeOffset = 16;
    constexpr quint16 executable = 2;
    constexpr quint16 sharedObject = 3;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray header = file.read(headerBytes);
    if (header.size() < headerBytes || !header.startsWith("\x7f" "ELF"))
        return false;
    const char *type = header.constData() + typeOffset;
    const quint16 fileType = header[dataEncoding] == bigEndian ? qFromBigEndian<quint16>(type)
                                                               : qFromLittleEndian<quint16>(type);
    return fileType == executable || fileType == sharedObject;
}

// Every entry of the file's RPATH and RUNPATH, empty ones included; nothing
// when readelf cannot tell.
inline std::optional<QStringList> runPathEntries(const QString &path)
{
    QProcess readelf;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));   // untranslated labels
    readelf.setProcessEnvironment(environment);
    readelf.start(QStringLiteral("readelf"), {QStringLiteral("-d"), QStringLiteral("-W"), path});
    if (!readelf.waitForFinished(30000) || readelf.exitStatus() != QProcess::NormalExit
        || readelf.exitCode() != 0)
        return std::nullopt;
    static const QRegularExpression runPathLine(
            QStringLiteral(R"(\((?:RPATH|RUNPATH)\)\s+Library r(?:un)?path: \[(.*)\]$)"),
            QRegularExpression::MultilineOption);
    QStringList entries;
    auto lines = runPathLine.globalMatch(QString::fromLocal8Bit(readelf.readAllStandardOutput()));
    while (lines.hasNext())
        entries += lines.next().captured(1).split(QLatin1Char(':'));
    return entries;
}

// An absolute folder. An empty entry is the current folder and a relative
// one is taken from it, so either lets whoever controls the folder a program
// is started from choose its libraries. $ORIGIN is relative too: nothing
// built here needs it, so one showing up is as much an accident as the rest.
inline bool isSafeRunPathEntry(const QString &entry)
{
    return entry.startsWith(QLatin1Char('/'));
}

#endif
