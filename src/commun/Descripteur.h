// File descriptors that are closed on every path, and writes that go to the end.
#pragma once

#include <QByteArray>
#include <QByteArrayView>

// A file descriptor closed when it goes out of scope.
class TDescripteur final {
public:
    explicit TDescripteur(int fd = -1) : m_fd(fd) {}
    ~TDescripteur() { Fermer(); }
    TDescripteur(const TDescripteur &) = delete;
    TDescripteur &operator=(const TDescripteur &) = delete;

    int Fd() const { return m_fd; }
    // Takes `fd` in charge, closing the one held before.
    void Prendre(int fd);
    // Hands the descriptor over without closing it; the caller closes it.
    int Liberer()
    {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }
    // Closes now; 0, or the errno of close (NFS and full disks report late write errors
    // there). Closing an empty descriptor gives 0.
    int Fermer();

private:
    int m_fd;
};

// Writes all of `octets` at the descriptor's offset, taking short writes and EINTR in
// its stride: 0, or the errno of the write that failed (EIO for a write that took nothing).
int EcrireTout(int fd, QByteArrayView octets);

// Reads from the descriptor's offset until its end or `taille` bytes, whichever comes
// first, into `octets` (replaced): 0, or the errno of the read that failed. A file that
// grows meanwhile, or a device without end, is never read past `taille`.
int LireAuPlus(int fd, qint64 taille, QByteArray &octets);
