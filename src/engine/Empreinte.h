// The fingerprint of a file's content that proves a copy: XXH3 on 128 bits, written as
// xxh128sum writes it (32 lower-case hexadecimal digits, the high half first).
#pragma once

#include <cstddef>
#include <optional>

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

// The fingerprint of what the descriptor holds from offset 0 to its end, read with pread
// (the offset is left alone): 0, or the errno of the read that failed.
int EmpreinteDescripteur(int fd, TEmpreinte &empreinte);
