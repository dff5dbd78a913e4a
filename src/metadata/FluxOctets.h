// Byte sources of the EXIF reader: every read goes through one range-checked primitive.
#pragma once

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
    bool Lire(qint64 position, qint64 taille, void *dest);

    // The bytes of the range [position, position + taille) up to the first zero byte (or
    // all of them when none is zero), into texte. False, texte untouched, when the whole
    // range does not lie in the source or cannot be read.
    bool LireTexte(qint64 position, qint64 taille, QByteArray &texte);

    // True when the range [position, position + taille) lies in the source.
    bool Contient(qint64 position, qint64 taille) const
    {
        return position >= 0 && taille >= 0 && position <= Taille() && taille <= Taille() - position;
    }

protected:
    // Bytes that follow `position` contiguously in memory, and how many (at least one);
    // nullptr when position is outside the source or reading fails. The pointer is
    // valid until the next call.
    virtual const char *Acceder(qint64 position, qint64 &disponible) = 0;
};

// Bytes held in memory (not owned): for the fuzzer and for tests.
class TFluxMemoire final : public IFluxOctets {
public:
    TFluxMemoire(const char *donnees, qint64 taille) : m_donnees(donnees), m_taille(taille) {}
    explicit TFluxMemoire(const QByteArray &octets) : TFluxMemoire(octets.constData(), octets.size()) {}

    qint64 Taille() const override { return m_taille; }

protected:
    const char *Acceder(qint64 position, qint64 &disponible) override;

private:
    const char *m_donnees;
    qint64 m_taille;
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
    qint64 Taille() const override { return m_taille; }

    static constexpr qint64 kTailleBloc = 4096;

protected:
    const char *Acceder(qint64 position, qint64 &disponible) override;

private:
    int m_fd = -1;
    qint64 m_taille = 0;
    qint64 m_debutBloc = -1; // file offset of the cached block, -1 when none
    qint64 m_longueurBloc = 0;
    alignas(64) char m_bloc[kTailleBloc];
};
