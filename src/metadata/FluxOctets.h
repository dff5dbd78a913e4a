// Byte sources of the EXIF reader: every read goes through one range-checked primitive.
#pragma once

#include <cstring>
#include <span>

#include <QByteArray>
#include <QString>
#include <QtGlobal>

class IFluxOctets {
public:
    virtual ~IFluxOctets() = default;

    // Number of bytes of the source.
    virtual qint64 Taille() const = 0;

    // Copies `taille` bytes found at the absolute `position` into dest. False when the
    // range leaves the source (a negative position included) or the bytes cannot be read:
    // then dest is left untouched.
    bool Lire(qint64 position, qint64 taille, void *dest)
    {
        // Most reads fall in the bytes that the last access made available.
        if (position >= m_debutFenetre && taille >= 0 && taille <= m_finFenetre - position) {
            std::memcpy(dest, m_fenetre + (position - m_debutFenetre), size_t(taille));
            return true;
        }
        return LireHorsFenetre(position, taille, dest);
    }

    // The bytes of the range [position, position + taille) up to the first zero byte (or
    // all of them when none is zero), into texte. False, texte untouched, when the whole
    // range does not lie in the source or cannot be read.
    bool LireTexte(qint64 position, qint64 taille, QByteArray &texte);
    // The same, as a view: into the loaded bytes when the text lies in them (valid until
    // the next read), else into tampon.
    bool LireTexte(qint64 position, qint64 taille, QByteArray &tampon, QByteArrayView &texte);

    // True when the range [position, position + taille) lies in the source.
    bool Contient(qint64 position, qint64 taille) const
    {
        return position >= 0 && taille >= 0 && position <= Taille() && taille <= Taille() - position;
    }

    // The bytes from position on that follow contiguously in memory, and how many; nullptr
    // when position is outside the source or reading fails. Valid until the next read.
    const char *Acceder(qint64 position, qint64 &disponible);

protected:
    // Makes a range of the source that holds `position` available in memory: the bytes
    // [debut, fin) of the source at `donnees` (debut <= position < fin), valid until the
    // next call. False when position is outside the source or reading fails.
    virtual bool Charger(qint64 position, const char *&donnees, qint64 &debut, qint64 &fin) = 0;

private:
    bool LireHorsFenetre(qint64 position, qint64 taille, void *dest);

    // The bytes [m_debutFenetre, m_finFenetre) of the source, at m_fenetre, as the last
    // successful access gave them.
    const char *m_fenetre = nullptr;
    qint64 m_debutFenetre = 0;
    qint64 m_finFenetre = 0;
};

// Bytes held in memory (not owned): for the fuzzer, tests and benchmarks. With a block
// size, the bytes are made available one aligned block at a time, as a file's are read,
// and Chargements() counts the blocks loaded (the reads a file would take).
class TFluxMemoire final : public IFluxOctets {
public:
    TFluxMemoire(const char *donnees, qint64 taille, qint64 tailleBloc = 0)
        : m_donnees(donnees), m_taille(taille), m_tailleBloc(tailleBloc)
    {
    }
    explicit TFluxMemoire(const QByteArray &octets, qint64 tailleBloc = 0)
        : TFluxMemoire(octets.constData(), octets.size(), tailleBloc)
    {
    }

    qint64 Taille() const override { return m_taille; }
    int Chargements() const { return m_chargements; }

protected:
    bool Charger(qint64 position, const char *&donnees, qint64 &debut, qint64 &fin) override;

private:
    const char *m_donnees;
    qint64 m_taille;
    qint64 m_tailleBloc;
    int m_chargements = 0;
};

// A run of bytes of a source.
struct TEtendue {
    qint64 position = 0;
    qint64 taille = 0;
};

// Runs of bytes of another source, read as one source: an item of an ISO base media file,
// whose data may lie in several pieces, or one box of it. Every read stays inside the runs.
// It reads through the other source's loaded bytes: while it is in use, nothing else may
// read that source.
class TFluxEtendues final : public IFluxOctets {
public:
    // The runs must lie in the source, and stay alive as long as this object.
    TFluxEtendues(IFluxOctets &source, std::span<const TEtendue> etendues);

    qint64 Taille() const override { return m_taille; }

protected:
    bool Charger(qint64 position, const char *&donnees, qint64 &debut, qint64 &fin) override;

private:
    IFluxOctets &m_source;
    std::span<const TEtendue> m_etendues;
    qint64 m_taille = 0;
};

// A regular file opened read-only, without locking it (other programs may still read and
// write it), read at absolute positions with pread through one cached 4 KB block.
// Anything but a regular file (a folder, a fifo, a device) is not opened.
class TFluxFichier final : public IFluxOctets {
public:
    explicit TFluxFichier(const QString &chemin);
    ~TFluxFichier() override;
    TFluxFichier(const TFluxFichier &) = delete;
    TFluxFichier &operator=(const TFluxFichier &) = delete;

    // True when the file is open.
    bool Ouvert() const { return m_fd >= 0; }
    // The errno of the last failure of the file itself: opening it (ENOENT, EACCES...;
    // EINVAL for a path holding a zero character, EISDIR/ENODEV for something that is not
    // a regular file) or a read that failed with an error. 0 when none; the end of the
    // file, or a file shorter than a structure says, is not an error of the file.
    int Erreur() const { return m_erreur; }
    qint64 Taille() const override { return m_taille; }
    // The reads of the file so far (one pread of a block each).
    int Lectures() const { return m_lectures; }

    static constexpr qint64 kTailleBloc = 4096;

protected:
    bool Charger(qint64 position, const char *&donnees, qint64 &debut, qint64 &fin) override;

private:
    int m_fd = -1;
    int m_erreur = 0;
    int m_lectures = 0;
    qint64 m_taille = 0;
    alignas(64) char m_bloc[kTailleBloc];
};
