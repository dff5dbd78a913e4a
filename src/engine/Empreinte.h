// The fingerprint of a file's content that proves a copy: XXH3 on 128 bits, written as
// xxh128sum writes it (32 lower-case hexadecimal digits, the high half first).
#pragma once

#include <cstddef>
#include <functional>
#include <optional>

#include <sys/types.h>

#include <QByteArray>
#include <QByteArrayView>
#include <QtGlobal>

struct TEmpreinte {
    quint64 Haut = 0;
    quint64 Bas = 0;
    friend bool operator==(const TEmpreinte &, const TEmpreinte &) = default;

    QByteArray Hex() const;
    // The fingerprint of 32 hexadecimal digits; none for anything else.
    static std::optional<TEmpreinte> DepuisHex(QByteArrayView hex);
};

// A fingerprint computed piece by piece, as the bytes go by.
class THachage final {
public:
    THachage();
    ~THachage();
    THachage(const THachage &) = delete;
    THachage &operator=(const THachage &) = delete;

    void Ajouter(const void *octets, size_t taille);
    TEmpreinte Resultat() const;

private:
    struct TEtat;
    TEtat *m_etat;
};

// The fingerprint of all of `octets` at once.
TEmpreinte EmpreinteDe(QByteArrayView octets);

// The fingerprint of what `lire` gives from position 0 until it gives 0 bytes; `lire`
// answers as pread does (-1 with errno set on failure; EINTR is asked again): 0, or the
// errno of the read that failed.
using TLecture = std::function<ssize_t(void *tampon, size_t taille, off_t position)>;
int EmpreinteParLectures(const TLecture &lire, TEmpreinte &empreinte);

// The same of what the descriptor holds, read with pread (its offset is left alone).
int EmpreinteDescripteur(int fd, TEmpreinte &empreinte);
