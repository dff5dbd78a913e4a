#include "PetitDisque.h"

#include <cerrno>
#include <cstring>

#include <sys/mount.h>
#include <unistd.h>

#include <QDir>
#include <QFile>

using namespace Qt::StringLiterals;

TPetitDisque::TPetitDisque(const QByteArray &options) : m_options(options)
{
    if (!m_base.isValid()) {
        m_pourquoi = u"no temporary folder"_s;
        return;
    }
    m_chemin = m_base.path() + u"/disque/"_s;
    QDir().mkpath(m_chemin);
    if (geteuid() != 0) {
        m_pourquoi = u"mounting a tmpfs needs root"_s;
        return;
    }
    if (::mount("tmpfs", QFile::encodeName(m_chemin).constData(), "tmpfs", 0, m_options.constData()) != 0) {
        m_pourquoi = u"cannot mount a tmpfs (%1)"_s.arg(QString::fromLocal8Bit(std::strerror(errno)));
        return;
    }
    m_monte = true;
}

TPetitDisque::~TPetitDisque()
{
    if (m_monte)
        ::umount2(QFile::encodeName(m_chemin).constData(), MNT_DETACH);
}

bool TPetitDisque::LectureSeule()
{
    if (m_monte
        && ::mount("tmpfs", QFile::encodeName(m_chemin).constData(), nullptr, MS_REMOUNT | MS_RDONLY,
                   m_options.constData()) == 0)
        return true;
    m_pourquoi = u"cannot remount the tmpfs read-only"_s;
    return false;
}
